// The kernel's power-supply events as udev passes them on: supplies added, removed or changed.
#pragma once

#include <memory>
#include <string>

struct udev;
struct udev_monitor;

namespace tallyvolt {

class UdevSupplyMonitor
{
public:
    // A monitor of the power_supply subsystem, already receiving, or null where no events can
    // come: udev not running (no `control` socket in `udevRuntime`, normally /run/udev), or
    // no monitor to be had (no netlink in a sandbox).
    static std::unique_ptr<UdevSupplyMonitor> Open(const std::string& udevRuntime);
    ~UdevSupplyMonitor();
    UdevSupplyMonitor(const UdevSupplyMonitor&) = delete;
    UdevSupplyMonitor& operator=(const UdevSupplyMonitor&) = delete;

    // A descriptor that becomes readable when events are waiting.
    int Handle() const;
    // Consumes what is waiting: events, or the error of a queue that overflowed and lost some.
    void Take();

private:
    UdevSupplyMonitor(struct udev* context, udev_monitor* monitor);

    struct udev* m_context;
    udev_monitor* m_monitor;
};

} // namespace tallyvolt
