// The tray icon on wxWidgets: an XEmbed icon on X11, the notification area on Windows.
#pragma once

#include "platform/TrayIcon.h"

#include <wx/icon.h>
#include <wx/taskbar.h>

namespace tallyvolt {

class WxTrayIcon : public TrayIcon
{
public:
    // `onMouse` receives the mouse messages on the icon (WM_LBUTTONDOWN and the like).
    explicit WxTrayIcon(std::function<void(int mouseMessage)> onMouse);
    ~WxTrayIcon() override;

    bool Add(const TrayLook& look) override;
    void Modify(const TrayLook& look) override;
    void Delete() override;

private:
    bool Show(const TrayLook& look);

    wxTaskBarIcon m_icon;
    std::function<void(int)> m_onMouse;
    bool m_added = false;
    TrayLook m_drawn;     // what the icon's picture shows
    wxIcon m_picture;
};

} // namespace tallyvolt
