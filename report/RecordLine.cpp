// One record line of a log: where its delimiters are, its fields' values, and its moment on
// the run's clock.
#include "report/LogReader.h"

#include "log/LogText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

namespace tallyvolt::report {

namespace {

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
    if (!ReadFields(fields, powerColumn, complete, record))
        return false;
    if (m_options.powerRecordsOnly) {
        m_out.powerRecord = m_out.powerRecord || record.hasPower;
        return true;
    }
    Run& run = Current();
    if (!PlaceOnClock(run, record))
        return false;
    m_out.isTallyvoltLog = true;
    m_out.powerRecord = m_out.powerRecord || record.hasPower;
    if (m_sink && run.headerLine) {
        ++m_out.samples;
        m_sink->Record(run, record);
    } else
        run.records.push_back(record);
    return true;
}

bool LogParser::ReadFields(const std::string_view* fields, bool powerColumn, bool complete,
                           report::Record& record)
{
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
    return true;
}

bool LogParser::PlaceOnClock(Run& run, report::Record& record)
{
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
    return true;
}

} // namespace tallyvolt::report
