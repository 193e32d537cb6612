// The platform parts of a run, as the system the program is built for provides them. The
// start-up code asks for them here; one source file per system implements these functions.
#pragma once

#include "platform/Clock.h"
#include "platform/LogFile.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayIcon.h"

#include <memory>
#include <string>

class CTallyvoltDlg;

namespace tallyvolt {

struct RunParts
{
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<PowerSource> power;
    std::unique_ptr<ProcessorStatistic> processor;
    LogFileFactory logFiles;
    std::string settingsPath;   // the settings file in the current folder
    std::string defaultLogPath; // the log when the settings name none
};

// The parts that exist before the settings are read.
RunParts CreateRunParts();
// The tray icon of `dlg`'s window: the desktop's trays, whichever takes the icon. Made once the
// toolkit runs; presses on the icon reach `dlg`.
std::unique_ptr<TrayIcon> CreateTray(CTallyvoltDlg& dlg);
// Requests to end the run from outside (logout, kill), or null where none can be caught.
std::unique_ptr<TerminationSignals> CatchEndRequests();

} // namespace tallyvolt
