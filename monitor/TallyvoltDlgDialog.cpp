// The dialog's life: set-up, the sampling timer, the Update button and teardown.
#include "monitor/TallyvoltDlg.h"

#include "resources/Resource.h"

bool CTallyvoltDlg::SetUpDialog(tallyvolt::DialogWindow& window, tallyvolt::TrayIcon& tray)
{
    m_window = &window;
    m_tray = &tray;
    m_topmost = false;
    m_trayLook = {tallyvolt::text::kAppName, 255, false};
    m_inTray = false;
    m_waitingForTray = false;
    // A panel that comes up after the program (a session start) still gets a window that is
    // waiting for one.
    tray.OnHostAppeared([this] { OnTrayHostAppeared(); });
    m_processor.StartCollecting();
    m_startPercentage = 255;
    m_averagesStarted = false;
    // The first record goes out now, before the first tick and before the window shows.
    Update(true);
    window.StartTimer(TIMER_SAMPLE, m_updatePeriod);
    // Started minimised, the window stays hidden with its icon in the tray; with no tray to
    // take the icon it starts iconified instead, never hidden with nothing to bring it back,
    // until a tray turns up.
    if (m_startMinimized) {
        if (tray.Add(m_trayLook)) {
            m_inTray = true;
        } else {
            window.Iconify();
            m_waitingForTray = true;
        }
    }
    return true;
}

void CTallyvoltDlg::OnTimer(int id)
{
    if (id != TIMER_SAMPLE || !m_window)
        return;
    // The period counts from the end of each sample.
    m_window->StopTimer(TIMER_SAMPLE);
    Update(true);
    m_window->StartTimer(TIMER_SAMPLE, m_updatePeriod);
}

void CTallyvoltDlg::OnUpdateButton() { Update(true); }

bool CTallyvoltDlg::TearDownDialog()
{
    m_processor.StopCollecting();
    if (m_window)
        m_window->StopTimer(TIMER_SAMPLE);
    // Whether or not the icon is there.
    if (m_tray) {
        m_tray->OnHostAppeared(nullptr);
        m_tray->Delete();
    }
    m_inTray = false;
    m_waitingForTray = false;
    m_window = nullptr;
    m_tray = nullptr;
    return true;
}
