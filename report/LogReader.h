// Reading Tallyvolt's logs: every line is recognised on its own (delimiter, line end), lines
// that are no part of a log are skipped and named, and runs are found from the start headers
// and stop footers, or from gaps where a log has none.
#pragma once

#include "log/LogText.h"
#include "report/LogModel.h"
#include "report/ZoneRules.h"

#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt::report {

struct ReadOptions
{
    // The sampling period, for splitting logs without headers at gaps; the median interval of
    // the samples when not given.
    std::optional<LocalSeconds> period;
    // Looks for nothing but a record with the power column, and stops at the first.
    bool powerRecordsOnly = false;
};

// Takes the runs of a log as it is read.
class RunSink
{
public:
    virtual ~RunSink() = default;
    // The next record of `run`, whose start header, number and file are set.
    virtual void Record(const Run& run, const report::Record& record) = 0;
    // `run` is over: its stop footer and clock set-backs are set, its records were passed on.
    virtual void RunEnded(const Run& run) = 0;
};

// The first skipped lines are kept with their reasons; the rest are only counted.
constexpr std::size_t kSkippedKept = 1000;
// A longer line is no line of a log; it is skipped without being held in memory.
constexpr std::size_t kMaxLineLength = 4096;

// Reads a log piece by piece. Without a sink the runs and their records are kept in the result;
// with one, a run that has a start header passes its records on as they are read, one without
// when it ends (it is split at gaps then), and the result keeps no runs.
class LogParser
{
public:
    LogParser(std::string file, ReadOptions options, RunSink* sink = nullptr,
              int firstRunNumber = 1);

    void Feed(std::string_view chunk);
    // Ends the text (a last line without a line end is read as well) and returns what was
    // found, the runs numbered on from `firstRunNumber`.
    ParsedFile Finish();
    bool FoundPowerRecord() const { return m_out.powerRecord; }

private:
    void Line(std::string_view line, bool complete);
    // The start header's or stop footer's first line: the name, the version and the time.
    bool NameLine(std::string_view line);
    bool FooterFigures(std::string_view line);
    // What one pass over a line finds: a byte that no log holds, and where the delimiters are.
    struct Scan
    {
        bool binary = false;
        std::uint8_t kinds = 0;               // a bit for each of the three delimiters seen
        std::size_t count = 0;                // delimiters seen
        std::size_t at[kFieldCount + 1] = {}; // where the first of them are
    };
    static Scan ScanLine(std::string_view line);
    bool Record(std::string_view line, const Scan& scan, bool complete);
    // A record's values from its fields; false, with the line skipped, on one that is no value.
    bool ReadFields(const std::string_view* fields, bool powerColumn, bool complete,
                    report::Record& record);
    // The record's moment on the run's clock, past any clock set back; false, with the line
    // skipped, for a record stamped before its run's start header.
    bool PlaceOnClock(Run& run, report::Record& record);
    void Skip(std::string reason);
    void EndRun();
    // The run the last stop footer ended, once the line after it was read.
    void EndStoppedRun();
    void Ended(Run run);
    Run& Current();
    // The moment a stamp stands for; in the hour repeated when the clocks go back, the first
    // one not before `after`.
    Instant Resolve(LocalSeconds local, std::optional<Instant> after);

    ParsedFile m_out;
    ReadOptions m_options;
    RunSink* m_sink;
    int m_nextNumber;
    std::optional<Run> m_run;
    std::optional<Run> m_stopped; // ended by a stop footer, its figures perhaps on the next line
    std::string m_partial;        // a line split between two chunks
    bool m_overlong = false;      // dropping the rest of a line longer than kMaxLineLength
    bool m_afterStopLine = false;
    std::uint32_t m_lineNumber = 0;
    const std::string m_namePrefix = NameLinePrefix(); // "Tallyvolt v"
    TimeStampReader m_stamps;
    ZoneRules m_zone;
    // The current run's clock: the last moment read as the zone gives it, how far later ones
    // are moved on past clocks set back, and the last interval between records.
    struct RunClock
    {
        std::optional<Instant> last;
        LocalSeconds lastStamp = 0;
        Instant shift = 0;
        LocalSeconds interval = 0;
        // The latest moment read before the clock was last set back, and where it fell on the
        // run's own time: a clock put right again jumps back to just after it.
        Instant high = 0, highAt = 0;
        std::optional<Instant> lastRecordAt;
    } m_clock;
    // The last state text read and its bits: most records repeat the one before.
    std::string m_stateText;
    std::uint8_t m_stateBits = 0;
};

ParsedFile ParseLog(std::string file, std::string_view text, ReadOptions options = {});

// Reads the file at `path` ("-" for standard input). False, with a message naming the file,
// when it cannot be read.
// With `sink`, as LogParser takes one.
bool ReadLog(const std::string& path, ReadOptions options, ParsedFile* out, std::string* error,
             RunSink* sink = nullptr, int firstRunNumber = 1);

// Splits a run without a header wherever two samples lie more than three periods apart.
std::vector<Run> SplitAtGaps(Run run, std::optional<LocalSeconds> period);

using tallyvolt::ParseTimeStamp;

} // namespace tallyvolt::report
