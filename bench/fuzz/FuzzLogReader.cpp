// Fuzz target: a log read whole and read in pieces (their size from the first byte) must give
// the same runs; every record in range and its moment never before the one above it (a clock set
// back or the repeated hour of autumn notwithstanding), no duration negative; the summary, its text
// and the rows of every run worked out without a fault; a power draw only where the column is, and
// the average power within the run's powers.
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Summary.h"
#include "report/SummaryText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace tallyvolt::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const ParsedFile whole = ParseLog("fuzz.log", text);
    LogParser parser("fuzz.log", {});
    for (std::size_t at = 0; at < text.size(); at += piece)
        parser.Feed(text.substr(at, piece));
    const ParsedFile pieces = parser.Finish();
    if (whole.runs.size() != pieces.runs.size() || whole.skippedCount != pieces.skippedCount ||
        whole.lines != pieces.lines || whole.skippedCount < whole.skipped.size())
        std::abort();
    for (std::size_t r = 0; r < whole.runs.size(); ++r) {
        const Run& run = whole.runs[r];
        if (run.records.size() != pieces.runs[r].records.size())
            std::abort();
        for (std::size_t i = 0; i < run.records.size(); ++i) {
            const Record& record = run.records[i];
            if ((record.charge && *record.charge > 100) || (record.cpu && *record.cpu > 100) ||
                (i > 0 && record.at < run.records[i - 1].at) || record.line > whole.lines ||
                record.at != pieces.runs[r].records[i].at)
                std::abort();
            // A power only in a record with the power column, a number, read alike in pieces.
            if ((record.power && (!record.hasPower || !std::isfinite(*record.power))) ||
                record.hasPower != pieces.runs[r].records[i].hasPower)
                std::abort();
        }
        const RunSummary s = Summarise(run, std::nullopt);
        if (s.duration < 0 && (run.headerLine || !run.records.empty()))
            std::abort();
        if (s.cpuAverage && (*s.cpuAverage < -1e-9 || *s.cpuAverage > 100 + 1e-9))
            std::abort();
        if (s.linePowerShare && (*s.linePowerShare < 0 || *s.linePowerShare > 1))
            std::abort();
        // The time-weighted average power lies between the lowest and highest power.
        if (s.powerAverage &&
            (*s.powerAverage < *s.powerMin - 1e-6 * std::fabs(*s.powerMin) - 1e-9 ||
             *s.powerAverage > *s.powerMax + 1e-6 * std::fabs(*s.powerMax) + 1e-9))
            std::abort();
    }
    (void)FileSummaryText(whole, std::nullopt);
    std::size_t written = 0;
    WriteRows({whole}, RowFormat::Json, [&](std::string_view out) { written += out.size(); });
    if (written == 0)
        std::abort();
    return 0;
}
