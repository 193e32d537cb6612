// The power state read from the kernel's power-supply class in sysfs.
#pragma once

#include "platform/PowerSource.h"

#include <dirent.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>

#include "platform/linux/Descriptor.h"
#include <string>
#include <vector>

namespace tallyvolt {

// Reads the supplies under a folder shaped like /sys/class/power_supply afresh on every call
// (the folder itself stays open between calls).
// Counts only the system's own batteries (type Battery, present, scope not Device); the
// charge is energy-weighted across them, or the mean of their percentages where they report
// in different units. Not for use from two threads at once: the read buffers are shared.
class SysfsPowerSource : public PowerSource
{
public:
    // `root` holds one folder (or link to one) per supply, normally /sys/class/power_supply.
    explicit SysfsPowerSource(std::string root);
    ~SysfsPowerSource() override;
    SysfsPowerSource(const SysfsPowerSource&) = delete;
    SysfsPowerSource& operator=(const SysfsPowerSource&) = delete;

    // Whole charge in percent rounded down, the BatteryFlag bits and the AC line; 255 where a
    // value cannot be known (an unreadable root gives 255 in all three).
    PowerStatus Read() override;

private:
    // One supply's uevent kept open between calls, with the scan that last saw it listed.
    struct OpenUevent
    {
        std::string name;
        Descriptor fd;
        unsigned scan = 0;
    };

    // The uevent of the supply `name` in the root, or nullopt when it cannot be read; valid
    // until the next read.
    std::optional<std::string_view> ReadUevent(const char* name);

    std::string m_root;
    DIR* m_folder = nullptr; // the root, open between calls
    struct stat m_folderId = {}; // which folder m_folder is: a replaced root is opened afresh
    std::vector<OpenUevent> m_uevents;
    unsigned m_scan = 0;
    std::vector<char> m_ueventBuffer;    // one supply's uevent, kept while that supply is read
    std::vector<char> m_attributeBuffer; // one attribute file, for keys the uevent lacks
};

} // namespace tallyvolt
