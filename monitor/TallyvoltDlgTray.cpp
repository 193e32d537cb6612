// Window commands, the tray icon's callback and surfacing requests.
#include "monitor/TallyvoltDlg.h"

#include "resources/Resource.h"

bool CTallyvoltDlg::OnSysCommand(int command)
{
    if (!m_window)
        return false;
    switch (command & 0xFFF0) {
    case ID_MENU_ABOUT:
        m_window->ShowAbout();
        return true;
    case ID_MENU_TOPMOST:
        m_topmost = !m_topmost;
        m_window->CheckMenuItem(ID_MENU_TOPMOST, m_topmost);
        m_window->SetTopmost(m_topmost);
        return true;
    case SC_MINIMIZE:
    case ID_MENU_HIDE:
        // Into the tray when a tray host takes the icon; otherwise the usual iconified window,
        // so the window is never hidden with nothing to bring it back.
        // A tray that turns up later takes it then.
        if (m_tray && m_tray->Add(m_trayLook)) {
            m_window->Withdraw();
            m_inTray = true;
            m_waitingForTray = false;
        } else {
            m_window->Iconify();
            m_waitingForTray = true;
        }
        return true;
    default:
        return false;
    }
}

bool CTallyvoltDlg::CanHideInTray() const
{
    return m_window && m_tray && !m_inTray && m_tray->HostPresent();
}

int CTallyvoltDlg::OnTrayNotify(int /*iconId*/, int mouseMessage)
{
    if (mouseMessage != WM_LBUTTONDOWN || !m_window)
        return 0;
    // The flag goes first: while it is set nothing may show the window.
    m_inTray = false;
    m_waitingForTray = false;
    ShowFigures(); // the samples taken in the tray
    m_window->ShowNormal();
    if (m_tray)
        m_tray->Delete();
    return 1;
}

void CTallyvoltDlg::OnSurfaceRequest()
{
    if (m_window && !m_inTray)
        m_window->ShowNormal();
}

void CTallyvoltDlg::OnTrayHostAppeared()
{
    // Only a window iconified because no tray took its icon; one the user has brought back
    // stays where they put it.
    if (!m_waitingForTray || !m_window || !m_tray || !m_tray->Add(m_trayLook))
        return;
    m_waitingForTray = false;
    m_inTray = true;
    m_window->Withdraw();
}

void CTallyvoltDlg::OnWindowRestored() { m_waitingForTray = false; }
