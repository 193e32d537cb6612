// The machine's own readings on Linux: sysfs power supplies and /proc/stat.
#include "platform/linux/ProcStatStatistic.h"
#include "platform/linux/SysfsPowerSource.h"
#include "platform/linux/UdevSupplyMonitor.h"

namespace tallyvolt {

std::unique_ptr<PowerSource> CreatePowerSource()
{
    // Followed by udev's events where udev runs; listed at every sample where it does not.
    return std::make_unique<SysfsPowerSource>("/sys/class/power_supply",
                                              UdevSupplyMonitor::Open("/run/udev"));
}

std::unique_ptr<ProcessorStatistic> CreateProcessorStatistic()
{
    return std::make_unique<ProcStatStatistic>("/proc/stat");
}

} // namespace tallyvolt
