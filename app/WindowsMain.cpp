// The Win32 entry point and the toolkit it gives the start-up: message boxes and the monitor's
// dialog.
#include "app/CommandEntry.h"
#include "platform/Toolkit.h"
#include "platform/windows/MonitorDialog.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsTrayIcon.h"

#include <commctrl.h>

#include <cstdio>

namespace tallyvolt::win {
namespace {

// Standard output and error that lead nowhere (a start from a console, which does not hand its
// handles to a program with a window) go to the parent's console; ones redirected to a file or
// a pipe are kept.
void UseParentConsole()
{
    const auto usable = [](DWORD which) {
        const HANDLE handle = ::GetStdHandle(which);
        return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
               ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    const bool output = usable(STD_OUTPUT_HANDLE);
    const bool error = usable(STD_ERROR_HANDLE);
    if ((output && error) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!output)
        (void)!std::freopen("CONOUT$", "w", stdout);
    if (!error)
        (void)!std::freopen("CONOUT$", "w", stderr);
}

class WindowsToolkit : public Toolkit
{
public:
    void ShowMessage(const char* message, MessageKind kind) override
    {
        std::fprintf(stderr, "tallyvolt: %s\n", message);
        // No box has a window of another process as its owner: a box disables its owner, and a
        // copy ended while its box is up (logoff, Task Manager) would leave the running copy's
        // window disabled for good, deaf to Close. MB_SETFOREGROUND keeps an ownerless box in
        // front.
        ::MessageBoxW(nullptr, Widen(message).c_str(), L"Tallyvolt",
                      MB_OK | MB_SETFOREGROUND |
                          (kind == MessageKind::Error ? MB_ICONSTOP : MB_ICONEXCLAMATION));
    }

    std::unique_ptr<TrayIcon> CreateTray(MonitorEvents&) override
    {
        auto tray = std::make_unique<WindowsTrayIcon>();
        m_tray = tray.get();
        return tray;
    }

    // `tray` is the icon CreateTray made, which the dialog drives as the Windows tray it is.
    void RunMonitorWindow(tallyvolt::MonitorEvents& dlg, TrayIcon&, SingleInstance&,
                          TerminationSignals*, const std::function<void()>& endRun) override
    {
        if (!m_tray)
            return;
        MonitorDialog dialog(dlg, *m_tray, endRun);
        dialog.Run();
    }

private:
    WindowsTrayIcon* m_tray = nullptr; // owned by the start-up, which outlives the window
};

} // namespace
} // namespace tallyvolt::win

int main(int argc, char** argv)
{
    // Started with options from a console, the program writes its help, version, messages and
    // records there (a program with a window has no console of its own). Without options it is
    // left alone: attached, a Ctrl+C in that console would end the window.
    if (argc > 1)
        tallyvolt::win::UseParentConsole();
    return tallyvolt::RunCommandLine(argc, argv, [] {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        tallyvolt::win::RegisterDialogClass(instance);
        tallyvolt::win::WindowsToolkit toolkit;
        return tallyvolt::StartInstance(toolkit);
    });
}
