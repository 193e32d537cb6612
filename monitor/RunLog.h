// The run's log: opened with its start header, appended to, opened afresh when deleted
// during the run, closed with its stop footer.
#pragma once

#include <memory>
#include <string>

#include "monitor/MonitorSettings.h"
#include "monitor/RunStatistics.h"
#include "platform/Clock.h"
#include "platform/LogFile.h"

namespace tallyvolt {

class RunLog
{
public:
    // The header and footer follow `settings` as they are when written.
    RunLog(Clock& clock, LogFileFactory files, const MonitorSettings& settings);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // The settings file, which the log may never be.
    void SetSettingsPath(std::string path) { m_settingsPath = std::move(path); }

    // Opens `path` for appending and, with extra info on, writes the start header; true only
    // when the log is open and the header (if due) was written.
    bool Open(const std::string& path);
    // A log deleted during the run is opened afresh at its path.
    void ReopenIfDeleted();
    void Append(const std::string& record);
    // With extra info on, writes the stop footer with the run's figures; then closes the log.
    void Close(const RunStatistics& run);
    bool IsOpen() const { return m_log != nullptr; }

private:
    std::string TimeStampNow();
    bool WriteStartHeader();

    Clock& m_clock;
    LogFileFactory m_files;
    const MonitorSettings& m_settings;
    std::string m_settingsPath;
    std::unique_ptr<LogFile> m_log;
    std::string m_path; // as given to Open
};

} // namespace tallyvolt
