#include "sni/SniHost.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace tallyvolt::test {

namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr int kCallTimeoutMs = 5000;
constexpr std::chrono::milliseconds kWaitLimit{6000};

constexpr const char* kWatcherXml = R"(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>)";

[[noreturn]] void Fail(const std::string& what, GError* error)
{
    std::string message = what;
    if (error != nullptr) {
        message += ": ";
        message += error->message;
        g_error_free(error);
    }
    throw std::runtime_error(message);
}

GDBusConnection* ConnectTo(const std::string& address)
{
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (connection == nullptr)
        Fail("cannot connect to " + address, error);
    return connection;
}

// The reply to a call (nullptr on an error or no answer). The call is made asynchronously
// and the default main context pumped meanwhile: an item living in this process answers only
// from that context, so a sync call would wait for itself.
GVariant* CallAndWait(GDBusConnection* connection, const char* destination, const char* path,
                      const char* interface, const char* method, GVariant* parameters,
                      const GVariantType* replyType)
{
    struct Reply
    {
        bool done = false;
        GVariant* value = nullptr;
    };
    auto reply = std::make_shared<Reply>();
    g_dbus_connection_call(
        connection, destination, path, interface, method, parameters, replyType,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* held = static_cast<std::shared_ptr<Reply>*>(data);
            (*held)->value =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
            (*held)->done = true;
            // Nobody waits any more when the caller gave up: the reply is ours to drop.
            if (held->use_count() == 1 && (*held)->value != nullptr)
                g_variant_unref((*held)->value);
            delete held;
        },
        new std::shared_ptr<Reply>(reply));
    if (!PumpUntil([&reply] { return reply->done; }, kWaitLimit))
        return nullptr;
    return reply->value;
}

} // namespace

PrivateBus::PrivateBus()
{
    std::string args[] = {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    GError* error = nullptr;
    int out = -1;
    if (!g_spawn_async_with_pipes(
            nullptr, argv.data(), nullptr,
            static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr,
            nullptr, &m_pid, nullptr, &out, nullptr, &error))
        Fail("cannot start dbus-daemon", error);

    // The daemon prints its address once it listens: one line.
    std::string line;
    char c = 0;
    pollfd ready{out, POLLIN, 0};
    while (poll(&ready, 1, 10000) == 1 && read(out, &c, 1) == 1 && c != '\n')
        line += c;
    close(out);
    if (c != '\n' || line.empty()) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        throw std::runtime_error("dbus-daemon printed no address");
    }
    m_address = line;
}

