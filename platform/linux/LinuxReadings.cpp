// The machine's own readings on Linux: sysfs power supplies and /proc/stat.
#include "platform/linux/ProcStatStatistic.h"
#include "platform/linux/SysfsPowerSource.h"

namespace tallyvolt {

std::unique_ptr<PowerSource> CreatePowerSource()
{
    return std::make_unique<SysfsPowerSource>("/sys/class/power_supply");
}

std::unique_ptr<ProcessorStatistic> CreateProcessorStatistic()
{
    return std::make_unique<ProcStatStatistic>("/proc/stat");
}

} // namespace tallyvolt
