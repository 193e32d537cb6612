// The parts of a run on Windows: GetSystemPowerStatus and GetSystemTimes readings, a named
// mutex for the one running copy, the log through CreateFileW, and the Shell_NotifyIcon tray.
// Logoff and shutdown reach the dialog itself (WM_ENDSESSION), so no other catcher is needed.
#include "app/Wiring.h"

#include "platform/windows/WindowsTrayIcon.h"
#include "resources/Resource.h"

namespace tallyvolt {

std::unique_ptr<TrayIcon> CreateTray(MonitorEvents&)
{
    return std::make_unique<win::WindowsTrayIcon>();
}

std::unique_ptr<TerminationSignals> CatchEndRequests()
{
    return nullptr;
}

} // namespace tallyvolt