PrivateBus::~PrivateBus()
{
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

GDBusConnection* PrivateBus::Connect() const
{
    return ConnectTo(m_address);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // The thread's own context where it pushed one (a panel in a thread of its own).
    GMainContext* context = g_main_context_ref_thread_default();
    bool held = false;
    for (;;) {
        if ((held = done()) || std::chrono::steady_clock::now() >= deadline)
            break;
        if (!g_main_context_iteration(context, FALSE))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    g_main_context_unref(context);
    return held;
}

struct SniHost::Item
{
    SniHost* host;
    std::string service;
    std::string path;
    std::string owner; // empty until the bus has told who owns the service
    guint watch = 0;
    // Registrations answered once the owner is known, so that a registered item is listed.
    std::vector<GDBusMethodInvocation*> waiting;

    std::string Key() const { return service + path; }
};

SniHost::SniHost(const std::string& busAddress, bool withHost)
    : m_withHost(withHost), m_connection(ConnectTo(busAddress))
{
    static const GDBusInterfaceVTable vtable{
        [](GDBusConnection*, const char*, const char*, const char*, const char* method,
           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
            static_cast<SniHost*>(self)->OnMethodCall(method, parameters, invocation);
        },
        [](GDBusConnection*, const char*, const char*, const char*, const char* property, GError**,
           gpointer self) { return static_cast<const SniHost*>(self)->OnGetProperty(property); },
        nullptr,
        {}};

    GError* error = nullptr;
    m_nodeInfo = g_dbus_node_info_new_for_xml(kWatcherXml, &error);
    if (m_nodeInfo != nullptr)
        m_objectId = g_dbus_connection_register_object(
            m_connection, kWatcherPath, m_nodeInfo->interfaces[0], &vtable, this, nullptr, &error);
    if (m_objectId == 0) {
        Release();
        Fail("cannot export the watcher", error);
    }

    // Signals of every item: counted only when they come from a registered one.
    m_subscriptionId = g_dbus_connection_signal_subscribe(
        m_connection, nullptr, kItemInterface, nullptr, nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char* sender, const char* path, const char*, const char* member,
           GVariant*,
           gpointer self) { static_cast<SniHost*>(self)->OnItemSignal(sender, path, member); },
        this, nullptr);

    m_ownerId = g_bus_own_name_on_connection(
        m_connection, kWatcherName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
        [](GDBusConnection*, const char*, gpointer self) {
            static_cast<SniHost*>(self)->m_nameState = NameState::owned;
        },
        [](GDBusConnection*, const char*, gpointer self) {
            static_cast<SniHost*>(self)->m_nameState = NameState::lost;
        },
        this, nullptr);
    PumpUntil([this] { return m_nameState != NameState::waiting; }, kWaitLimit);
    if (m_nameState != NameState::owned) {
        Release();
        throw std::runtime_error(std::string("cannot own ") + kWatcherName +
                                 " (another watcher on the bus?)");
    }
    // As a panel does: its host registers as soon as the watcher is up.
    if (m_withHost)
        Emit("StatusNotifierHostRegistered", nullptr);
}

SniHost::~SniHost()
{
    Release();
    // Let items of this process see the watcher leave before the test goes on.
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
}

void SniHost::Release()
{
    for (auto& item : m_items) {
        g_bus_unwatch_name(item->watch);
        for (GDBusMethodInvocation* invocation : item->waiting)
            g_dbus_method_invocation_return_dbus_error(
                invocation, "org.freedesktop.DBus.Error.Failed", "The watcher is closing");
    }
    m_items.clear();
    for (const auto& host : m_hosts)
        g_bus_unwatch_name(host.second);
    m_hosts.clear();
    // Releases the name with a call the bus answers: once this returns, the name is free.
    if (m_ownerId != 0)
        g_bus_unown_name(m_ownerId);
    if (m_subscriptionId != 0)
        g_dbus_connection_signal_unsubscribe(m_connection, m_subscriptionId);
    if (m_objectId != 0)
        g_dbus_connection_unregister_object(m_connection, m_objectId);
    if (m_nodeInfo != nullptr)
        g_dbus_node_info_unref(m_nodeInfo);
    g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
    g_object_unref(m_connection);
    m_ownerId = m_subscriptionId = m_objectId = 0;
    m_nodeInfo = nullptr;
    m_connection = nullptr;
}

void SniHost::OnMethodCall(const char* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation)
{
    const char* arg = nullptr;
    g_variant_get(parameters, "(&s)", &arg);
    const std::string name = arg;
    const auto invalid = [invocation, &name] {
        g_dbus_method_invocation_return_dbus_error(invocation,
                                                   "org.freedesktop.DBus.Error.InvalidArgs",
                                                   ("Not a bus name or path: " + name).c_str());
    };

    if (g_strcmp0(method, "RegisterStatusNotifierHost") == 0) {
        if (!g_dbus_is_name(arg))
            return invalid();
        const bool before = HostRegistered();
        if (m_hosts.count(name) == 0)
            m_hosts[name] = g_bus_watch_name_on_connection(
                m_connection, arg, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                [](GDBusConnection*, const char* host, gpointer self) {
                    static_cast<SniHost*>(self)->OnHostVanished(host);
                },
                this, nullptr);
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (!before)
            Emit("StatusNotifierHostRegistered", nullptr);
        return;
    }

    // RegisterStatusNotifierItem: a bus name (the item is at /StatusNotifierItem there) or a
    // path on the caller's own connection.
    std::string service = name;
    std::string path = kItemPath;
    if (arg[0] == '/') {
        if (!g_variant_is_object_path(arg))
            return invalid();
        service = g_dbus_method_invocation_get_sender(invocation);
        path = name;
    } else if (!g_dbus_is_name(arg)) {
        return invalid();
    }
    const auto found = std::find_if(m_items.begin(), m_items.end(), [&](const auto& item) {
        return item->service == service && item->path == path;
    });
    if (found != m_items.end() && !(*found)->owner.empty()) {
        g_dbus_method_invocation_return_value(invocation, nullptr);
        return;
    }
    if (found != m_items.end()) {
        (*found)->waiting.push_back(invocation);
        return;
    }
    m_items.push_back(std::unique_ptr<Item>(new Item{this, service, path, {}, 0, {invocation}}));
    m_items.back()->watch = g_bus_watch_name_on_connection(
        m_connection, service.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char* owner, gpointer data) {
            auto* item = static_cast<Item*>(data);
            item->host->OnItemAppeared(*item, owner);
        },
        [](GDBusConnection*, const char*, gpointer data) {
            auto* item = static_cast<Item*>(data);
            item->host->OnItemVanished(*item);
        },
        m_items.back().get(), nullptr);
}

