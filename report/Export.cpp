// CSV and JSON rows.
#include "report/Export.h"

#include "log/LogText.h"

#include <iterator>

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

constexpr std::size_t kPiece = 64 * 1024;

// The rows' columns; the last only for logs with the power column.
constexpr const char* kColumns[] = {"run", "time", "charge", "ac", "state", "cpu", "power_w"};

} // namespace

RowWriter::RowWriter(RowFormat format, bool withPower, std::function<void(std::string_view)> sink)
    : m_withPower(withPower),
      m_rows(format, kColumns, withPower ? std::size(kColumns) : std::size(kColumns) - 1,
             {"\n", ",", ":"}),
      m_sink(std::move(sink)), m_stateWords(StateText(0))
{
    m_out.reserve(kPiece + 256);
    m_rows.Start(m_out);
}

void RowWriter::Record(const Run& run, const report::Record& r)
{
    std::string& out = m_out;
    if (r.state != m_lastState) {
        m_lastState = r.state;
        m_stateWords = StateText(r.state);
    }
    m_rows.BeginRow(out);
    m_rows.Number(out, static_cast<std::uint64_t>(run.number));
    m_rows.Word(out, IsoTime(r.time));
    m_rows.Number(out, r.charge);
    m_rows.Word(out, LinePowerWord(r.ac));
    m_rows.Word(out, m_stateWords);
    m_rows.Number(out, r.cpu);
    if (m_withPower) {
        if (r.power) {
            const std::string text = PowerText(*r.power); // "7.42W", never "-0.00W"
            m_rows.Figure(out, std::string_view(text).substr(0, text.size() - 1));
        } else {
            m_rows.Missing(out);
        }
    }
    m_rows.EndRow(out);
    if (out.size() >= kPiece) {
        m_sink(out);
        out.clear();
    }
}

void RowWriter::Finish()
{
    m_rows.Finish(m_out);
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
