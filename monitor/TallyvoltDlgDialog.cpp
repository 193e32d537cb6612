// The dialog's life: set-up, the sampling timer, the Update button and teardown.
#include "monitor/TallyvoltDlg.h"

#include "resources/Resource.h"

bool CTallyvoltDlg::SetUpDialog(tallyvolt::DialogWindow& window)
{
    m_window = &window;
    m_topmost = false;
    m_trayTip = tallyvolt::text::kAppName;
    m_inTray = false;
    m_processor.StartCollecting();
    m_startPercentage = 255;
    // The first record goes out now, before the first tick and before the window shows.
    Update(true);
    window.StartTimer(TIMER_SAMPLE, m_updatePeriod);
    if (m_startMinimized)
        window.Iconify();
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
    m_window = nullptr;
    return true;
}
