// Entering and leaving the tray, and the icon's look.
#include "monitor/TrayState.h"

#include "resources/Resource.h"

namespace tallyvolt {

void TrayState::Attach(TrayIcon* tray)
{
    m_tray = tray;
    m_look = {text::kAppName, 255, false};
    m_inTray = false;
    m_waiting = false;
}

void TrayState::Show(const TrayLook& look)
{
    if (look == m_look)
        return;
    m_look = look;
    if (m_inTray && m_tray)
        m_tray->Modify(look);
}

bool TrayState::Enter()
{
    if (m_tray && m_tray->Add(m_look)) {
        m_inTray = true;
        m_waiting = false;
        return true;
    }
    m_waiting = true;
    return false;
}

void TrayState::Leave()
{
    m_inTray = false;
    m_waiting = false;
}

void TrayState::RemoveIcon()
{
    if (m_tray)
        m_tray->Delete();
}

void TrayState::Detach()
{
    if (m_tray) {
        m_tray->OnHostAppeared(nullptr);
        m_tray->Delete();
    }
    m_inTray = false;
    m_waiting = false;
    m_tray = nullptr;
}

} // namespace tallyvolt
