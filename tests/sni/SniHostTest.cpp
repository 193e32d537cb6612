// The tray watcher and host the tray item's tests rely on, checked against a bare item made
// here with GDBus: registration by name and by path, properties, calls, signals, an item that
// leaves, and a watcher that restarts.
#include "sni/SniHost.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

using namespace tallyvolt::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kItemXml = R"(<node>
  <interface name="org.kde.StatusNotifierItem">
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <property name="Id" type="s" access="read"/>
  </interface>
</node>)";

// The reply to a call made while pumping (the watcher answers from this process), or nullptr.
GVariant* CallAndWait(GDBusConnection* connection, const char* destination, const char* path,
                      const char* interface, const char* method, GVariant* parameters)
{
    struct Reply
    {
        bool done = false;
        GVariant* value = nullptr;
    };
    Reply reply;
    g_dbus_connection_call(
        connection, destination, path, interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, 3000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* into = static_cast<Reply*>(data);
            into->value = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
            into->done = true;
        },
        &reply);
    // The call times out before the pump does, so the reply always lands while `reply` lives.
    if (!PumpUntil([&reply] { return reply.done; }, 10s))
        throw std::runtime_error("no answer to a call");
    return reply.value;
}

// A tray item reduced to an Id and Activate, on a connection of its own.
class BareItem
{
public:
    explicit BareItem(const PrivateBus& bus)
        : m_connection(bus.Connect()),
          m_name("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1")
    {
        static const GDBusInterfaceVTable vtable{
            [](GDBusConnection*, const char*, const char*, const char*, const char* method,
               GVariant*, GDBusMethodInvocation* invocation, gpointer self) {
                if (g_strcmp0(method, "Activate") == 0)
                    static_cast<BareItem*>(self)->activated = true;
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            [](GDBusConnection*, const char*, const char*, const char*, const char*, GError**,
               gpointer) { return g_variant_new_string("tallyvolt-check"); },
            nullptr,
            {}};
        m_info = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
        m_objectId = g_dbus_connection_register_object(m_connection, "/StatusNotifierItem",
                                                       m_info->interfaces[0], &vtable, this,
                                                       nullptr, nullptr);
        m_watcherSignals = g_dbus_connection_signal_subscribe(
            m_connection, "org.kde.StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", nullptr,
            "/StatusNotifierWatcher", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const char*, const char*, const char*, const char* member,
               GVariant*,
               gpointer self) { static_cast<BareItem*>(self)->watcherSignals.push_back(member); },
            this, nullptr);
    }
    ~BareItem()
    {
        ReleaseName();
        g_dbus_connection_signal_unsubscribe(m_connection, m_watcherSignals);
        g_dbus_connection_unregister_object(m_connection, m_objectId);
        g_dbus_node_info_unref(m_info);
        g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
        g_object_unref(m_connection);
    }
    BareItem(const BareItem&) = delete;
    BareItem& operator=(const BareItem&) = delete;

    const std::string& Name() const { return m_name; }
    std::string UniqueName() const { return g_dbus_connection_get_unique_name(m_connection); }
    GDBusConnection* Connection() const { return m_connection; }

    bool OwnName()
    {
        m_ownerId = g_bus_own_name_on_connection(
            m_connection, m_name.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
            [](GDBusConnection*, const char*, gpointer self) {
                static_cast<BareItem*>(self)->m_owned = true;
            },
            nullptr, this, nullptr);
        return PumpUntil([this] { return m_owned; }, 5s);
    }
    void ReleaseName()
    {
        if (m_ownerId != 0)
            g_bus_unown_name(m_ownerId);
        m_ownerId = 0;
    }

