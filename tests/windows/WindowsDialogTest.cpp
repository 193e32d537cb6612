// The real dialog from its resource template, driven from a second thread of the test: what
// another process cannot see under Wine (the window menu and its check mark), the snap as the
// dialog rewrites a pending move, and the end of a session.
#include "monitor/Monitor.h"
#include "platform/windows/Dpi.h"
#include "platform/windows/MonitorDialog.h"
#include "platform/windows/WindowsTrayIcon.h"

#include "fakes/FakeServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

std::wstring MenuText(HMENU menu, UINT id)
{
    wchar_t text[64] = L"";
    ::GetMenuStringW(menu, id, text, 64, MF_BYCOMMAND);
    return text;
}

bool Checked(HMENU menu, UINT id)
{
    return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The dialog's window once it is shown, from the driving thread; nullptr after 10 s without.
HWND ShownMonitorWindow()
{
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window && ::IsWindowVisible(window)); ++i) {
        ::Sleep(50);
        window = ::FindWindowW(L"Tallyvolt", nullptr);
    }
    return window;
}

// The real dialog over fake readings (87 %, on line, charging), opening at 100, 200.
struct FakedMonitor
{
    explicit FakedMonitor(std::function<void()> endRun)
    {
        services.power.Set(87, 1, 0x09);
        dlg.SetWindowPosition("100 200");
        win::RegisterDialogClass(::GetModuleHandleW(nullptr));
        dialog = std::make_unique<win::MonitorDialog>(dlg, tray, std::move(endRun));
    }

    FakeServices services;
    tallyvolt::Monitor dlg{services.Get()};
    win::WindowsTrayIcon tray;
    std::unique_ptr<win::MonitorDialog> dialog;
};

} // namespace

