// Drawing of the tray icon's battery, pixel by pixel: crisp at the tray's small size and
// independent of any toolkit.
#include "tray/TrayGlyph.h"

namespace tallyvolt {
namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kOutline = 0x2e3436ff;
constexpr std::uint32_t kInside = 0xeeeeecff;
constexpr std::uint32_t kUnknown = 0x888a85ff;
constexpr std::uint32_t kGood = 0x4e9a06ff;
constexpr std::uint32_t kLow = 0xf57900ff;
constexpr std::uint32_t kCritical = 0xcc0000ff;
constexpr std::uint32_t kBolt = 0xfce94fff;

// Body and inside of the battery, in pixels.
constexpr int kBodyLeft = 4, kBodyRight = 17, kBodyTop = 3, kBodyBottom = 20;
constexpr int kInsideTop = kBodyTop + 1, kInsideBottom = kBodyBottom - 1;
constexpr int kInsideRows = kInsideBottom - kInsideTop + 1;

// The bolt, drawn over the middle of the battery and outlined so it reads on any fill.
constexpr const char* kBoltShape[] = {
    "   ##", "  ## ", " ##  ", "#####", "  ## ", " ##  ", "##   ",
};
constexpr int kBoltLeft = 8, kBoltTop = 8;

} // namespace

int FilledRows(std::uint8_t chargePercent)
{
    if (chargePercent > 100)
        return 0;
    // Round to the nearest row, but show any charge at all as at least one row.
    const int rows = (chargePercent * kInsideRows + 50) / 100;
    return chargePercent > 0 && rows == 0 ? 1 : rows;
}

Glyph DrawBatteryGlyph(std::uint8_t chargePercent, bool onLine)
{
    Glyph glyph;
    constexpr int n = Glyph::kSize;
    glyph.pixels.assign(static_cast<std::size_t>(n * n), kClear);
    auto set = [&glyph](int x, int y, std::uint32_t colour) {
        glyph.pixels[static_cast<std::size_t>(y * n + x)] = colour;
    };

    for (int x = 8; x <= 13; ++x) // the terminal cap
        for (int y = 1; y < kBodyTop; ++y)
            set(x, y, kOutline);
    for (int y = kBodyTop; y <= kBodyBottom; ++y)
        for (int x = kBodyLeft; x <= kBodyRight; ++x) {
            const bool edge =
                y == kBodyTop || y == kBodyBottom || x == kBodyLeft || x == kBodyRight;
            set(x, y, edge ? kOutline : kInside);
        }

    const bool known = chargePercent <= 100;
    const std::uint32_t fill = !known               ? kUnknown
                               : chargePercent < 5  ? kCritical
                               : chargePercent < 33 ? kLow
                                                    : kGood;
    // Unknown: a grey battery, distinct from any level.
    const int rows = known ? FilledRows(chargePercent) : kInsideRows;
    for (int y = kInsideBottom - rows + 1; y <= kInsideBottom; ++y)
        for (int x = kBodyLeft + 1; x < kBodyRight; ++x)
            set(x, y, fill);

    if (onLine) {
        const int height = static_cast<int>(sizeof kBoltShape / sizeof kBoltShape[0]);
        auto inBolt = [&](int x, int y) {
            const int bx = x - kBoltLeft, by = y - kBoltTop;
            return by >= 0 && by < height && bx >= 0 && bx < 5 && kBoltShape[by][bx] == '#';
        };
        for (int y = kBoltTop - 1; y <= kBoltTop + height; ++y)
            for (int x = kBoltLeft - 1; x <= kBoltLeft + 5; ++x) {
                if (inBolt(x, y))
                    set(x, y, kBolt);
                else if (inBolt(x - 1, y) || inBolt(x + 1, y) || inBolt(x, y - 1) ||
                         inBolt(x, y + 1))
                    set(x, y, kOutline);
            }
    }
    return glyph;
}

} // namespace tallyvolt