    // RegisterStatusNotifierItem (or `method`) with `service`: true when the watcher accepted it.
    bool Register(const std::string& service, const char* method = "RegisterStatusNotifierItem")
    {
        GVariant* reply = CallAndWait(m_connection, "org.kde.StatusNotifierWatcher",
                                      "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                      method, g_variant_new("(s)", service.c_str()));
        if (reply != nullptr)
            g_variant_unref(reply);
        return reply != nullptr;
    }

    // A property of the watcher as an item reads it (the caller unrefs; nullptr on failure).
    GVariant* WatcherProperty(const char* name) const
    {
        GVariant* reply =
            CallAndWait(m_connection, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                        "org.freedesktop.DBus.Properties", "Get",
                        g_variant_new("(ss)", "org.kde.StatusNotifierWatcher", name));
        if (reply == nullptr)
            return nullptr;
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }

    bool WatcherFlag(const char* name) const
    {
        GVariant* value = WatcherProperty(name);
        if (value == nullptr)
            throw std::runtime_error(std::string("cannot read ") + name);
        const bool flag = g_variant_get_boolean(value);
        g_variant_unref(value);
        return flag;
    }

    void Emit(const char* path, const char* signal)
    {
        g_dbus_connection_emit_signal(m_connection, nullptr, path, "org.kde.StatusNotifierItem",
                                      signal, nullptr, nullptr);
    }

    bool activated = false;
    std::vector<std::string> watcherSignals;

private:
    GDBusConnection* m_connection;
    std::string m_name;
    GDBusNodeInfo* m_info = nullptr;
    guint m_objectId = 0;
    guint m_watcherSignals = 0;
    guint m_ownerId = 0;
    bool m_owned = false;
};

bool Seen(const std::vector<std::string>& signals, const std::string& name)
{
    return std::find(signals.begin(), signals.end(), name) != signals.end();
}

class SniHostTest : public ::testing::Test
{
protected:
    PrivateBus m_bus;
};

} // namespace

