// The tray icon and the window menu: minimise into the tray, the press that brings the window
// back, the live tip, Always on Top and About, and what happens without a tray.
#include "monitor/Monitor.h"
#include "platform/windows/WindowMessages.h"

#include "fakes/FakeServices.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;
using Calls = std::vector<std::string>;

namespace {

class MonitorTray : public ::testing::Test
{
protected:
    MonitorTray() { m_fakes.power.Set(87, 0, kBatteryHigh); }
    void SetUp(bool startMinimized)
    {
        ASSERT_TRUE(m_dlg.SetStartMinimized(startMinimized ? 1 : 0));
        m_dlg.SetUpDialog(m_window, m_tray);
        m_window.calls.clear();
    }

    FakeServices m_fakes;
    FakeWindow m_window;
    FakeTray m_tray;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
};

} // namespace

TEST_F(MonitorTray, MinimiseHidesIntoTheTrayAndALeftPressBringsItBack)
{
    SetUp(false);
    EXPECT_TRUE(DeliverSysCommand(m_dlg, SC_MINIMIZE));
    EXPECT_TRUE(m_dlg.IsInTray());
    EXPECT_EQ(m_window.calls, Calls{"withdraw"});
    EXPECT_EQ(m_tray.calls, Calls{"add Tallyvolt: 87%"});
    EXPECT_EQ(m_tray.current.chargePercent, 87);

    // Moves, the right button, releases and double clicks do nothing.
    for (int message : {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONUP, WM_LBUTTONDBLCLK})
        EXPECT_EQ(DeliverTrayNotify(m_dlg, message), 0) << message;
    EXPECT_TRUE(m_dlg.IsInTray());

    EXPECT_EQ(DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN), 1);
    EXPECT_FALSE(m_dlg.IsInTray());
    EXPECT_EQ(m_window.calls, (Calls{"withdraw", "show"}));
    EXPECT_EQ(m_tray.calls, (Calls{"add Tallyvolt: 87%", "delete"}));
}

// On desktops without a minimise (sway, i3) the window could not go back into the tray once
// restored from it: the window menu's Hide in Tray does what minimising does, offered only while
// a tray is there to take the icon.
TEST_F(MonitorTray, HideInTrayIsOfferedWhileATrayTakesTheIconAndMinimises)
{
    EXPECT_FALSE(m_dlg.CanHideInTray()); // no window yet
    SetUp(false);
    EXPECT_TRUE(m_dlg.CanHideInTray());
    EXPECT_TRUE(DeliverSysCommand(m_dlg, ID_MENU_HIDE));
    EXPECT_TRUE(m_dlg.IsInTray());
    EXPECT_FALSE(m_dlg.CanHideInTray());
    EXPECT_EQ(m_window.calls, Calls{"withdraw"});
    EXPECT_EQ(m_tray.calls, Calls{"add Tallyvolt: 87%"});
    EXPECT_EQ(DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN), 1);
    EXPECT_TRUE(m_dlg.CanHideInTray());

    // The panel goes: no offer. A request that comes all the same iconifies, as minimise does.
    m_tray.hostPresent = false;
    EXPECT_FALSE(m_dlg.CanHideInTray());
    m_window.calls.clear();
    EXPECT_TRUE(DeliverSysCommand(m_dlg, ID_MENU_HIDE));
    EXPECT_FALSE(m_dlg.IsInTray());
    EXPECT_TRUE(m_dlg.IsWaitingForTray());
    EXPECT_EQ(m_window.calls, Calls{"iconify"});
}

TEST_F(MonitorTray, TheTipFollowsEachChangedSampleWhileInTheTray)
{
    SetUp(false);
    DeliverSysCommand(m_dlg, SC_MINIMIZE);
    m_dlg.Update(true); // same charge: nothing to tell the tray
    m_fakes.power.next.chargePercent = 86;
    m_dlg.Update(true);
    m_fakes.power.next.linePower = 1; // plugged in: the mark appears
    m_dlg.Update(true);
    m_fakes.power.next.chargePercent = 255;
    m_dlg.Update(true);
    EXPECT_EQ(m_tray.calls, (Calls{"add Tallyvolt: 87%", "modify Tallyvolt: 86%",
                                   "modify Tallyvolt: 86%", "modify Tallyvolt: Unknown"}));
    EXPECT_TRUE(m_tray.current.onLine);
    EXPECT_EQ(m_tray.current.chargePercent, 255);

    // Out of the tray, changes wait for the next minimise.
    DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN);
    m_fakes.power.next.chargePercent = 50;
    m_dlg.Update(true);
    EXPECT_EQ(m_tray.calls.back(), "delete");
    DeliverSysCommand(m_dlg, SC_MINIMIZE);
    EXPECT_EQ(m_tray.calls.back(), "add Tallyvolt: 50%");
}

