// Opening and closing the log, with its start header and stop footer.
#include "monitor/TallyvoltDlg.h"

#include "log/LogText.h"

std::string CTallyvoltDlg::TimeStampNow()
{
    return tallyvolt::FormatTimeStamp(m_clock.LocalTime(m_clock.Now()));
}

bool CTallyvoltDlg::OpenLog(const std::string& path)
{
    if (m_log)
        return false;
    auto log = tallyvolt::CreateLogFile();
    if (!log->Open(path, m_settingsPath))
        return false;
    m_log = std::move(log);
    if (!m_extraInfo)
        return true;
    // A header that could not be written fails the open, but the log stays held as it is.
    return m_log->Append(tallyvolt::StartHeader(m_delimiter, TimeStampNow()));
}

void CTallyvoltDlg::CloseLog()
{
    if (!m_log)
        return;
    if (m_extraInfo)
        m_log->Append(
            tallyvolt::StopFooter(m_delimiter, TimeStampNow(), m_burnRateText, m_cpuAverage.Value()));
    m_log->Close();
    m_log.reset();
}
