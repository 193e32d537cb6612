// The tray icon on wxWidgets: an XEmbed icon on X11, the notification area on Windows.
#pragma once

#include "platform/TrayIcon.h"

#include <wx/icon.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

namespace tallyvolt {

class WxTrayIcon : public TrayIcon
{
public:
    // `onActivated` is called when the left button goes down on the icon (before its release),
    // and when no tray host has held the icon for `hostGoneMs`: either way the window hidden in
    // the tray comes back.
    explicit WxTrayIcon(std::function<void()> onActivated, unsigned hostGoneMs = 10000);
    ~WxTrayIcon() override;

    bool Add(const TrayLook& look) override;
    void Modify(const TrayLook& look) override;
    void Delete() override;
    bool HostPresent() const override;
    // The desktop's XEmbed tray host came (true) or went away (false).
    void OnHostChange(bool present);

private:
    bool Show(const TrayLook& look);

    wxTaskBarIcon m_icon;
    std::function<void()> m_onActivated;
    bool m_added = false;
    TrayLook m_drawn; // what the icon's picture shows
    wxIcon m_picture;
    unsigned m_hostGoneMs;
    wxTimer m_hostGone;
};

} // namespace tallyvolt
