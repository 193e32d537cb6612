// The power state read from the kernel's power-supply class in sysfs.
#pragma once

#include "platform/PowerSource.h"
#include "platform/linux/Descriptor.h"
#include "platform/linux/UdevSupplyMonitor.h"

#include <dirent.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace tallyvolt {

// Reads the supplies under a folder shaped like /sys/class/power_supply (the folder itself and
// each supply's uevent stay open between calls). Without events it lists the folder afresh on
// every call; followed by udev's events, it lists it only after one, and a sample reads only
// each battery's uevent.
// Counts only the system's own batteries (type Battery, present, scope not Device); the
// charge is energy-weighted across them, or the mean of their percentages where they report
// in different units. Not for use from two threads at once: the read buffers are shared.
class SysfsPowerSource : public PowerSource
{
public:
    // What a listing found of line power: supplies counted, any of them on line, any unknown.
    struct LineSupplies
    {
        int count = 0;
        bool online = false;
        bool unknown = false;
    };

    // `root` holds one folder (or link to one) per supply, normally /sys/class/power_supply.
    // `events` (may be null) announces the kernel's supplies coming, going and changing.
    explicit SysfsPowerSource(std::string root,
                              std::unique_ptr<UdevSupplyMonitor> events = nullptr);
    ~SysfsPowerSource() override;
    SysfsPowerSource(const SysfsPowerSource&) = delete;
    SysfsPowerSource& operator=(const SysfsPowerSource&) = delete;

    // Whole charge in percent rounded down, the BatteryFlag bits and the AC line; 255 where a
    // value cannot be known (an unreadable root gives 255 in all three).
    PowerStatus Read() override;
    // The events' descriptor, where there are events and the root is on sysfs; -1 otherwise.
    int WatchChanges() override;
    void TakeChanges() override;

private:
    // One supply's uevent kept open between calls, with the scan that last saw it listed.
    struct OpenUevent
    {
        std::string name;
        Descriptor fd;
        unsigned scan = 0;
        bool battery = false; // counted as a battery by the last listing
    };

    PowerStatus ReadListing();
    // The kept batteries with the line power of the last listing; nullopt where one of them
    // cannot be read as a battery any more.
    std::optional<PowerStatus> ReadKeptBatteries();
    // The uevent of the supply `name` in the root, or nullopt when it cannot be read; valid
    // until the next read. `kept` points to its entry in m_uevents (null where there is none).
    std::optional<std::string_view> ReadUevent(const char* name, OpenUevent*& kept);
    // The file behind `fd` from its start into m_ueventBuffer.
    std::optional<std::string_view> ReadWhole(int fd);

    std::string m_root;
    std::unique_ptr<UdevSupplyMonitor> m_events;
    bool m_following = false;    // the events are watched: listings only after one
    bool m_listingDue = true;    // an event came, or the last listing left something unkept
    LineSupplies m_lines;        // line power as the last listing found it
    DIR* m_folder = nullptr;     // the root, open between calls
    struct stat m_folderId = {}; // which folder m_folder is: a replaced root is opened afresh
    std::vector<OpenUevent> m_uevents;
    unsigned m_scan = 0;
    std::vector<char> m_ueventBuffer;    // one supply's uevent, kept while that supply is read
    std::vector<char> m_attributeBuffer; // one attribute file, for keys the uevent lacks
};

} // namespace tallyvolt
