// The Win32 entry point and the toolkit it gives the start-up: message boxes and the monitor's
// dialog.
#include "monitor/TallyvoltDlg.h"
#include "platform/Toolkit.h"
#include "platform/windows/MonitorDialog.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsTrayIcon.h"

#include <commctrl.h>

#include <cstdio>

namespace tallyvolt::win {
namespace {

// How long a second copy waits for the running copy's window to appear (both started
// together: the first has its claim but not yet its window).
constexpr DWORD kWindowWaitMilliseconds = 2000;

HWND RunningCopyWindow()
{
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = ::FindWindowW(L"Tallyvolt", nullptr))
            return window;
        if (waited >= kWindowWaitMilliseconds)
            return nullptr;
        ::Sleep(50);
    }
}

class WindowsToolkit : public Toolkit
{
public:
    void ShowMessage(const char* message, MessageKind kind) override
    {
        std::fprintf(stderr, "tallyvolt: %s\n", message);
        // The "already running" box belongs to the running copy's window, when it has one.
        const HWND owner = kind == MessageKind::Exclamation ? RunningCopyWindow() : nullptr;
        ::MessageBoxW(owner, Widen(message).c_str(), L"Tallyvolt",
                      MB_OK | (kind == MessageKind::Error ? MB_ICONSTOP : MB_ICONEXCLAMATION));
    }

    void RunMonitorWindow(CTallyvoltDlg& dlg, TrayIcon& tray, SingleInstance&, TerminationSignals*,
                          const std::function<void()>& endRun) override
    {
        // The Windows wiring makes the Windows tray; any other would mean a wiring fault.
        auto* windowsTray = dynamic_cast<WindowsTrayIcon*>(&tray);
        if (!windowsTray)
            return;
        MonitorDialog dialog(dlg, *windowsTray, endRun);
        dialog.Run();
    }
};

} // namespace
} // namespace tallyvolt::win

int main()
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    tallyvolt::win::RegisterDialogClass(instance);
    tallyvolt::win::WindowsToolkit toolkit;
    return tallyvolt::StartInstance(toolkit);
}
