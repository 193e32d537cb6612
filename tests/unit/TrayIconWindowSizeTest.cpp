// The size the XEmbed tray icon's window keeps: a tray's slot as it is, a box far larger than
// the picture shrunk to the picture.
#include "tray/IconWindowSize.h"

#include <gtest/gtest.h>

using tallyvolt::TrayIconWindowSize;
using tallyvolt::WindowSize;

namespace {

constexpr WindowSize kPicture{22, 22};

} // namespace

// lxqt-panel's tray gave the icon window a 128 × 128 box at the screen's corner and the window
// filled it, so a press on the desktop near the corner brought the program's window back.
TEST(TrayIconWindowSize, ABoxFarLargerThanThePictureShrinksToThePicture)
{
    EXPECT_EQ(TrayIconWindowSize({128, 128}, kPicture), (WindowSize{24, 24}));
    EXPECT_EQ(TrayIconWindowSize({45, 45}, kPicture), (WindowSize{24, 24}));
    // Each direction on its own: a slot of a tall panel's height, but far too wide.
    EXPECT_EQ(TrayIconWindowSize({128, 22}, kPicture), (WindowSize{24, 22}));
    EXPECT_EQ(TrayIconWindowSize({30, 200}, {16, 16}), (WindowSize{30, 18}));
}

TEST(TrayIconWindowSize, ATraysOwnSlotKeepsItsSize)
{
    // trayer: 16 × 22 with the picture scaled to 16; xfce4-panel's and larger panels' slots.
    EXPECT_EQ(TrayIconWindowSize({16, 22}, {16, 16}), (WindowSize{16, 22}));
    EXPECT_EQ(TrayIconWindowSize({22, 22}, kPicture), (WindowSize{22, 22}));
    EXPECT_EQ(TrayIconWindowSize({28, 28}, kPicture), (WindowSize{28, 28}));
    EXPECT_EQ(TrayIconWindowSize({44, 44}, kPicture), (WindowSize{44, 44}));
    // A window smaller than its picture is the tray's to decide.
    EXPECT_EQ(TrayIconWindowSize({10, 10}, kPicture), (WindowSize{10, 10}));
    // No picture known yet (the window not laid out): nothing to go by.
    EXPECT_EQ(TrayIconWindowSize({128, 128}, {0, 0}), (WindowSize{128, 128}));
    EXPECT_EQ(TrayIconWindowSize({1, 1}, kPicture), (WindowSize{1, 1}));
}
