// The tray side of the window: whether it lives in the tray, whether it waits for a tray to
// appear, and the icon's look, shown or to show once in the tray.
#pragma once

#include "platform/TrayIcon.h"

namespace tallyvolt {

class TrayState
{
public:
    // The tray of a new window (null for none): out of the tray, waiting for nothing, the
    // look of an unknown charge.
    void Attach(TrayIcon* tray);
    // The look from now on; the icon changes only when it is in the tray and the look differs,
    // since setting it costs the desktop a redraw.
    void Show(const TrayLook& look);
    // Puts the icon in the tray. False where no tray host takes it: the window then waits for
    // one.
    bool Enter();
    // Out of the tray and waiting for nothing. The icon stays until RemoveIcon, so the window
    // can be shown first.
    void Leave();
    void RemoveIcon();
    // The user brought the iconified window back by hand: a tray that appears later leaves it
    // alone.
    void StopWaiting() { m_waiting = false; }
    // The icon is removed whether or not it is there, and the tray is let go.
    void Detach();

    bool InTray() const { return m_inTray; }
    bool Waiting() const { return m_waiting; }
    // A tray host is there to take the icon of a window that is not in it yet.
    bool CanEnter() const { return m_tray && !m_inTray && m_tray->HostPresent(); }
    const TrayLook& Look() const { return m_look; }

private:
    TrayIcon* m_tray = nullptr;
    TrayLook m_look;
    bool m_inTray = false;
    bool m_waiting = false;
};

} // namespace tallyvolt
