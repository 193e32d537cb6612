// The part of a run that differs in kind from system to system: the catcher of requests to end.
// The start-up code asks for it here; one source file per system implements it. (The readers,
// the claim and the log files are the platform library's own; the tray is the toolkit's.)
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

namespace tallyvolt {

// Requests to end the run from outside (logout, kill), or null where none can be caught.
std::unique_ptr<TerminationSignals> CatchEndRequests();

} // namespace tallyvolt
