// Drives a running tallyvolt.exe from another process under the same Wine prefix, for the
// end-to-end tests: finds its window by class, reads its figures, sends it commands and
// reports what it sees on standard output. Exit status 0 when the request was served.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kTrayNotify = WM_USER + 100;

std::string Narrow(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::string ControlText(HWND window, int id)
{
    wchar_t text[256] = L"";
    ::GetDlgItemTextW(window, id, text, 256);
    return Narrow(text);
}

HWND WaitFor(const wchar_t* className, const wchar_t* title, DWORD milliseconds)
{
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = ::FindWindowW(className, title))
            return window;
        if (waited >= milliseconds)
            return nullptr;
        ::Sleep(50);
    }
}

HWND Monitor(DWORD milliseconds = 10000)
{
    HWND window = WaitFor(L"Tallyvolt", nullptr, milliseconds);
    if (!window) {
        std::fprintf(stderr, "no window of class Tallyvolt\n");
        std::exit(1);
    }
    return window;
}

void PrintState(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    RECT client{};
    ::GetClientRect(window, &client);
    std::printf("visible=%d iconic=%d topmost=%d enabled=%d rect=%ld,%ld,%ld,%ld client=%ldx%ld\n",
                ::IsWindowVisible(window) ? 1 : 0, ::IsIconic(window) ? 1 : 0,
                (exStyle & WS_EX_TOPMOST) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0, r.left, r.top,
                r.right, r.bottom, client.right, client.bottom);
}

enum class BoxAnswer
{
    PressOk,
    LeaveUp, // for a test that ends the box's process while the box is up
};

