// The tray icon's battery picture: fill level, colours, the unknown charge and the bolt.
#include "tray/TrayGlyph.h"

#include <gtest/gtest.h>

using tallyvolt::DrawBatteryGlyph;
using tallyvolt::FilledRows;
using tallyvolt::Glyph;

namespace {

// Inside pixels of the fill colour along the column x = 6, which the bolt never covers.
int FilledPixels(const Glyph& glyph, std::uint32_t colour)
{
    int count = 0;
    for (int y = 0; y < Glyph::kSize; ++y)
        count += glyph.At(6, y) == colour;
    return count;
}

} // namespace

TEST(TrayGlyph, FillFollowsTheChargeWithALevelColour)
{
    EXPECT_EQ(FilledRows(0), 0);
    EXPECT_EQ(FilledRows(1), 1); // any charge shows
    EXPECT_EQ(FilledRows(50), 8);
    EXPECT_EQ(FilledRows(100), 16);
    EXPECT_EQ(FilledRows(255), 0);

    EXPECT_EQ(FilledPixels(DrawBatteryGlyph(100, false), 0x4e9a06ff), 16);
    EXPECT_EQ(FilledPixels(DrawBatteryGlyph(50, false), 0x4e9a06ff), 8);
    EXPECT_EQ(FilledPixels(DrawBatteryGlyph(20, false), 0xf57900ff), 3);
    EXPECT_EQ(FilledPixels(DrawBatteryGlyph(4, false), 0xcc0000ff), 1);
    // Unknown: all grey, no level colour.
    const Glyph unknown = DrawBatteryGlyph(255, false);
    EXPECT_EQ(FilledPixels(unknown, 0x888a85ff), 16);
    EXPECT_EQ(FilledPixels(unknown, 0x4e9a06ff), 0);
}

TEST(TrayGlyph, BoltOnlyOnLinePowerAndTheCornersStayClear)
{
    const Glyph off = DrawBatteryGlyph(60, false);
    const Glyph on = DrawBatteryGlyph(60, true);
    int bolt = 0;
    int changed = 0;
    for (int y = 0; y < Glyph::kSize; ++y)
        for (int x = 0; x < Glyph::kSize; ++x) {
            bolt += on.At(x, y) == 0xfce94fff;
            changed += on.At(x, y) != off.At(x, y);
            EXPECT_NE(off.At(x, y), 0xfce94fffu);
        }
    EXPECT_EQ(bolt, 17);
    EXPECT_GT(changed, bolt); // the outline around it
    EXPECT_EQ(on.At(0, 0) & 0xff, 0u);
    EXPECT_EQ(on.At(Glyph::kSize - 1, Glyph::kSize - 1) & 0xff, 0u);
}
