// The power state read from the kernel's power-supply class in sysfs.
#pragma once

#include "platform/PowerSource.h"

#include <string>
#include <vector>

namespace tallyvolt {

// Reads the supplies under a folder shaped like /sys/class/power_supply afresh on every call.
// Counts only the system's own batteries (type Battery, present, scope not Device); the
// charge is energy-weighted across them, or the mean of their percentages where they report
// in different units. Not for use from two threads at once: the read buffers are shared.
class SysfsPowerSource : public PowerSource
{
public:
    // `root` holds one folder (or link to one) per supply, normally /sys/class/power_supply.
    explicit SysfsPowerSource(std::string root);

    // Whole charge in percent rounded down, the BatteryFlag bits and the AC line; 255 where a
    // value cannot be known (an unreadable root gives 255 in all three).
    PowerStatus Read() override;

private:
    std::string m_root;
    std::vector<char> m_ueventBuffer;    // one supply's uevent, kept while that supply is read
    std::vector<char> m_attributeBuffer; // one attribute file, for keys the uevent lacks
};

} // namespace tallyvolt
