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

std::string Quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    out.append(text.substr(0, kShown));
    if (text.size() > kShown)
        out += "...";
    out += '"';
    return out;
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

LogParser::Scan LogParser::ScanLine(std::string_view line)
{
    // Control characters other than TAB (and DEL) are no part of a log; TAB, ',' and ';' are
    // the delimiters.
    static const auto kKinds = [] {
        std::array<std::uint8_t, 256> kinds{};
        for (int c = 0; c < 0x20; ++c)
            kinds[static_cast<std::size_t>(c)] = 0x80;
        kinds[0x7f] = 0x80;
        kinds['\t'] = 1;
        kinds[','] = 2;
        kinds[';'] = 4;
        return kinds;
    }();
    Scan scan;
    auto look = [&scan](std::uint8_t kind, std::size_t at) {
        if (kind == 0x80) {
            scan.binary = true;
            return false;
        }
        scan.kinds |= kind;
        if (scan.count < kFieldCount + 1)
            scan.at[scan.count] = at;
        ++scan.count;
        return true;
    };
    // Eight bytes at a time: a mask with the high bit of each byte that is a control character,
    // DEL or a delimiter, the others passed over without a look.
    constexpr std::uint64_t kOnes = 0x0101010101010101, kLows = 0x7f7f7f7f7f7f7f7f;
    auto zeroBytes = [](std::uint64_t w) { return ~(((w & kLows) + kLows) | w | kLows); };
    std::size_t i = 0;
    for (; line.size() - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, line.data() + i, sizeof word);
        std::uint64_t marks = zeroBytes(word & (0xe0 * kOnes)) | zeroBytes(word ^ (0x7f * kOnes)) |
                              zeroBytes(word ^ (',' * kOnes)) | zeroBytes(word ^ (';' * kOnes));
        for (; marks != 0; marks &= marks - 1) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctzll(marks)) / 8;
#else
            const std::size_t at = i + static_cast<std::size_t>(__builtin_clzll(marks)) / 8;
#endif
            if (!look(kKinds[static_cast<unsigned char>(line[at])], at))
                return scan;
        }
    }
    for (; i < line.size(); ++i) {
        const std::uint8_t kind = kKinds[static_cast<unsigned char>(line[i])];
        if (kind != 0 && !look(kind, i))
            return scan;
    }
    return scan;
}

