// A StatusNotifierWatcher and host of the tests' own, on a private session bus: what a panel
// (KDE Plasma, waybar, GNOME's AppIndicator extension) does with a tray item, reduced to what
// the tests look at.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tallyvolt::test {

// A session bus of the test's own: dbus-daemon started with --session --nofork, ended (and
// waited for) by the destructor.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& Address() const { return m_address; }
    // A new connection to the bus (the caller unrefs it).
    GDBusConnection* Connect() const;

private:
    std::string m_address;
    int m_pid = -1;
};

// Pumps the thread's default GLib main context until `done` holds or `limit` passes; the result of
// the last `done`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// The watcher (org.kde.StatusNotifierWatcher at /StatusNotifierWatcher) together with one host
// registered with it, on a connection of its own. Items are tracked as the KDE watcher tracks
// them: registered by service name, dropped when that name leaves the bus.
class SniHost
{
public:
    // Connects to `busAddress`, owns the watcher name and, with `withHost`, registers a host,
    // so that IsStatusNotifierHostRegistered is true.
    explicit SniHost(const std::string& busAddress, bool withHost = true);
    // Gives up the name and closes the connection: to the items, the watcher is gone.
    ~SniHost();
    SniHost(const SniHost&) = delete;
    SniHost& operator=(const SniHost&) = delete;

    // "service/path" strings as the watcher's RegisteredStatusNotifierItems lists them.
    std::vector<std::string> Items() const;

    // Properties of the first registered item, read with org.freedesktop.DBus.Properties.GetAll
    // (the caller unrefs; nullptr when there is no item or the call fails).
    GVariant* ItemProperties() const;
    // How often each signal of the org.kde.StatusNotifierItem interface ("NewIcon",
    // "NewToolTip", ...) arrived from any item since the host started.
    int SignalCount(const std::string& name) const;

    // Calls a method of the first item: "Activate", "SecondaryActivate", "ContextMenu" (each
    // with x, y = 0, 0). False when there is no item or the call fails.
    bool Call(const std::string& method);

private:
    struct Item; // a registration: service, path, the name watch and, once known, the owner

    void Release();
    void OnMethodCall(const char* method, GVariant* parameters, GDBusMethodInvocation* invocation);
    GVariant* OnGetProperty(const char* name) const;
    void OnItemAppeared(Item& item, const char* owner);
    void OnItemVanished(Item& item);
    void OnHostVanished(const std::string& name);
    void OnItemSignal(const char* sender, const char* path, const char* member);
    void Emit(const char* signal, GVariant* parameters);
    bool HostRegistered() const { return m_withHost || !m_hosts.empty(); }
    // A call to the first registered item (nullptr when there is none or the call fails).
    GVariant* CallFirstItem(const char* interface, const char* method, GVariant* parameters,
                            const GVariantType* replyType) const;

    bool m_withHost;
    GDBusConnection* m_connection = nullptr;
    GDBusNodeInfo* m_nodeInfo = nullptr;
    guint m_objectId = 0;
    guint m_subscriptionId = 0;
    guint m_ownerId = 0;
    enum class NameState
    {
        waiting,
        owned,
        lost
    };
    NameState m_nameState = NameState::waiting;
    std::vector<std::unique_ptr<Item>> m_items; // in order of registration
    std::map<std::string, guint> m_hosts;       // other hosts' names and their watches
    std::map<std::string, int> m_signalCounts;
};

} // namespace tallyvolt::test
