// Opening and closing the log, with its start header and stop footer.
#include "monitor/TallyvoltDlg.h"

#include "log/LogText.h"

std::string CTallyvoltDlg::TimeStampNow()
{
    return tallyvolt::FormatTimeStamp(m_clock.LocalTime(m_clock.Now()));
}

bool CTallyvoltDlg::OpenLog(const std::string& path)
{
    if (m_log || !m_logFiles)
        return false;
    auto log = m_logFiles();
    if (!log->Open(path, m_settingsPath))
        return false;
    m_log = std::move(log);
    m_logPath = path;
    if (!m_extraInfo)
        return true;
    // A header that could not be written fails the open, but the log stays held as it is.
    return m_log->Append(tallyvolt::StartHeader(m_delimiter, TimeStampNow(), m_powerDraw));
}

void CTallyvoltDlg::ReopenLogIfDeleted()
{
    if (!m_log || !m_log->IsDeleted())
        return;
    // Someone deleted the log while we hold it: records appended to the nameless file would
    // all be lost. Start a new file at the same path, a valid log on its own with its own
    // header. Where that cannot be done yet (the folder is gone too), keep the old one and try
    // again at the next sample.
    auto log = m_logFiles();
    if (!log->Open(m_logPath, m_settingsPath))
        return;
    m_log->Close();
    m_log = std::move(log);
    if (m_extraInfo)
        m_log->Append(tallyvolt::StartHeader(m_delimiter, TimeStampNow(), m_powerDraw));
}

void CTallyvoltDlg::CloseLog()
{
    if (!m_log)
        return;
    if (m_extraInfo)
        m_log->Append(tallyvolt::StopFooter(
            m_delimiter, TimeStampNow(), m_burnRateText, m_cpuAverage.Value(),
            m_powerDraw ? std::optional<std::string>(tallyvolt::PowerText(PowerAverage()))
                        : std::nullopt));
    m_log->Close();
    m_log.reset();
}
