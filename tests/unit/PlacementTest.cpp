// Window placement: the snap rule, the first place, and the remembered position.
#include "monitor/Placement.h"
#include "monitor/Monitor.h"

#include "fakes/FakeServices.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

// A 200 × 100 window on the usual 1280 × 800 screen with a 24-pixel panel at the bottom.
const Rect kWorkArea{0, 0, 1280, 776};

Point Snap(int x, int y, const Rect& area = kWorkArea)
{
    return SnapToWorkArea({x, y, 200, 100}, area);
}

} // namespace

TEST(Snap, FifteenPixelsSnapSixteenStayOnEveryEdge)
{
    // Left and top.
    EXPECT_EQ(Snap(14, 300), (Point{0, 300}));
    EXPECT_EQ(Snap(15, 300), (Point{0, 300}));
    EXPECT_EQ(Snap(16, 300), (Point{16, 300}));
    EXPECT_EQ(Snap(-15, 300), (Point{0, 300})); // partly past the edge
    EXPECT_EQ(Snap(-16, 300), (Point{-16, 300}));
    EXPECT_EQ(Snap(500, 15), (Point{500, 0}));
    EXPECT_EQ(Snap(500, 16), (Point{500, 16}));
    // Right: the window's right edge is x + 200.
    EXPECT_EQ(Snap(1280 - 200 - 14, 300), (Point{1080, 300}));
    EXPECT_EQ(Snap(1280 - 200 - 15, 300), (Point{1080, 300}));
    EXPECT_EQ(Snap(1280 - 200 - 16, 300), (Point{1064, 300}));
    EXPECT_EQ(Snap(1280 - 200 + 15, 300), (Point{1080, 300}));
    // Bottom: right on top of the panel.
    EXPECT_EQ(Snap(500, 776 - 100 - 15), (Point{500, 676}));
    EXPECT_EQ(Snap(500, 776 - 100 - 16), (Point{500, 660}));
    EXPECT_EQ(Snap(500, 776 - 100 + 10), (Point{500, 676}));
}

TEST(Snap, LeftAndTopWinWhenBothEdgesAreInReach)
{
    const Rect narrow{0, 0, 210, 110};
    EXPECT_EQ(Snap(5, 5, narrow), (Point{0, 0}));
    EXPECT_EQ(Snap(8, 9, narrow), (Point{0, 0}));
}

TEST(Snap, WorkAreasAwayFromTheOrigin)
{
    // A panel on the left and at the top, and a second monitor to the right.
    const Rect leftPanel{48, 30, 1232, 770};
    EXPECT_EQ(Snap(60, 40, leftPanel), (Point{48, 30}));
    EXPECT_EQ(Snap(64, 46, leftPanel), (Point{64, 46}));
    EXPECT_EQ(Snap(10, 300, leftPanel), (Point{10, 300})); // 38 pixels off: no snap
    const Rect second{1280, 0, 1920, 1080};
    EXPECT_EQ(Snap(1290, 1080 - 100 - 3, second), (Point{1280, 980}));
    EXPECT_EQ(Snap(3200 - 200 - 1, 500, second), (Point{3000, 500}));
}

TEST(FirstPlacement, RememberedCentredOrRescued)
{
    const Rect primary{0, 0, 1280, 776};
    const std::vector<Rect> displays{{0, 0, 1280, 800}};
    EXPECT_EQ(ChooseFirstPlacement(100, 200, 246, 111, primary, displays), (Point{100, 200}));
    EXPECT_EQ(ChooseFirstPlacement(std::nullopt, std::nullopt, 246, 111, primary, displays),
              (Point{517, 332}));
    // One coordinate given: the other stays centred.
    EXPECT_EQ(ChooseFirstPlacement(100, std::nullopt, 246, 111, primary, displays),
              (Point{100, 332}));
    // Wholly off every display (a monitor since unplugged): centred.
    EXPECT_EQ(ChooseFirstPlacement(5000, 5000, 246, 111, primary, displays), (Point{517, 332}));
    EXPECT_EQ(ChooseFirstPlacement(-246, 10, 246, 111, primary, displays), (Point{517, 332}));
    // Partly visible: kept as it is.
    EXPECT_EQ(ChooseFirstPlacement(-245, 10, 246, 111, primary, displays), (Point{-245, 10}));
    EXPECT_EQ(ChooseFirstPlacement(1279, 799, 246, 111, primary, displays), (Point{1279, 799}));
    // On the second of two displays.
    const std::vector<Rect> two{{0, 0, 1280, 800}, {1280, 0, 1920, 1080}};
    EXPECT_EQ(ChooseFirstPlacement(2500, 900, 246, 111, primary, two), (Point{2500, 900}));
}

TEST(RememberedPosition, FollowsTheVisibleWindowSnappedAndIgnoresTheHiddenOne)
{
    FakeServices fakes;
    tallyvolt::Monitor dlg(fakes.Get());
    dlg.SetWindowPosition("5 5");
    // The first show is not snapped, even this close to the corner.
    EXPECT_EQ(dlg.FirstPlacement(246, 111, kWorkArea, {{0, 0, 1280, 800}}), (Point{5, 5}));
    EXPECT_EQ(dlg.OnWindowSettled({5, 5, 246, 111}, kWorkArea, true), std::nullopt);
    EXPECT_EQ(dlg.GetWindowPosition(), "5 5");

    // The user drags it 10 pixels from the left edge: it lands on the edge.
    EXPECT_EQ(dlg.OnWindowSettled({10, 300, 246, 111}, kWorkArea, true), (Point{0, 300}));
    EXPECT_EQ(dlg.GetWindowPosition(), "0 300");
    EXPECT_EQ(dlg.OnWindowSettled({0, 300, 246, 111}, kWorkArea, true), std::nullopt);
    EXPECT_EQ(dlg.OnWindowSettled({16, 400, 246, 111}, kWorkArea, true), std::nullopt);
    EXPECT_EQ(dlg.GetWindowPosition(), "16 400");

    // Hidden or iconified, or a window reporting no size: nothing changes.
    EXPECT_EQ(dlg.OnWindowSettled({700, 10, 246, 111}, kWorkArea, false), std::nullopt);
    EXPECT_EQ(dlg.OnWindowSettled({700, 10, 0, 0}, kWorkArea, true), std::nullopt);
    EXPECT_EQ(dlg.GetWindowPosition(), "16 400");
}

TEST(RememberedPosition, NothingWhileTheWindowLivesInTheTray)
{
    FakeServices fakes;
    FakeWindow window;
    FakeTray tray;
    tallyvolt::Monitor dlg(fakes.Get());
    ASSERT_TRUE(dlg.SetStartMinimized(1));
    dlg.SetUpDialog(window, tray);
    ASSERT_TRUE(dlg.IsInTray());
    EXPECT_EQ(dlg.OnWindowSettled({700, 10, 246, 111}, kWorkArea, true), std::nullopt);
    EXPECT_EQ(dlg.GetWindowPosition(), std::nullopt);
}