TEST_F(SniHostTest, AnItemRegisteredByNameIsListedReadCalledAndHeard)
{
    SniHost host(m_bus.Address());
    BareItem item(m_bus);
    ASSERT_TRUE(item.OwnName());
    ASSERT_TRUE(item.Register(item.Name()));
    ASSERT_TRUE(item.Register(item.Name())); // twice: still one item

    const std::string listed = item.Name() + "/StatusNotifierItem";
    EXPECT_EQ(host.Items(), std::vector<std::string>{listed});
    GVariant* onBus = item.WatcherProperty("RegisteredStatusNotifierItems");
    ASSERT_NE(onBus, nullptr);
    gsize count = 0;
    const char** strings = g_variant_get_strv(onBus, &count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(strings[0], listed);
    g_free(strings);
    g_variant_unref(onBus);
    EXPECT_TRUE(
        PumpUntil([&] { return Seen(item.watcherSignals, "StatusNotifierItemRegistered"); }, 2s));

    GVariant* properties = host.ItemProperties();
    ASSERT_NE(properties, nullptr);
    const char* id = nullptr;
    EXPECT_TRUE(g_variant_lookup(properties, "Id", "&s", &id));
    EXPECT_STREQ(id, "tallyvolt-check");
    g_variant_unref(properties);

    EXPECT_TRUE(host.Call("Activate"));
    EXPECT_TRUE(item.activated);
    EXPECT_FALSE(host.Call("ContextMenu")); // not on this item: the error comes back as false

    // A signal from another path of the item's connection is no item's, and is not counted; it
    // arrives before the tooltip's, so it would have been counted by then.
    item.Emit("/Elsewhere", "NewIcon");
    item.Emit("/StatusNotifierItem", "NewToolTip");
    EXPECT_TRUE(PumpUntil([&] { return host.SignalCount("NewToolTip") == 1; }, 2s));
    EXPECT_EQ(host.SignalCount("NewIcon"), 0);
}

TEST_F(SniHostTest, AnItemWhoseNameLeavesIsDropped)
{
    SniHost host(m_bus.Address());
    BareItem item(m_bus);
    ASSERT_TRUE(item.OwnName());
    ASSERT_TRUE(item.Register(item.Name()));
    ASSERT_EQ(host.Items().size(), 1u);

    item.ReleaseName();
    EXPECT_TRUE(PumpUntil([&] { return host.Items().empty(); }, 2s));
    EXPECT_TRUE(
        PumpUntil([&] { return Seen(item.watcherSignals, "StatusNotifierItemUnregistered"); }, 2s));
    EXPECT_EQ(host.ItemProperties(), nullptr);
    EXPECT_FALSE(host.Call("Activate"));
    EXPECT_FALSE(item.activated);
}

TEST_F(SniHostTest, ANameNobodyOwnsOrAMalformedOneIsRefused)
{
    SniHost host(m_bus.Address());
    BareItem item(m_bus);
    EXPECT_FALSE(item.Register(item.Name()));
    EXPECT_FALSE(item.Register("not a name"));
    EXPECT_FALSE(item.Register("/not//a/path"));
    EXPECT_TRUE(host.Items().empty());
}

TEST_F(SniHostTest, AnItemRegisteredByPathIsListedUnderItsUniqueName)
{
    SniHost host(m_bus.Address());
    BareItem item(m_bus);
    ASSERT_TRUE(item.Register("/StatusNotifierItem"));
    EXPECT_EQ(host.Items(), std::vector<std::string>{item.UniqueName() + "/StatusNotifierItem"});
    EXPECT_TRUE(host.Call("Activate"));
    EXPECT_TRUE(item.activated);
    item.Emit("/StatusNotifierItem", "NewStatus");
    EXPECT_TRUE(PumpUntil([&] { return host.SignalCount("NewStatus") == 1; }, 2s));
}

TEST_F(SniHostTest, TheWatcherNameIsHeldOnceAndFreedByTheDestructor)
{
    BareItem item(m_bus);
    bool watcherUp = false;
    const guint watch = g_bus_watch_name_on_connection(
        item.Connection(), "org.kde.StatusNotifierWatcher", G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, gpointer up) {
            *static_cast<bool*>(up) = true;
        },
        [](GDBusConnection*, const char*, gpointer up) { *static_cast<bool*>(up) = false; },
        &watcherUp, nullptr);

    auto first = std::make_unique<SniHost>(m_bus.Address());
    EXPECT_THROW(SniHost{m_bus.Address()}, std::runtime_error);
    ASSERT_TRUE(PumpUntil([&] { return watcherUp; }, 2s));
    ASSERT_TRUE(item.OwnName());
    ASSERT_TRUE(item.Register(item.Name()));

    first.reset();
    EXPECT_FALSE(watcherUp); // seen gone by the time the destructor returns
    g_bus_unwatch_name(watch);

    SniHost second(m_bus.Address());
    EXPECT_TRUE(second.Items().empty());
    ASSERT_TRUE(item.Register(item.Name()));
    EXPECT_EQ(second.Items(), std::vector<std::string>{item.Name() + "/StatusNotifierItem"});
}

TEST_F(SniHostTest, TheHostIsRegisteredOnlyWhenAskedForOrWhileAnotherHostIsOnTheBus)
{
    {
        SniHost host(m_bus.Address(), false);
        BareItem item(m_bus);
        EXPECT_FALSE(item.WatcherFlag("IsStatusNotifierHostRegistered"));
        GVariant* version = item.WatcherProperty("ProtocolVersion");
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(g_variant_get_int32(version), 0);
        g_variant_unref(version);

        // Another host, here under the item's name, counts until its name leaves.
        ASSERT_TRUE(item.OwnName());
        ASSERT_TRUE(item.Register(item.Name(), "RegisterStatusNotifierHost"));
        EXPECT_TRUE(item.WatcherFlag("IsStatusNotifierHostRegistered"));
        item.ReleaseName();
        EXPECT_TRUE(PumpUntil(
            [&] { return Seen(item.watcherSignals, "StatusNotifierHostUnregistered"); }, 2s));
        EXPECT_FALSE(item.WatcherFlag("IsStatusNotifierHostRegistered"));
    }
    SniHost host(m_bus.Address());
    BareItem item(m_bus);
    EXPECT_TRUE(item.WatcherFlag("IsStatusNotifierHostRegistered"));
}
