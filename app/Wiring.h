// The parts of a run that differ in kind from system to system: the tray and the catcher of
// requests to end. The start-up code asks for them here; one source file per system implements
// these functions. (The readers, the claim and the log files are the platform library's own.)
#pragma once

#include "platform/Clock.h"
#include "platform/LogFile.h"
#include "platform/MonitorEvents.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayIcon.h"

#include <memory>
#include <string>

namespace tallyvolt {

// The tray icon of `monitor`'s window: the desktop's trays, whichever takes the icon. Made once
// the toolkit runs; presses on the icon reach `monitor`.
std::unique_ptr<TrayIcon> CreateTray(MonitorEvents& monitor);
// Requests to end the run from outside (logout, kill), or null where none can be caught.
std::unique_ptr<TerminationSignals> CatchEndRequests();

} // namespace tallyvolt
