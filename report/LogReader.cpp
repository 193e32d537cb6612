// Reading Tallyvolt's logs line by line.
#include "report/LogReader.h"

#include "log/LogText.h"
#include "platform/FileOpening.h"
#include "report/Summary.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

namespace tallyvolt::report {

namespace {

bool StartsWith(std::string_view line, std::string_view prefix)
{
    // The first byte first: records, nearly every line, start with a digit.
    return line.size() >= prefix.size() && !prefix.empty() && line[0] == prefix[0] &&
           line.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

LogParser::LogParser(std::string file, ReadOptions options, RunSink* sink, int firstRunNumber)
    : m_options(options), m_sink(sink), m_nextNumber(firstRunNumber)
{
    m_out.file = std::move(file);
}

void LogParser::Feed(std::string_view chunk)
{
    while (!chunk.empty()) {
        const std::size_t end = chunk.find('\n');
        const std::string_view piece = chunk.substr(0, end);
        if (m_overlong) {
            // The rest of a line already skipped as too long.
        } else if (m_partial.size() + piece.size() > kMaxLineLength) {
            ++m_lineNumber;
            Skip("line longer than " + std::to_string(kMaxLineLength) + " bytes");
            m_partial.clear();
            m_overlong = true;
        } else if (end == std::string_view::npos) {
            m_partial.append(piece);
        } else if (m_partial.empty()) {
            Line(piece, true);
        } else {
            m_partial.append(piece);
            Line(m_partial, true);
            m_partial.clear();
        }
        if (end == std::string_view::npos)
            return;
        m_overlong = false;
        chunk.remove_prefix(end + 1);
    }
}

ParsedFile LogParser::Finish()
{
    if (!m_partial.empty())
        Line(m_partial, false);
    m_partial.clear();
    EndRun();
    EndStoppedRun();
    return std::move(m_out);
}

Run& LogParser::Current()
{
    if (!m_run) {
        m_run.emplace();
        m_run->file = m_out.file;
        m_clock = RunClock{};
    }
    return *m_run;
}

Instant LogParser::Resolve(LocalSeconds local, std::optional<Instant> after)
{
    // Records are written in the order they are taken: the second reading of the repeated hour
    // is the one a record needs to stay after the record before it.
    const WallReading reading = m_zone.Read(local);
    return reading.count == 2 && after && reading.earlier < *after ? reading.later
                                                                   : reading.earlier;
}

void LogParser::EndRun()
{
    if (m_run && (!m_run->records.empty() || m_run->headerLine || m_run->footer))
        Ended(std::move(*m_run));
    m_run.reset();
}

void LogParser::EndStoppedRun()
{
    if (m_stopped)
        Ended(std::move(*m_stopped));
    m_stopped.reset();
}

void LogParser::Ended(Run run)
{
    // A run with a start header had its records passed on as they came; one without is split
    // at gaps now that the median interval of all of it is known.
    std::vector<Run> pieces;
    if (!run.headerLine && !run.footer && run.records.size() >= 2)
        pieces = SplitAtGaps(std::move(run), m_options.period);
    else
        pieces.push_back(std::move(run));
    for (Run& piece : pieces) {
        if (!piece.headerLine)
            piece.number = m_nextNumber++;
        ++m_out.runCount;
        m_out.samples += piece.records.size();
        if (!m_sink) {
            m_out.runs.push_back(std::move(piece));
            continue;
        }
        const std::vector<report::Record> records = std::move(piece.records);
        piece.records = {};
        for (const report::Record& record : records)
            m_sink->Record(piece, record);
        m_sink->RunEnded(piece);
    }
}

void LogParser::Skip(std::string reason)
{
    ++m_out.skippedCount;
    if (m_out.skipped.size() < kSkippedKept)
        m_out.skipped.push_back({m_lineNumber, std::move(reason)});
}

void LogParser::Line(std::string_view line, bool complete)
{
    ++m_lineNumber;
    m_out.lines = m_lineNumber;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const bool afterStop = m_afterStopLine;
    m_afterStopLine = false;
    if (afterStop && !line.empty() && !ScanLine(line).binary && FooterFigures(line)) {
        EndStoppedRun();
        return;
    }
    EndStoppedRun();
    if (line.empty())
        return;
    const Scan scan = ScanLine(line);
    if (m_options.powerRecordsOnly && (scan.count != kFieldCount || scan.binary))
        return; // only a record with the power column can have one
    if (scan.binary) {
        Skip(complete ? "binary data" : "binary data in the last line");
        return;
    }
    if (StartsWith(line, m_namePrefix) && NameLine(line))
        return;
    if (StartsWith(line, kBurnRatePrefix)) {
        Skip("footer figures without the line that stops a run");
        return;
    }
    Record(line, scan, complete);
}

bool LogParser::NameLine(std::string_view line)
{
    // "Tallyvolt v1.0 - started 12/07/26 09:00:00" opens a run, "- stopped" ends it.
    const bool starts = line.find(kStarted) != std::string_view::npos;
    const std::string_view marker = starts ? kStarted : kStopped;
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos)
        return false;
    const std::optional<LocalSeconds> time = ParseTimeStamp(line.substr(at + marker.size()));
    if (!time) {
        Skip(starts ? "start header with a bad time stamp" : "stop footer with a bad time stamp");
        return true;
    }
    m_out.isTallyvoltLog = true;
    if (starts) {
        EndRun();
        Run& run = Current();
        run.started = *time;
        run.startedAt = Resolve(*time, std::nullopt);
        run.headerLine = m_lineNumber;
        run.number = m_nextNumber++;
        m_clock.last = run.startedAt;
        m_clock.lastStamp = *time;
        return true;
    }
    Footer footer;
    footer.time = *time;
    footer.line = m_lineNumber;
    Run& run = Current();
    // Stopped after the last record, whatever the wall clock said by then.
    footer.at = Resolve(*time, m_clock.last) + m_clock.shift;
    if (m_clock.lastRecordAt)
        footer.at = std::max(footer.at, *m_clock.lastRecordAt);
    else if (run.headerLine)
        footer.at = std::max(footer.at, run.startedAt);
    run.footer = footer;
    m_afterStopLine = true;
    // The run ends here; its figures follow on the next line.
    m_stopped = std::move(*m_run);
    m_run.reset();
    return true;
}

bool LogParser::FooterFigures(std::string_view line)
{
    // "Battery Burn Rate: 0.25%/minute,CPU Average:12.50%"
    if (!StartsWith(line, kBurnRatePrefix) || !m_stopped)
        return false;
    const std::size_t average = line.rfind(kCpuAveragePrefix);
    if (average == std::string_view::npos || average < kBurnRatePrefix.size() + 1) {
        Skip("stop footer figures without a processor average");
        return true;
    }
    Footer& footer = *m_stopped->footer;
    footer.burnRateText =
        std::string(line.substr(kBurnRatePrefix.size(), average - 1 - kBurnRatePrefix.size()));
    footer.burnRate = ParseBurnRateText(footer.burnRateText);
    std::string_view cpu = line.substr(average + kCpuAveragePrefix.size());
    // With the power column the line goes on with the delimiter and the average power.
    const std::size_t power = cpu.rfind(kAveragePowerPrefix);
    if (power != std::string_view::npos && power > 0) {
        footer.hasPower = true;
        const std::string_view watts = cpu.substr(power + kAveragePowerPrefix.size());
        if (watts != kUnknown)
            footer.averagePower = ParsePowerText(watts);
        cpu = cpu.substr(0, power - 1);
    }
    if (!cpu.empty() && cpu.back() == '%')
        footer.cpuAverage = ParseNumber(cpu.substr(0, cpu.size() - 1));
    return true;
}

ParsedFile ParseLog(std::string file, std::string_view text, ReadOptions options)
{
    LogParser parser(std::move(file), options);
    parser.Feed(text);
    return parser.Finish();
}

bool ReadLog(const std::string& path, ReadOptions options, ParsedFile* out, std::string* error,
             RunSink* sink, int firstRunNumber)
{
    const bool standardInput = path == "-";
    const std::string name = standardInput ? "standard input" : path;
    const int fd = standardInput ? STDIN_FILENO : OpenFileForReading(path);
    if (fd < 0) {
        *error = name + ": " + std::strerror(errno);
        return false;
    }
    LogParser parser(name, options, sink, firstRunNumber);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = name + ": " + std::strerror(errno);
            if (!standardInput)
                ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        parser.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        if (options.powerRecordsOnly && parser.FoundPowerRecord())
            break; // all that was asked
    }
    if (!standardInput)
        ::close(fd);
    *out = parser.Finish();
    return true;
}

std::vector<Run> SplitAtGaps(Run run, std::optional<LocalSeconds> period)
{
    std::vector<Run> runs;
    const LocalSeconds threshold = GapThreshold(run.records, period);
    Run piece;
    piece.file = run.file;
    piece.splitAtGap = true;
    auto setBack = run.setBacks.begin();
    for (const report::Record& record : run.records) {
        if (!piece.records.empty() && record.at - piece.records.back().at > threshold) {
            runs.push_back(std::move(piece));
            piece = Run{};
            piece.file = run.file;
            piece.splitAtGap = true;
        }
        if (setBack != run.setBacks.end() && setBack->line == record.line)
            piece.setBacks.push_back(*setBack++);
        piece.records.push_back(record);
    }
    runs.push_back(std::move(piece));
    return runs;
}

std::string IsoTime(LocalSeconds t)
{
    const std::tm fields = CalendarFields(t);
    const int year = fields.tm_year + 1900, month = fields.tm_mon + 1, day = fields.tm_mday;
    const int hour = fields.tm_hour, minute = fields.tm_min, second = fields.tm_sec;
    char out[32];
    auto two = [](char* at, std::int64_t v) {
        at[0] = static_cast<char>('0' + v / 10);
        at[1] = static_cast<char>('0' + v % 10);
    };
    std::to_chars(out, out + 4, year);
    out[4] = '-';
    two(out + 5, month);
    out[7] = '-';
    two(out + 8, day);
    out[10] = 'T';
    two(out + 11, hour);
    out[13] = ':';
    two(out + 14, minute);
    out[16] = ':';
    two(out + 17, second);
    return std::string(out, 19);
}

} // namespace tallyvolt::report