// A message box or About box captioned `title`: prints its text and owner, then presses OK or
// leaves it up.
int AnswerBox(const wchar_t* title, int textId, DWORD milliseconds,
              BoxAnswer answer = BoxAnswer::PressOk)
{
    HWND box = WaitFor(L"#32770", title, milliseconds);
    if (!box) {
        std::printf("no box\n");
        return 1;
    }
    HWND owner = ::GetWindow(box, GW_OWNER);
    wchar_t ownerClass[64] = L"";
    if (owner)
        ::GetClassNameW(owner, ownerClass, 64);
    const LONG_PTR style = ::GetWindowLongPtrW(box, GWL_STYLE);
    (void)style;
    HWND icon = ::GetDlgItem(box, 0x14); // the message box's icon control
    std::printf("text=%s\nowner=%s\nicon=%d\n", ControlText(box, textId).c_str(),
                Narrow(ownerClass).c_str(), icon ? 1 : 0);
    if (answer == BoxAnswer::PressOk)
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

// The tip of each docked tray icon, as its tooltip in the tray's process (Wine's explorer.exe)
// holds it to show on hover. Under Wine the docked icon's place on the screen is unknown to the
// hit test, so a hover shows the tip only now and then; the text is read from the tooltip
// itself, through memory lent in the tray's process (tooltip messages carry pointers there).
int PrintTrayTips()
{
    int found = 0;
    HWND tip = nullptr;
    while ((tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr))) {
        wchar_t ownerClass[64] = L"";
        ::GetClassNameW(::GetWindow(tip, GW_OWNER), ownerClass, 64);
        if (std::wcscmp(ownerClass, L"__winex11_tray_icon") != 0)
            continue;
        DWORD pid = 0;
        ::GetWindowThreadProcessId(tip, &pid);
        HANDLE tray =
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!tray)
            continue;
        constexpr std::size_t kText = 128;
        void* lent = ::VirtualAllocEx(tray, nullptr, sizeof(TTTOOLINFOW) + kText * sizeof(wchar_t),
                                      MEM_COMMIT, PAGE_READWRITE);
        auto* remoteInfo = static_cast<TTTOOLINFOW*>(lent);
        auto* remoteText =
            reinterpret_cast<wchar_t*>(static_cast<char*>(lent) + sizeof(TTTOOLINFOW));
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        SIZE_T done = 0;
        if (lent && ::WriteProcessMemory(tray, remoteInfo, &info, sizeof info, &done) &&
            ::SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remoteInfo)) &&
            ::ReadProcessMemory(tray, remoteInfo, &info, sizeof info, &done)) {
            info.lpszText = remoteText;
            wchar_t text[kText] = L"";
            ::WriteProcessMemory(tray, remoteInfo, &info, sizeof info, &done);
            ::WriteProcessMemory(tray, remoteText, text, sizeof text, &done);
            ::SendMessageW(tip, TTM_GETTEXTW, kText, reinterpret_cast<LPARAM>(remoteInfo));
            ::ReadProcessMemory(tray, remoteText, text, sizeof text, &done);
            text[kText - 1] = L'\0';
            std::printf("%s\n", Narrow(text).c_str());
            ++found;
        }
        if (lent)
            ::VirtualFreeEx(tray, lent, 0, MEM_RELEASE);
        ::CloseHandle(tray);
    }
    return found > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    auto number = [&](int i) { return i < argc ? std::strtol(argv[i], nullptr, 0) : 0L; };

    if (command == "power") {
        SYSTEM_POWER_STATUS s{};
        if (!::GetSystemPowerStatus(&s))
            return 1;
        std::printf("%d %d %d\n", s.ACLineStatus, s.BatteryFlag, s.BatteryLifePercent);
        return 0;
    }
    if (command == "workarea") {
        RECT r{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (command == "message-box")
        return AnswerBox(L"Tallyvolt", 0xFFFF, static_cast<DWORD>(argc > 2 ? number(2) : 10000));
    if (command == "message-box-left-up")
        return AnswerBox(L"Tallyvolt", 0xFFFF, static_cast<DWORD>(argc > 2 ? number(2) : 10000),
                         BoxAnswer::LeaveUp);
    if (command == "tray-tip")
        return PrintTrayTips();
    if (command == "no-window") {
        // True when no monitor window appears within the time given.
        return WaitFor(L"Tallyvolt", nullptr, static_cast<DWORD>(number(2))) ? 1 : 0;
    }

    if (command == "end-headless-session") {
        // The hidden window of a run without one, told of a logoff as the session tells it.
        HWND hidden = WaitFor(L"TallyvoltHeadless", nullptr, 10000);
        if (!hidden)
            return 1;
        const LRESULT query = ::SendMessageW(hidden, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        ::SendMessageW(hidden, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        std::printf("query=%ld\n", static_cast<long>(query));
        return 0;
    }

    HWND window = Monitor();
    if (command == "wait") {
        // Until the window has been placed and shown.
        for (int i = 0; i < 200 && !::IsWindowVisible(window); ++i)
            ::Sleep(50);
        ::Sleep(200);
        PrintState(window);
    } else if (command == "figures") {
        std::printf("%s|%s|%s\n", ControlText(window, 1000).c_str(),
                    ControlText(window, 1002).c_str(), ControlText(window, 1003).c_str());
    } else if (command == "powerfigure") {
        // The fourth row is there only with PowerDraw=1.
        std::printf("%s\n",
                    ::GetDlgItem(window, 1004) ? ControlText(window, 1004).c_str() : "<none>");
    } else if (command == "state") {
        PrintState(window);
    } else if (command == "syscommand") {
        ::PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(number(2)), 0);
        ::Sleep(500);
        PrintState(window);
    } else if (command == "tray") {
        const LRESULT result = ::SendMessageW(window, kTrayNotify, 1, number(2));
        std::printf("result=%ld\n", static_cast<long>(result));
        PrintState(window);
    } else if (command == "taskbar-created") {
        ::SendMessageW(window, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        PrintState(window);
    } else if (command == "move") {
        ::SetWindowPos(window, nullptr, static_cast<int>(number(2)), static_cast<int>(number(3)), 0,
                       0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::Sleep(300);
        PrintState(window);
    } else if (command == "show") {
        ::ShowWindow(window, SW_SHOWNORMAL);
        ::Sleep(300);
        PrintState(window);
    } else if (command == "update") {
        ::SendMessageW(::GetDlgItem(window, 1001), BM_CLICK, 0, 0);
    } else if (command == "about") {
        ::PostMessageW(window, WM_SYSCOMMAND, 0x1000, 0);
        return AnswerBox(L"About Tallyvolt", -1, 5000);
    } else if (command == "close") {
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        for (int i = 0; i < 100 && ::IsWindow(window); ++i)
            ::Sleep(50);
        return ::IsWindow(window) ? 1 : 0;
    } else if (command == "close-box") {
        // What the title bar's close box sends; a disabled window ignores it.
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        for (int i = 0; i < 100 && ::IsWindow(window); ++i)
            ::Sleep(50);
        return ::IsWindow(window) ? 1 : 0;
    } else if (command == "end-session") {
        const LRESULT query = ::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        std::printf("query=%ld\n", static_cast<long>(query));
    } else {
        return 2;
    }
    return 0;
}
