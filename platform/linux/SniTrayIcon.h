// The tray icon as a StatusNotifierItem on the session bus: the tray of KDE Plasma, of
// GNOME's AppIndicator extension and of the panels of Wayland desktops (waybar and the like).
#pragma once

#include "platform/TrayIcon.h"

#include <functional>
#include <string>
#include <vector>

// GLib's types, kept out of this header.
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;
typedef struct _GCancellable GCancellable;

namespace tallyvolt {

class SniTrayIcon : public TrayIcon
{
public:
    // `onActivated` is called when the host activates the item (a left click).
    // `connection` is the session bus; null takes the session bus of the environment. Without
    // one, no host is ever there and Add refuses. A window hidden in the tray comes back when
    // the watcher has been gone for `watcherGoneMs`.
    explicit SniTrayIcon(std::function<void()> onActivated, GDBusConnection* connection = nullptr,
                         unsigned watcherGoneMs = 10000);
    ~SniTrayIcon() override;
    SniTrayIcon(const SniTrayIcon&) = delete;
    SniTrayIcon& operator=(const SniTrayIcon&) = delete;

    // Refuses unless a watcher with a registered host is on the bus.
    bool Add(const TrayLook& look) override;
    void Modify(const TrayLook& look) override;
    void Delete() override;

    // A watcher that took a host: what Add asks.
    bool HostAvailable() const { return m_watcherPresent && m_hostRegistered; }
    bool HostPresent() const override { return HostAvailable(); }
    // The name the item goes by on the bus while it is added.
    const std::string& ServiceName() const { return m_serviceName; }

private:
    static void OnWatcherAppeared(GDBusConnection*, const char*, const char*, void* self);
    static void OnWatcherVanished(GDBusConnection*, const char*, void* self);
    static void OnWatcherSignal(GDBusConnection*, const char*, const char*, const char*,
                                const char* signal, GVariant*, void* self);
    static void OnNameAcquired(GDBusConnection*, const char*, void* self);
    static void OnNameLost(GDBusConnection*, const char*, void* self);

    // Asks the bus now, and waits for it, whether a watcher with a host is there.
    void SettleHost();
    void ReadHostRegistered();
    void Register();
    void Unregister();
    // Brings the window back as a click on the icon would; soon, from the main loop.
    void Restore();
    void RestoreSoon();
    // The source callback of a pending restore: forgets the source and restores.
    template <unsigned SniTrayIcon::*Source> static int RestoreFrom(void* self)
    {
        auto* icon = static_cast<SniTrayIcon*>(self);
        icon->*Source = 0;
        icon->Restore();
        return 0; // G_SOURCE_REMOVE
    }
    // The pixmaps for a look.
    void Draw(const TrayLook& look);
    void CancelRestore();
    void Emit(const char* signal);
    GVariant* Property(const char* name) const;

    std::function<void()> m_onActivated;
    GDBusConnection* m_connection = nullptr;
    GCancellable* m_cancellable = nullptr; // the calls in flight, cancelled at the end
    unsigned m_watcherGoneMs;
    unsigned m_watcherWatch = 0;
    unsigned m_watcherSignals = 0;
    unsigned m_object = 0;
    unsigned m_nameOwner = 0;
    unsigned m_restoreSource = 0;
    unsigned m_activateSource = 0;
    bool m_watcherPresent = false;
    bool m_hostRegistered = false;
    bool m_added = false;
    std::string m_serviceName;
    TrayLook m_look;
    // The drawn battery at each size offered, ARGB32 in network byte order.
    std::vector<std::vector<unsigned char>> m_pixmaps;
};

} // namespace tallyvolt
