// The real dialog from its resource template, driven from a second thread of the test: what
// another process cannot see under Wine (the window menu and its check mark), the snap as the
// dialog rewrites a pending move, and the end of a session.
#include "monitor/TallyvoltDlg.h"
#include "platform/windows/MonitorDialog.h"
#include "platform/windows/WindowsTrayIcon.h"

#include "fakes/FakeServices.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(WindowsDialog, WindowMenuCheckMarkSnapAndEndOfSession)
{
    FakeServices services;
    services.power.Set(87, 1, 0x09);
    CTallyvoltDlg dlg(services.Get());
    dlg.SetWindowPosition("100 200");
    win::RegisterDialogClass(::GetModuleHandleW(nullptr));
    win::WindowsTrayIcon tray;
    int endRuns = 0;
    win::MonitorDialog dialog(dlg, tray, [&endRuns] { ++endRuns; });

    // Read on the driving thread, checked once the dialog has ended.
    std::wstring topmostText, aboutText, battery(16, L'\0');
    bool checkedAfter[3] = {true, false, true};
    bool topmostAfter[2] = {false, true};
    RECT opened{}, snapped{}, kept{}, work{};
    std::thread driver([&] {
        HWND window = nullptr;
        for (int i = 0; i < 200 && !(window && ::IsWindowVisible(window)); ++i) {
            ::Sleep(50);
            window = ::FindWindowW(L"Tallyvolt", nullptr);
        }
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
    EXPECT_EQ(services.processor.stops, 1);
}