GVariant* SniHost::OnGetProperty(const char* name) const
{
    if (g_strcmp0(name, "RegisteredStatusNotifierItems") == 0) {
        GVariantBuilder items;
        g_variant_builder_init(&items, G_VARIANT_TYPE_STRING_ARRAY);
        for (const std::string& item : Items())
            g_variant_builder_add(&items, "s", item.c_str());
        return g_variant_builder_end(&items);
    }
    if (g_strcmp0(name, "IsStatusNotifierHostRegistered") == 0)
        return g_variant_new_boolean(HostRegistered());
    return g_variant_new_int32(0); // ProtocolVersion
}

void SniHost::OnItemAppeared(Item& item, const char* owner)
{
    item.owner = owner;
    Emit("StatusNotifierItemRegistered", g_variant_new("(s)", item.Key().c_str()));
    for (GDBusMethodInvocation* invocation : item.waiting)
        g_dbus_method_invocation_return_value(invocation, nullptr);
    item.waiting.clear();
}

void SniHost::OnItemVanished(Item& item)
{
    for (GDBusMethodInvocation* invocation : item.waiting)
        g_dbus_method_invocation_return_dbus_error(invocation,
                                                   "org.freedesktop.DBus.Error.ServiceUnknown",
                                                   ("Nobody owns " + item.service).c_str());
    if (!item.owner.empty())
        Emit("StatusNotifierItemUnregistered", g_variant_new("(s)", item.Key().c_str()));
    g_bus_unwatch_name(item.watch);
    m_items.erase(std::find_if(m_items.begin(), m_items.end(),
                               [&item](const auto& held) { return held.get() == &item; }));
}

void SniHost::OnHostVanished(const std::string& name)
{
    const auto found = m_hosts.find(name);
    if (found == m_hosts.end())
        return;
    g_bus_unwatch_name(found->second);
    m_hosts.erase(found);
    if (!HostRegistered())
        Emit("StatusNotifierHostUnregistered", nullptr);
}

void SniHost::OnItemSignal(const char* sender, const char* path, const char* member)
{
    for (const auto& item : m_items) {
        if (item->owner == sender && item->path == path) {
            ++m_signalCounts[member];
            return;
        }
    }
}

void SniHost::Emit(const char* signal, GVariant* parameters)
{
    g_dbus_connection_emit_signal(m_connection, nullptr, kWatcherPath, kWatcherInterface, signal,
                                  parameters, nullptr);
}

std::vector<std::string> SniHost::Items() const
{
    std::vector<std::string> items;
    for (const auto& item : m_items)
        if (!item->owner.empty())
            items.push_back(item->Key());
    return items;
}

GVariant* SniHost::CallFirstItem(const char* interface, const char* method, GVariant* parameters,
                                 const GVariantType* replyType) const
{
    for (const auto& item : m_items)
        if (!item->owner.empty())
            return CallAndWait(m_connection, item->service.c_str(), item->path.c_str(), interface,
                               method, parameters, replyType);
    g_variant_unref(g_variant_ref_sink(parameters));
    return nullptr;
}

GVariant* SniHost::ItemProperties() const
{
    GVariant* reply =
        CallFirstItem("org.freedesktop.DBus.Properties", "GetAll",
                      g_variant_new("(s)", kItemInterface), G_VARIANT_TYPE("(a{sv})"));
    if (reply == nullptr)
        return nullptr;
    GVariant* properties = g_variant_get_child_value(reply, 0);
    g_variant_unref(reply);
    return properties;
}

int SniHost::SignalCount(const std::string& name) const
{
    const auto found = m_signalCounts.find(name);
    return found == m_signalCounts.end() ? 0 : found->second;
}

bool SniHost::Call(const std::string& method)
{
    GVariant* reply =
        CallFirstItem(kItemInterface, method.c_str(), g_variant_new("(ii)", 0, 0), nullptr);
    if (reply == nullptr)
        return false;
    g_variant_unref(reply);
    return true;
}

} // namespace tallyvolt::test
