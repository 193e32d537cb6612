// CSV and JSON rows.
#include "report/Export.h"

#include "log/LogText.h"

#include <charconv>

namespace tallyvolt::report {

const char* LinePowerWord(LinePower ac)
{
    // The log's own words, all from string literals and so ended by '\0'.
    switch (ac) {
    case LinePower::On:
        return kAcWords[1].data();
    case LinePower::Off:
        return kAcWords[0].data();
    case LinePower::Unknown:
        break;
    }
    return kUnknown.data();
}

namespace {

void AppendNumber(std::string& out, std::uint64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

} // namespace

constexpr std::size_t kPiece = 64 * 1024;

RowWriter::RowWriter(RowFormat format, bool withPower, std::function<void(std::string_view)> sink)
    : m_json(format == RowFormat::Json), m_withPower(withPower), m_sink(std::move(sink)),
      m_stateWords(StateText(0))
{
    m_out.reserve(kPiece + 256);
    m_out += m_json      ? "["
             : withPower ? "run,time,charge,ac,state,cpu,power_w\n"
                         : "run,time,charge,ac,state,cpu\n";
}

void RowWriter::AppendPower(const report::Record& r, const char* unknown)
{
    if (!r.power) {
        m_out += unknown;
        return;
    }
    const std::string text = PowerText(*r.power); // "7.42W", never "-0.00W"
    m_out.append(text, 0, text.size() - 1);
}

void RowWriter::Record(const Run& run, const report::Record& r)
{
    std::string& out = m_out;
    if (r.state != m_lastState) {
        m_lastState = r.state;
        m_stateWords = StateText(r.state);
    }
    if (m_json) {
        out += m_firstRow ? "\n" : ",\n";
        out += "{\"run\":";
        AppendNumber(out, static_cast<std::uint64_t>(run.number));
        out += ",\"time\":\"";
        out += IsoTime(r.time);
        out += "\",\"charge\":";
        if (r.charge)
            AppendNumber(out, *r.charge);
        else
            out += "null";
        out += ",\"ac\":\"";
        out += LinePowerWord(r.ac);
        out += "\",\"state\":\"";
        out += m_stateWords;
        out += "\",\"cpu\":";
        if (r.cpu)
            AppendNumber(out, *r.cpu);
        else
            out += "null";
        if (m_withPower) {
            out += ",\"power_w\":";
            AppendPower(r, "null");
        }
        out += '}';
    } else {
        AppendNumber(out, static_cast<std::uint64_t>(run.number));
        out += ',';
        out += IsoTime(r.time);
        out += ',';
        if (r.charge)
            AppendNumber(out, *r.charge);
        out += ',';
        out += LinePowerWord(r.ac);
        out += ',';
        out += m_stateWords;
        out += ',';
        if (r.cpu)
            AppendNumber(out, *r.cpu);
        if (m_withPower) {
            out += ',';
            AppendPower(r, "");
        }
        out += '\n';
    }
    m_firstRow = false;
    if (out.size() >= kPiece) {
        m_sink(out);
        out.clear();
    }
}

void RowWriter::Finish()
{
    if (m_json)
        m_out += m_firstRow ? "]\n" : "\n]\n";
    m_sink(m_out);
    m_out.clear();
}

void WriteRows(const std::vector<ParsedFile>& files, RowFormat format,
               const std::function<void(std::string_view)>& sink)
{
    bool withPower = false;
    for (const ParsedFile& file : files)
        withPower = withPower || file.powerRecord;
    RowWriter writer(format, withPower, sink);
    for (const ParsedFile& file : files)
        for (const Run& run : file.runs)
            for (const report::Record& r : run.records)
                writer.Record(run, r);
    writer.Finish();
}

} // namespace tallyvolt::report