TEST(WindowsDialog, WindowMenuCheckMarkSnapAndEndOfSession)
{
    int endRuns = 0;
    FakedMonitor monitor([&endRuns] { ++endRuns; });
    win::MonitorDialog& dialog = *monitor.dialog;
    tallyvolt::Monitor& dlg = monitor.dlg;

    // Read on the driving thread, checked once the dialog has ended.
    std::wstring topmostText, aboutText, battery(16, L'\0');
    bool checkedAfter[3] = {true, false, true};
    bool topmostAfter[2] = {false, true};
    RECT opened{}, snapped{}, kept{}, work{};
    std::thread driver([&] {
        HWND window = ShownMonitorWindow();
        if (!window)
            return;
        ::GetWindowRect(window, &opened);
        HMENU menu = ::GetSystemMenu(window, FALSE);
        topmostText = MenuText(menu, 0x2000);
        aboutText = MenuText(menu, 0x1000);
        battery.resize(static_cast<std::size_t>(
            ::GetDlgItemTextW(window, 1000, battery.data(), static_cast<int>(battery.size()))));
        checkedAfter[0] = Checked(menu, 0x2000);
        for (int i = 0; i < 2; ++i) {
            ::SendMessageW(window, WM_SYSCOMMAND, 0x2000 + i, 0); // low bits are ignored
            checkedAfter[i + 1] = Checked(menu, 0x2000);
            topmostAfter[i] = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        }
        MONITORINFO info{};
        info.cbSize = sizeof info;
        ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
        work = info.rcWork;
        const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
        ::SetWindowPos(window, nullptr, work.left + 15, work.top + 100, 0, 0, flags);
        ::GetWindowRect(window, &snapped);
        ::SetWindowPos(window, nullptr, work.left + 16, work.top + 100, 0, 0, flags);
        ::GetWindowRect(window, &kept);
        ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    dialog.Run();
    driver.join();

    EXPECT_EQ(opened.left, 100);
    EXPECT_EQ(opened.top, 200);
    EXPECT_EQ(topmostText, L"Always on Top");
    EXPECT_EQ(aboutText, L"&About Tallyvolt...");
    EXPECT_EQ(battery, L"87%");
    EXPECT_FALSE(checkedAfter[0]);
    EXPECT_TRUE(checkedAfter[1]);
    EXPECT_TRUE(topmostAfter[0]);
    EXPECT_FALSE(checkedAfter[2]);
    EXPECT_FALSE(topmostAfter[1]);
    EXPECT_EQ(snapped.left, work.left); // 15 px snaps onto the edge
    EXPECT_EQ(kept.left, work.left + 16);
    EXPECT_EQ(dlg.GetWindowPosition(),
              std::to_string(work.left + 16) + " " + std::to_string(work.top + 100));
    // The session's end ran the rest of the run once; the close after it did not end it again.
    EXPECT_EQ(endRuns, 1);
    EXPECT_EQ(monitor.services.processor.stops, 1);
}

namespace {

RECT ChildRect(HWND window, int id)
{
    RECT r{};
    HWND child = ::GetDlgItem(window, id);
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LONG FontHeight(HWND control)
{
    LOGFONTW look{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof look,
                 &look);
    return look.lfHeight;
}

} // namespace

// Where Windows does not rescale dialogs itself (per-monitor awareness version 1, Windows 8.1
// to 10 1607; this test program declares no awareness), a window dragged to a screen of 150 %
// must grow by half, font and all, with its texts kept, or it shows tiny there.
TEST(WindowsDialog, FollowsAChangeOfDpiAndBack)
{
    FakedMonitor monitor([] {});
    win::MonitorDialog& dialog = *monitor.dialog;

    UINT dpi = 0;
    RECT client[3]{}, button[3]{}, moved{};
    LONG font[3]{};
    std::wstring battery(16, L'\0');
    std::thread driver([&] {
        HWND window = ShownMonitorWindow();
        if (!window)
            return;
        dpi = win::WindowDpi(window);
        auto read = [&](int i) {
            ::GetClientRect(window, &client[i]);
            button[i] = ChildRect(window, 1001);
            font[i] = FontHeight(::GetDlgItem(window, 1000));
        };
        read(0);
        RECT suggested{300, 250, 700, 450};
        const UINT larger = dpi * 3 / 2;
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(larger, larger),
                       reinterpret_cast<LPARAM>(&suggested));
        read(1);
        ::GetWindowRect(window, &moved);
        battery.resize(static_cast<std::size_t>(
            ::GetDlgItemTextW(window, 1000, battery.data(), static_cast<int>(battery.size()))));
        suggested = RECT{300, 250, 500, 350};
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        read(2);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    dialog.Run();
    driver.join();

    ASSERT_GT(dpi, 0u);
    ASSERT_GT(client[0].right, 0);
    EXPECT_NEAR(client[1].right, client[0].right * 3 / 2, 1);
    EXPECT_NEAR(client[1].bottom, client[0].bottom * 3 / 2, 1);
    EXPECT_NEAR(button[1].left, button[0].left * 3 / 2, 1);
    EXPECT_NEAR(button[1].right - button[1].left, (button[0].right - button[0].left) * 3 / 2, 1);
    EXPECT_NEAR(font[1], font[0] * 3 / 2, 1);
    EXPECT_EQ(moved.left, 300); // where Windows proposed
    EXPECT_EQ(moved.top, 250);
    EXPECT_EQ(battery, L"87%");
    // And back: the sizes it had, within a pixel of rounding.
    EXPECT_NEAR(client[2].right, client[0].right, 1);
    EXPECT_NEAR(client[2].bottom, client[0].bottom, 1);
    EXPECT_NEAR(font[2], font[0], 1);
}

// The tray icon is drawn at the size the system asks for at the task bar's DPI.
TEST(WindowsTray, IconDrawnAtTheSizeOfEachDpi)
{
    EXPECT_EQ(win::SmallIconSize(96), 16);
    EXPECT_EQ(win::SmallIconSize(144), 24);
    EXPECT_EQ(win::SmallIconSize(192), 32);
    for (const int size : {16, 24, 32}) {
        HICON icon = win::CreateBatteryIcon(TrayLook{"Tallyvolt: 80%", 80, true}, size);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
}
