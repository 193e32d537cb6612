// Window commands and tray mouse messages, dispatched as events.
#include "platform/windows/WindowMessages.h"

#include "resources/Resource.h"

namespace tallyvolt {

bool DeliverSysCommand(MonitorEvents& events, int command)
{
    switch (command & 0xFFF0) {
    case ID_MENU_ABOUT:
        return events.ShowAbout();
    case ID_MENU_TOPMOST:
        return events.ToggleAlwaysOnTop();
    case SC_MINIMIZE:
        return events.Minimize();
    case ID_MENU_HIDE:
        return events.HideInTray();
    default:
        return false;
    }
}

int DeliverTrayNotify(MonitorEvents& events, int mouseMessage)
{
    if (mouseMessage != WM_LBUTTONDOWN)
        return 0;
    return events.TrayActivated() ? 1 : 0;
}

} // namespace tallyvolt