TEST_F(MonitorTray, FiguresWaitInTheTrayAndShowOnTheWayOut)
{
    SetUp(false);
    DeliverSysCommand(m_dlg, SC_MINIMIZE);
    m_window.calls.clear();
    m_fakes.power.next.chargePercent = 80;
    m_fakes.processor.next = 42;
    m_dlg.Update(true);
    EXPECT_EQ(m_window.calls, Calls{}); // nobody sees them: no label work
    DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN);
    EXPECT_EQ(m_window.figures[IDC_BATTERY], "80%");
    EXPECT_EQ(m_window.figures[IDC_CPU], "42%");
    EXPECT_EQ(m_window.calls.back(), "show"); // up to date before it shows
}

TEST_F(MonitorTray, WithoutATrayMinimiseIconifiesAndNeverHides)
{
    m_tray.hostPresent = false;
    SetUp(false);
    EXPECT_TRUE(DeliverSysCommand(m_dlg, SC_MINIMIZE));
    EXPECT_FALSE(m_dlg.IsInTray());
    EXPECT_EQ(m_window.calls, Calls{"iconify"});
}

TEST_F(MonitorTray, StartMinimizedStartsInTheTrayOrIconified)
{
    SetUp(true);
    EXPECT_TRUE(m_dlg.IsInTray());
    EXPECT_EQ(m_tray.calls, Calls{"add Tallyvolt: 87%"});

    FakeServices fakes;
    FakeWindow window;
    FakeTray noTray;
    noTray.hostPresent = false;
    tallyvolt::Monitor dlg(fakes.Get());
    ASSERT_TRUE(dlg.SetStartMinimized(1));
    dlg.SetUpDialog(window, noTray);
    EXPECT_FALSE(dlg.IsInTray());
    EXPECT_EQ(window.calls.back(), "iconify");
}

// A panel that starts after a minimised start (a session's autostart) used to leave the window
// iconified in the task bar for good.
TEST_F(MonitorTray, ATrayThatComesLaterTakesAWindowIconifiedForWantOfOne)
{
    m_tray.hostPresent = false;
    SetUp(true);
    EXPECT_TRUE(m_dlg.IsWaitingForTray());
    m_tray.HostComes();
    EXPECT_TRUE(m_dlg.IsInTray());
    EXPECT_FALSE(m_dlg.IsWaitingForTray());
    EXPECT_EQ(m_window.calls, Calls{"withdraw"});
    EXPECT_TRUE(m_tray.shown);
    // Back from that tray as from any other; a host that comes again changes nothing.
    EXPECT_EQ(DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN), 1);
    m_tray.HostComes();
    EXPECT_FALSE(m_dlg.IsInTray());
    EXPECT_EQ(m_window.calls, (Calls{"withdraw", "show"}));

    // Minimised by hand with no tray, then restored by the user: a tray that appears later
    // leaves the window where the user put it.
    m_tray.hostPresent = false;
    DeliverSysCommand(m_dlg, SC_MINIMIZE);
    EXPECT_TRUE(m_dlg.IsWaitingForTray());
    m_dlg.WindowRestored();
    m_tray.HostComes();
    EXPECT_FALSE(m_dlg.IsInTray());
    EXPECT_EQ(m_window.calls.back(), "iconify");

    // Once the window is gone, a tray's news reaches nobody.
    m_tray.hostPresent = false;
    DeliverSysCommand(m_dlg, SC_MINIMIZE);
    m_dlg.TearDownDialog();
    m_tray.calls.clear();
    m_tray.HostComes();
    EXPECT_TRUE(m_tray.calls.empty());
}

TEST_F(MonitorTray, NothingButTheTrayPressShowsAWindowInTheTray)
{
    SetUp(true);
    m_dlg.SurfaceRequested(); // a second copy
    EXPECT_EQ(m_window.calls, Calls{});
    DeliverTrayNotify(m_dlg, WM_LBUTTONDOWN);
    m_dlg.SurfaceRequested();
    EXPECT_EQ(m_window.calls, (Calls{"show", "show"}));
}

TEST_F(MonitorTray, AlwaysOnTopTogglesWithItsCheckMarkAndAboutOpens)
{
    SetUp(false);
    EXPECT_FALSE(m_dlg.IsTopmost());
    EXPECT_TRUE(DeliverSysCommand(m_dlg, ID_MENU_TOPMOST));
    EXPECT_TRUE(m_dlg.IsTopmost());
    EXPECT_TRUE(DeliverSysCommand(m_dlg, ID_MENU_TOPMOST | 0x000F)); // low bits are ignored
    EXPECT_FALSE(m_dlg.IsTopmost());
    EXPECT_TRUE(DeliverSysCommand(m_dlg, ID_MENU_ABOUT + 3));
    EXPECT_FALSE(DeliverSysCommand(m_dlg, 0xF060)); // close: the window's own handling
    EXPECT_EQ(m_window.calls,
              (Calls{"check 8192 on", "topmost on", "check 8192 off", "topmost off", "about"}));
}

TEST_F(MonitorTray, ClosingTakesTheIconAwayEvenWhenItWasNeverThere)
{
    SetUp(false);
    m_dlg.TearDownDialog();
    EXPECT_EQ(m_tray.calls, Calls{"delete"});
}
