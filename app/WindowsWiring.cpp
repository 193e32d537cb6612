// The parts of a run on Windows: GetSystemPowerStatus and GetSystemTimes readings, a named
// mutex for the one running copy, the log through CreateFileW, and the Shell_NotifyIcon tray.
// Logoff and shutdown reach the dialog itself (WM_ENDSESSION), so no other catcher is needed.
#include "app/Wiring.h"

#include "platform/Paths.h"
#include "platform/windows/WindowsTrayIcon.h"
#include "resources/Resource.h"

namespace tallyvolt {

RunParts CreateRunParts()
{
    RunParts parts;
    parts.instance = CreateSingleInstance();
    parts.clock = CreateSystemClock();
    parts.power = CreatePowerSource();
    parts.processor = CreateProcessorStatistic();
    parts.logFiles = &CreateLogFile;
    parts.settingsPath = JoinPath(CurrentDirectory(), text::kSettingsFileName);
    parts.defaultLogPath = DefaultLogPath();
    return parts;
}

std::unique_ptr<TrayIcon> CreateTray(CTallyvoltDlg&)
{
    return std::make_unique<win::WindowsTrayIcon>();
}

std::unique_ptr<TerminationSignals> CatchEndRequests()
{
    return nullptr;
}

} // namespace tallyvolt
