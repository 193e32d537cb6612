// The summary as people read it: one block per run.
#pragma once

#include "report/LogReader.h"
#include "report/RunState.h"

#include <optional>
#include <string>

namespace tallyvolt::report {

// printf into a string, cut at 255 characters.
__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...);

// "2 h 5 min", "45 s", "3 d 4 h": the two largest units that are not zero.
std::string DurationText(LocalSeconds seconds);

// "2026-12-07 09:00:00"
std::string ReadableTime(LocalSeconds t);

// Builds a file's summary while its runs are read: a block of text for each run as it ends,
// and the heading line, which counts them, when the file is done.
class SummaryWriter : public RunSink
{
public:
    explicit SummaryWriter(std::optional<LocalSeconds> period) : m_period(period) {}
    void Record(const Run& run, const report::Record& record) override;
    void RunEnded(const Run& run) override;
    // The heading line and the runs' blocks; the next file starts afresh.
    std::string FileText(const ParsedFile& file);

private:
    std::optional<LocalSeconds> m_period;
    RunState m_state;
    std::string m_runs;
};

// The file's heading line and a block for each of its runs, which it keeps.
std::string FileSummaryText(const ParsedFile& file, std::optional<LocalSeconds> period);

} // namespace tallyvolt::report
