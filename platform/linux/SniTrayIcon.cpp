// The StatusNotifierItem on the session bus, over GDBus.
#include "platform/linux/SniTrayIcon.h"

#include "resources/Resource.h"
#include "tray/TrayGlyph.h"

#include <gio/gio.h>
#include <unistd.h>

#include <atomic>

namespace tallyvolt {
namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";

constexpr const char* kItemXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <method name="ContextMenu">
      <arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/>
    </method>
    <method name="Activate">
      <arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/>
    </method>
    <method name="SecondaryActivate">
      <arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/>
    </method>
    <method name="Scroll">
      <arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/>
    </method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* ItemInterfaceInfo()
{
    // Parsed once for the life of the process.
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
    return node ? node->interfaces[0] : nullptr;
}

// The drawn battery is offered at its own size and doubled, pixel for pixel, for panels with
// larger icons or a scaled screen; each host picks the size that fits it best.
constexpr int kPixmapScales[] = {1, 2};

// The glyph, each pixel a `scale` × `scale` block, as the protocol carries pixmaps: ARGB32 in
// network byte order.
std::vector<unsigned char> ArgbPixmap(const Glyph& glyph, int scale)
{
    const int side = Glyph::kSize * scale;
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(side * side) * 4);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::uint32_t rgba = glyph.At(x / scale, y / scale);
            bytes.push_back(static_cast<unsigned char>(rgba));       // alpha
            bytes.push_back(static_cast<unsigned char>(rgba >> 24)); // red
            bytes.push_back(static_cast<unsigned char>(rgba >> 16)); // green
            bytes.push_back(static_cast<unsigned char>(rgba >> 8));  // blue
        }
    return bytes;
}

GVariant* PixmapArray(const std::vector<std::vector<unsigned char>>& pixmaps)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
    for (std::size_t i = 0; i < pixmaps.size(); ++i) {
        const int side = Glyph::kSize * kPixmapScales[i];
        GVariant* data =
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmaps[i].data(), pixmaps[i].size(), 1);
        g_variant_builder_add(&builder, "(ii@ay)", side, side, data);
    }
    return g_variant_builder_end(&builder);
}

