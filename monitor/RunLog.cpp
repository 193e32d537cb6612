// Opening and closing the log, with its start header and stop footer.
#include "monitor/RunLog.h"

#include "log/LogText.h"

namespace tallyvolt {

RunLog::RunLog(Clock& clock, LogFileFactory files, const MonitorSettings& settings)
    : m_clock(clock), m_files(std::move(files)), m_settings(settings)
{
}

RunLog::~RunLog() = default;

std::string RunLog::TimeStampNow()
{
    return FormatTimeStamp(m_clock.LocalTime(m_clock.Now()));
}

bool RunLog::WriteStartHeader()
{
    return m_log->Append(
        StartHeader(m_settings.Delimiter(), TimeStampNow(), m_settings.PowerDraw()));
}

bool RunLog::Open(const std::string& path)
{
    if (m_log || !m_files)
        return false;
    auto log = m_files();
    if (!log->Open(path, m_settingsPath))
        return false;
    m_log = std::move(log);
    m_path = path;
    // A header that could not be written fails the open, but the log stays held as it is.
    return !m_settings.ExtraInfo() || WriteStartHeader();
}

void RunLog::ReopenIfDeleted()
{
    if (!m_log || !m_log->IsDeleted())
        return;
    // Someone deleted the log while we hold it: records appended to the nameless file would
    // all be lost. Start a new file at the same path, a valid log on its own with its own
    // header. Where that cannot be done yet (the folder is gone too), keep the old one and try
    // again at the next sample.
    auto log = m_files();
    if (!log->Open(m_path, m_settingsPath))
        return;
    m_log->Close();
    m_log = std::move(log);
    if (m_settings.ExtraInfo())
        WriteStartHeader();
}

void RunLog::Append(const std::string& record)
{
    if (m_log)
        m_log->Append(record);
}

void RunLog::Close(const RunStatistics& run)
{
    if (!m_log)
        return;
    if (m_settings.ExtraInfo())
        m_log->Append(StopFooter(
            m_settings.Delimiter(), TimeStampNow(), run.BurnRateText(), run.CpuAverage(),
            m_settings.PowerDraw() ? std::optional<std::string>(PowerText(run.PowerAverage()))
                                   : std::nullopt));
    m_log->Close();
    m_log.reset();
}

} // namespace tallyvolt
