// The platform readings and clock that the monitor samples.
#pragma once

#include "platform/Clock.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"

namespace tallyvolt {

struct MonitorServices
{
    Clock& clock;
    PowerSource& power;
    ProcessorStatistic& processor;
};

} // namespace tallyvolt
