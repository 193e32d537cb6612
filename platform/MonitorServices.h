// The platform readings and clock that the monitor samples, and the log files it writes.
#pragma once

#include "platform/Clock.h"
#include "platform/LogFile.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"

namespace tallyvolt {

struct MonitorServices
{
    Clock& clock;
    PowerSource& power;
    ProcessorStatistic& processor;
    LogFileFactory logFiles; // a new log file for each open
};

} // namespace tallyvolt
