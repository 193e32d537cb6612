// The tray state on its own: what reaches the icon and when, waiting for a tray, and letting
// the tray go; the remembered window position; and the Win32 messages turned into events.
#include "monitor/TrayState.h"
#include "monitor/Monitor.h"
#include "monitor/WindowPlacement.h"

#include "fakes/FakeServices.h"
#include "platform/windows/WindowMessages.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

using Calls = std::vector<std::string>;

TEST(TrayState, TheIconGetsTheLatestLookAndOnlyChangesWhileInTheTray)
{
    FakeTray tray;
    TrayState state;
    state.Attach(&tray);
    EXPECT_EQ(state.Look().tip, "Tallyvolt");
    state.Show({"Tallyvolt: 80%", 80, false});
    state.Show({"Tallyvolt: 79%", 79, false});
    EXPECT_TRUE(tray.calls.empty()); // not in the tray: nothing to change
    EXPECT_TRUE(state.CanEnter());

    ASSERT_TRUE(state.Enter());
    EXPECT_TRUE(state.InTray());
    EXPECT_FALSE(state.CanEnter());
    state.Show({"Tallyvolt: 79%", 79, false}); // unchanged: no redraw
    state.Show({"Tallyvolt: 79%", 79, true});  // plugged in: the picture changes
    EXPECT_EQ(tray.calls, (Calls{"add Tallyvolt: 79%", "modify Tallyvolt: 79%"}));
    EXPECT_TRUE(tray.current.onLine);
}

TEST(TrayState, WithoutAHostItWaitsAndLeavingKeepsTheIconUntilRemoved)
{
    FakeTray tray;
    tray.hostPresent = false;
    TrayState state;
    state.Attach(&tray);
    EXPECT_FALSE(state.CanEnter());
    EXPECT_FALSE(state.Enter());
    EXPECT_TRUE(state.Waiting());
    EXPECT_FALSE(state.InTray());
    state.StopWaiting();
    EXPECT_FALSE(state.Waiting());

    tray.hostPresent = true;
    ASSERT_TRUE(state.Enter());
    state.Leave();
    EXPECT_FALSE(state.InTray());
    EXPECT_FALSE(state.Waiting());
    EXPECT_TRUE(tray.shown);
    state.RemoveIcon();
    EXPECT_FALSE(tray.shown);

    TrayState none;
    none.Attach(nullptr);
    EXPECT_FALSE(none.CanEnter());
    EXPECT_FALSE(none.Enter());
    EXPECT_TRUE(none.Waiting());
}

TEST(TrayState, DetachingRemovesTheIconAndStopsListeningForAHost)
{
    FakeTray tray;
    int appeared = 0;
    tray.OnHostAppeared([&] { ++appeared; });
    TrayState state;
    state.Attach(&tray);
    ASSERT_TRUE(state.Enter());
    state.Detach();
    EXPECT_FALSE(tray.shown);
    EXPECT_FALSE(state.InTray());
    tray.HostComes();
    EXPECT_EQ(appeared, 0);
    EXPECT_FALSE(state.Enter()); // no tray any more
    EXPECT_EQ(tray.calls, (Calls{"add Tallyvolt", "delete"}));
}

TEST(WindowPlacement, TheSettingsTextReplacesOnlyTheNumbersItHolds)
{
    EXPECT_EQ(MonitorSettings::ReadPosition("7 junk 9").x, 7);
    EXPECT_FALSE(MonitorSettings::ReadPosition("7 junk 9").y);
    EXPECT_FALSE(MonitorSettings::ReadPosition("junk 9").x);
    EXPECT_FALSE(MonitorSettings::ReadPosition("junk 9").y);
    EXPECT_EQ(MonitorSettings::ReadPosition(" -3\t+4").y, 4);

    WindowPlacement placement;
    EXPECT_FALSE(placement.Text());
    placement.Remember({10, 20});
    placement.Remember({5, std::nullopt});
    EXPECT_EQ(placement.Text(), "5 20");
    placement.Remember({});
    EXPECT_EQ(placement.Text(), "5 20");
}

TEST(WindowPlacement, OnlyAShownWindowAtRestIsRemembered)
{
    const Rect workArea{0, 0, 1000, 800};
    WindowPlacement placement;
    const Point first = placement.First(200, 100, workArea, {workArea});
    EXPECT_EQ(first, (Point{400, 350}));
    EXPECT_FALSE(placement.Text()); // the first place is not one the user chose

    EXPECT_FALSE(placement.Settled({300, 300, 200, 100}, workArea, false));
    EXPECT_FALSE(placement.Settled({300, 300, 0, 0}, workArea, true));
    EXPECT_FALSE(placement.Text());

    // Where the first show put it stays unsnapped, even near an edge.
    WindowPlacement remembered;
    remembered.Remember({5, 5});
    ASSERT_EQ(remembered.First(200, 100, workArea, {workArea}), (Point{5, 5}));
    EXPECT_FALSE(remembered.Settled({5, 5, 200, 100}, workArea, true));
    // A move near the edge snaps to it and is remembered where it lands.
    EXPECT_EQ(remembered.Settled({8, 300, 200, 100}, workArea, true), (Point{0, 300}));
    EXPECT_EQ(remembered.Text(), "0 300");
}

TEST(WindowMessages, BeforeTheWindowExistsEveryCommandGoesToTheDefaultHandling)
{
    FakeServices fakes;
    Monitor monitor(fakes.Get());
    for (int command : {ID_MENU_ABOUT, ID_MENU_TOPMOST, ID_MENU_HIDE, SC_MINIMIZE})
        EXPECT_FALSE(DeliverSysCommand(monitor, command)) << command;
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONDOWN), 0);

    // Hide in Tray and Minimize are the same command once there is a window.
    FakeWindow window;
    FakeTray tray;
    monitor.SetUpDialog(window, tray);
    EXPECT_TRUE(DeliverSysCommand(monitor, ID_MENU_HIDE | 0x7));
    EXPECT_TRUE(monitor.IsInTray());
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONUP), 0);
    EXPECT_TRUE(monitor.IsInTray());
    EXPECT_EQ(DeliverTrayNotify(monitor, WM_LBUTTONDOWN), 1);
    EXPECT_FALSE(monitor.IsInTray());
}
