// Power-supply events from udev's netlink monitor.
#include "platform/linux/UdevSupplyMonitor.h"

#include <libudev.h>
#include <unistd.h>

namespace tallyvolt {

std::unique_ptr<UdevSupplyMonitor> UdevSupplyMonitor::Open(const std::string& udevRuntime)
{
    // Without a running udev nothing is passed on: libudev then quietly leaves a monitor deaf
    // (containers), and a deaf monitor would hide every supply that comes or goes. The control
    // socket is what libudev's own udev_queue_get_udev_is_active() looks for.
    if (::access((udevRuntime + "/control").c_str(), F_OK) != 0)
        return nullptr;
    struct udev* context = udev_new();
    if (!context)
        return nullptr;
    // "udev": events once udev has handled them, so a supply's files are in place when told.
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "power_supply", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<UdevSupplyMonitor>(new UdevSupplyMonitor(context, monitor));
}

UdevSupplyMonitor::UdevSupplyMonitor(struct udev* context, udev_monitor* monitor)
    : m_context(context), m_monitor(monitor)
{
}

UdevSupplyMonitor::~UdevSupplyMonitor()
{
    udev_monitor_unref(m_monitor);
    udev_unref(m_context);
}

int UdevSupplyMonitor::Handle() const
{
    return udev_monitor_get_fd(m_monitor);
}

void UdevSupplyMonitor::Take()
{
    // The monitor's socket is non-blocking: this ends when the queue is empty (or with the
    // ENOBUFS of an overflow). The filter has let only power supplies through, so what each
    // event says is not needed.
    while (udev_device* device = udev_monitor_receive_device(m_monitor))
        udev_device_unref(device);
}

} // namespace tallyvolt