GVariant* EmptyPixmaps()
{
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

// The item's name on the bus: one per process, as the protocol asks.
std::string ItemServiceName()
{
    static std::atomic<int> next{0};
    return "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" +
           std::to_string(++next);
}

// The boolean inside a property's "(v)" reply.
bool HostRegisteredFrom(GVariant* reply)
{
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool registered =
        g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
    g_variant_unref(value);
    return registered;
}

bool Cancelled(GError* error)
{
    return error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

} // namespace

SniTrayIcon::SniTrayIcon(std::function<void()> onActivated, GDBusConnection* connection,
                         unsigned watcherGoneMs)
    : m_onActivated(std::move(onActivated)), m_watcherGoneMs(watcherGoneMs)
{
    if (connection) {
        m_connection = G_DBUS_CONNECTION(g_object_ref(connection));
    } else {
        // No session bus (a bare X session, a service): the tray is XEmbed's alone.
        m_connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    }
    if (!m_connection)
        return;
    m_cancellable = g_cancellable_new();
    SettleHost();
    m_watcherWatch =
        g_bus_watch_name_on_connection(m_connection, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                       &OnWatcherAppeared, &OnWatcherVanished, this, nullptr);
    // A host that comes or goes while the watcher stays.
    m_watcherSignals = g_dbus_connection_signal_subscribe(
        m_connection, kWatcherName, kWatcherName, nullptr, kWatcherPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &OnWatcherSignal, this, nullptr);
}

SniTrayIcon::~SniTrayIcon()
{
    if (!m_connection)
        return;
    Unregister();
    CancelRestore();
    if (m_activateSource)
        g_source_remove(m_activateSource);
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    g_dbus_connection_signal_unsubscribe(m_connection, m_watcherSignals);
    g_bus_unwatch_name(m_watcherWatch);
    g_object_unref(m_connection);
}

bool SniTrayIcon::Add(const TrayLook& look)
{
    if (!HostAvailable())
        return false;
    if (m_added)
        return true;
    m_look = look;
    Draw(look);
    m_added = true;
    Register();
    return true;
}

void SniTrayIcon::Modify(const TrayLook& look)
{
    if (!m_added)
        return;
    const bool newIcon = look.chargePercent != m_look.chargePercent || look.onLine != m_look.onLine;
    const bool newTip = look.tip != m_look.tip;
    m_look = look;
    if (newIcon) {
        Draw(look);
        Emit("NewIcon");
    }
    if (newTip)
        Emit("NewToolTip");
}

void SniTrayIcon::Draw(const TrayLook& look)
{
    const Glyph glyph = DrawBatteryGlyph(look.chargePercent, look.onLine);
    m_pixmaps.clear();
    for (int scale : kPixmapScales)
        m_pixmaps.push_back(ArgbPixmap(glyph, scale));
}

void SniTrayIcon::Delete()
{
    if (!m_added)
        return;
    m_added = false;
    CancelRestore();
    Unregister();
}

void SniTrayIcon::SettleHost()
{
    // The watch below answers only once the main loop runs, but a start into the tray asks for
    // the icon before that: ask once here, and wait for the answer up to a second each.
    constexpr int kTimeoutMs = 1000;
    GVariant* owned = g_dbus_connection_call_sync(
        m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", kWatcherName), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, kTimeoutMs, nullptr, nullptr);
    if (!owned)
        return;
    gboolean present = FALSE;
    g_variant_get(owned, "(b)", &present);
    g_variant_unref(owned);
    if (!present)
        return;
    m_watcherPresent = true;
    GVariant* reply = g_dbus_connection_call_sync(
        m_connection, kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, kTimeoutMs, nullptr, nullptr);
    m_hostRegistered = reply && HostRegisteredFrom(reply);
    if (reply)
        g_variant_unref(reply);
}

void SniTrayIcon::OnWatcherAppeared(GDBusConnection*, const char*, const char*, void* self)
{
    auto* icon = static_cast<SniTrayIcon*>(self);
    // The answer of the start stands until the watcher's own answer comes.
    if (!icon->m_watcherPresent)
        icon->m_hostRegistered = false;
    icon->m_watcherPresent = true;
    icon->ReadHostRegistered();
}

void SniTrayIcon::OnWatcherVanished(GDBusConnection*, const char*, void* self)
{
    auto* icon = static_cast<SniTrayIcon*>(self);
    icon->m_watcherPresent = false;
    icon->m_hostRegistered = false;
    if (!icon->m_added)
        return;
    // A panel that restarts comes back within moments; the item registers again then. One
    // that does not come back must not leave the window hidden for good.
    icon->Unregister();
    if (!icon->m_restoreSource)
        icon->m_restoreSource =
            g_timeout_add(icon->m_watcherGoneMs, &RestoreFrom<&SniTrayIcon::m_restoreSource>, icon);
}

void SniTrayIcon::OnWatcherSignal(GDBusConnection*, const char*, const char*, const char*,
                                  const char* signal, GVariant*, void* self)
{
    auto* icon = static_cast<SniTrayIcon*>(self);
    if (g_strcmp0(signal, "StatusNotifierHostRegistered") == 0 ||
        g_strcmp0(signal, "StatusNotifierHostUnregistered") == 0)
        icon->ReadHostRegistered();
}

void SniTrayIcon::ReadHostRegistered()
{
    g_dbus_connection_call(
        m_connection, kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1, m_cancellable,
        [](GObject* source, GAsyncResult* result, void* data) {
            GError* error = nullptr;
            GVariant* reply =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (Cancelled(error)) {
                g_error_free(error);
                return;
            }
            auto* icon = static_cast<SniTrayIcon*>(data);
            const bool registered = reply && HostRegisteredFrom(reply);
            if (reply)
                g_variant_unref(reply);
            if (error)
                g_error_free(error);
            const bool wasAvailable = icon->HostAvailable();
            icon->m_hostRegistered = icon->m_watcherPresent && registered;
            // Back after a panel restart: the item shows itself again.
            if (icon->m_added && icon->HostAvailable()) {
                icon->CancelRestore();
                icon->Register();
            } else if (!icon->m_added && !wasAvailable && icon->HostAvailable()) {
                icon->HostAppeared();
            }
        },
        this);
}

void SniTrayIcon::Register()
{
    if (!m_connection || m_nameOwner)
        return;
    if (!m_object) {
        static const GDBusInterfaceVTable vtable = {
            // Method calls.
            [](GDBusConnection*, const char*, const char*, const char*, const char* method,
               GVariant*, GDBusMethodInvocation* invocation, void* data) {
                g_dbus_method_invocation_return_value(invocation, nullptr);
                // A left click restores the window; the menu and the middle click do
                // nothing, as the right click on the XEmbed icon does nothing. The restore
                // runs after the reply, outside the bus's dispatch.
                if (g_strcmp0(method, "Activate") == 0)
                    static_cast<SniTrayIcon*>(data)->RestoreSoon();
            },
            // Properties.
            [](GDBusConnection*, const char*, const char*, const char*, const char* name,
               GError** error, void* data) -> GVariant* {
                GVariant* value = static_cast<const SniTrayIcon*>(data)->Property(name);
                if (!value)
                    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY,
                                "No property %s", name);
                return value;
            },
            nullptr,
            {}};
        m_object = g_dbus_connection_register_object(m_connection, kItemPath, ItemInterfaceInfo(),
                                                     &vtable, this, nullptr, nullptr);
        if (!m_object)
            return;
    }
    m_serviceName = ItemServiceName();
    m_nameOwner = g_bus_own_name_on_connection(m_connection, m_serviceName.c_str(),
                                               G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE, &OnNameAcquired,
                                               &OnNameLost, this, nullptr);
}

void SniTrayIcon::OnNameAcquired(GDBusConnection*, const char* name, void* self)
{
    auto* icon = static_cast<SniTrayIcon*>(self);
    g_dbus_connection_call(
        icon->m_connection, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
        g_variant_new("(s)", name), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, icon->m_cancellable,
        [](GObject* source, GAsyncResult* result, void* data) {
            GError* error = nullptr;
            GVariant* reply =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (reply)
                g_variant_unref(reply);
            if (!error)
                return;
            const bool cancelled = Cancelled(error);
            g_error_free(error);
            // A watcher that refuses the item leaves nothing to click: the window comes back.
            if (!cancelled)
                static_cast<SniTrayIcon*>(data)->RestoreSoon();
        },
        icon);
}

void SniTrayIcon::OnNameLost(GDBusConnection*, const char*, void* self)
{
    // The name could not be had, or the bus went away: nothing would show the item.
    auto* icon = static_cast<SniTrayIcon*>(self);
    if (icon->m_added && icon->m_watcherPresent)
        icon->RestoreSoon();
}

void SniTrayIcon::Unregister()
{
    // The watcher drops an item whose name leaves the bus.
    if (m_nameOwner)
        g_bus_unown_name(m_nameOwner);
    m_nameOwner = 0;
    if (m_object)
        g_dbus_connection_unregister_object(m_connection, m_object);
    m_object = 0;
}

void SniTrayIcon::Restore()
{
    if (m_added && m_onActivated)
        m_onActivated(); // as a click: the window comes back and the item goes
}

void SniTrayIcon::CancelRestore()
{
    if (m_restoreSource)
        g_source_remove(m_restoreSource);
    m_restoreSource = 0;
}

void SniTrayIcon::RestoreSoon()
{
    if (m_activateSource)
        return;
    m_activateSource = g_idle_add(&RestoreFrom<&SniTrayIcon::m_activateSource>, this);
}

void SniTrayIcon::Emit(const char* signal)
{
    if (m_nameOwner && m_object)
        g_dbus_connection_emit_signal(m_connection, nullptr, kItemPath, kItemInterface, signal,
                                      nullptr, nullptr);
}

GVariant* SniTrayIcon::Property(const char* name) const
{
    const std::string n = name;
    if (n == "Category")
        return g_variant_new_string("Hardware");
    if (n == "Id")
        return g_variant_new_string("tallyvolt");
    if (n == "Title")
        return g_variant_new_string(text::kAppName);
    if (n == "Status")
        return g_variant_new_string("Active");
    if (n == "WindowId")
        return g_variant_new_int32(0);
    if (n == "IconPixmap")
        return PixmapArray(m_pixmaps);
    // No theme name: waybar, swaybar, xfce4-panel, lxqt-panel and Plasma all draw a named theme
    // icon in preference to the pixmap, and the theme's battery is neither the program's
    // picture nor legible everywhere (a symbolic icon is dark grey on LXQt's dark panel).
    if (n == "IconName" || n == "OverlayIconName" || n == "AttentionIconName" ||
        n == "AttentionMovieName")
        return g_variant_new_string("");
    if (n == "OverlayIconPixmap" || n == "AttentionIconPixmap")
        return EmptyPixmaps();
    if (n == "ToolTip")
        return g_variant_new("(s@a(iiay)ss)", "", EmptyPixmaps(), m_look.tip.c_str(), "");
    if (n == "ItemIsMenu")
        return g_variant_new_boolean(FALSE);
    return nullptr;
}

} // namespace tallyvolt