bool LogParser::Record(std::string_view line, const Scan& scan, bool complete)
{
    // The delimiter is the one of the three that splits the line into five fields, or six
    // with the power column; none of the fields can hold any of them.
    if (scan.kinds & (scan.kinds - 1)) {
        Skip("not a line of a Tallyvolt log: " + Quoted(line));
        return false;
    }
    constexpr std::size_t kMostFields = kFieldCount + 1;
    std::string_view fields[kMostFields];
    const std::size_t count = std::min(scan.count + 1, kMostFields + 1);
    for (std::size_t i = 0, start = 0; i < std::min(count, kMostFields); ++i) {
        const std::size_t end = i < scan.count ? scan.at[i] : line.size();
        fields[i] = line.substr(start, end - start);
        start = end + 1;
    }
    const bool powerColumn = scan.count == kFieldCount;
    if (scan.count != kFieldCount - 1 && !powerColumn) {
        if (!complete)
            Skip("truncated last line");
        else if (scan.count > 0 && count < kFieldCount && ParseTimeStamp(fields[0]))
            Skip("record with " + std::to_string(count) + " of " + std::to_string(kFieldCount) +
                 " fields");
        else
            Skip("not a line of a Tallyvolt log: " + Quoted(line));
        return false;
    }
    if (std::equal(std::begin(kColumns), std::end(kColumns), std::begin(fields)) &&
        (!powerColumn || fields[kFieldCount] == kPowerColumn)) {
        m_out.isTallyvoltLog = true; // the column line under a start header
        return true;
    }
    report::Record record;
    record.line = m_lineNumber;
    const std::optional<LocalSeconds> time = m_stamps.Read(fields[0]);
    if (!time) {
        Skip("not a time stamp: " + Quoted(fields[0]));
        return false;
    }
    record.time = *time;
    // The program writes the charge as reported, 255 when the battery does not know it.
    const std::optional<std::uint32_t> charge = ParsePercent(fields[1], 3);
    if (!charge || *charge > 255) {
        Skip("not a battery charge: " + Quoted(fields[1]));
        return false;
    }
    if (*charge <= 100)
        record.charge = static_cast<std::uint8_t>(*charge);
    const std::optional<std::uint8_t> ac = ParseAcText(fields[2]);
    if (!ac) {
        Skip("not a line power state: " + Quoted(fields[2]));
        return false;
    }
    record.ac = *ac == 1 ? LinePower::On : *ac == 0 ? LinePower::Off : LinePower::Unknown;
    if (fields[3] != m_stateText || m_stateText.empty()) {
        const std::optional<std::uint8_t> state = ParseStateText(fields[3]);
        if (!state) {
            Skip("not a battery state: " + Quoted(fields[3]));
            return false;
        }
        m_stateText = fields[3];
        m_stateBits = *state;
    }
    record.state = m_stateBits;
    if (fields[4] != kUnknown) {
        const std::optional<std::uint32_t> cpu = ParsePercent(fields[4], 3);
        if (!cpu || *cpu > 100) {
            Skip(complete ? "not a processor usage: " + Quoted(fields[4]) : "truncated last line");
            return false;
        }
        record.cpu = *cpu;
    }
    if (powerColumn) {
        record.hasPower = true;
        const std::string_view power = fields[kFieldCount];
        if (power != kUnknown) {
            record.power = ParsePowerText(power);
            if (!record.power) {
                Skip(complete ? "not a power draw: " + Quoted(power) : "truncated last line");
                return false;
            }
        }
    }
    if (m_options.powerRecordsOnly) {
        m_out.powerRecord = m_out.powerRecord || record.hasPower;
        return true;
    }
    Run& run = Current();
    const Instant at = Resolve(record.time, m_clock.last);
    if (!m_clock.lastRecordAt && run.headerLine && at < run.startedAt) {
        Skip("stamped " + IsoTime(record.time) + ", before its run's start header at " +
             IsoTime(*run.started));
        return false;
    }
    if (m_clock.lastRecordAt) {
        if (at < *m_clock.last) {
            // Set back by hand or by time synchronisation: the record stays in its run, and the
            // run's later moments move on by what the clock lost, so no interval is negative.
            ClockSetBack back;
            back.line = m_lineNumber;
            back.from = m_clock.lastStamp;
            back.to = record.time;
            back.interval = m_options.period ? *m_options.period : m_clock.interval;
            back.by = *m_clock.last - at + back.interval;
            if (run.setBacks.empty() || run.setBacks.back().putRightAt ||
                *m_clock.last > m_clock.high) {
                m_clock.high = *m_clock.last;
                m_clock.highAt = *m_clock.last + m_clock.shift;
            }
            m_clock.shift += back.by;
            run.setBacks.push_back(back);
        } else if (!run.setBacks.empty() && !run.setBacks.back().putRightAt && at >= m_clock.high &&
                   m_clock.interval > 0 && at - *m_clock.last > 3 * m_clock.interval) {
            // A jump forward of more than a few samples, to just after where the clock stood
            // before it went back: the clock was put right again (a record from a wrong clock,
            // or a setting undone), not a pause in sampling.
            run.setBacks.back().putRightAt = m_lineNumber;
            const Instant previousAt = *m_clock.last + m_clock.shift;
            m_clock.shift = std::max(previousAt, m_clock.highAt + (at - m_clock.high)) - at;
        } else {
            m_clock.interval = at - *m_clock.last;
        }
    }
    m_clock.last = at;
    m_clock.lastStamp = record.time;
    record.at = at + m_clock.shift;
    m_clock.lastRecordAt = record.at;
    m_out.isTallyvoltLog = true;
    m_out.powerRecord = m_out.powerRecord || record.hasPower;
    if (m_sink && run.headerLine) {
        ++m_out.samples;
        m_sink->Record(run, record);
    } else
        run.records.push_back(record);
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
