// The tray icon's picture: an upright battery filled to the charge, with a bolt while on line
// power, drawn into a plain RGBA buffer.
#pragma once

#include <cstdint>
#include <vector>

namespace tallyvolt {

struct Glyph
{
    static constexpr int kSize = 22; // the usual tray icon height on X11 panels
    // Row-major, kSize × kSize pixels as 0xRRGGBBAA.
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kSize + x)]; }
};

// Rows of the battery's inside that `chargePercent` fills (0 to 16); the unknown charge (above
// 100) fills none.
int FilledRows(std::uint8_t chargePercent);

Glyph DrawBatteryGlyph(std::uint8_t chargePercent, bool onLine);

} // namespace tallyvolt
