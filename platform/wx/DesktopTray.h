// The tray of a Linux desktop: a StatusNotifierItem where the session bus has a watcher with a
// host, the XEmbed icon otherwise, whichever takes the icon; presses on either reach the
// monitor.
#pragma once

#include "platform/EitherTrayIcon.h"
#include "platform/MonitorEvents.h"
#include "platform/linux/SniTrayIcon.h"
#include "platform/linux/XEmbedTrayWatch.h"
#include "platform/wx/WxTrayIcon.h"

namespace tallyvolt {

class DesktopTray : public TrayIcon
{
public:
    explicit DesktopTray(MonitorEvents& monitor)
        : m_sni([&monitor] { monitor.TrayActivated(); }),
          m_xembed([&monitor] { monitor.TrayActivated(); }),
          m_watch([this](bool present) { m_xembed.OnHostChange(present); })
    {
        m_either.OnHostAppeared([this] { HostAppeared(); });
    }

    bool Add(const TrayLook& look) override { return m_either.Add(look); }
    void Modify(const TrayLook& look) override { m_either.Modify(look); }
    void Delete() override { m_either.Delete(); }
    bool HostPresent() const override { return m_either.HostPresent(); }

private:
    SniTrayIcon m_sni;
    WxTrayIcon m_xembed;
    // The X11 tray selection's owner: an XEmbed host that comes, goes or comes back.
    XEmbedTrayWatch m_watch;
    EitherTrayIcon m_either{m_sni, m_xembed};
};

} // namespace tallyvolt
