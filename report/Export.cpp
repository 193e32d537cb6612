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

void WriteRows(const std::vector<ParsedFile>& files, RowFormat format,
               const std::function<void(std::string_view)>& sink)
{
    constexpr std::size_t kPiece = 64 * 1024;
    const bool json = format == RowFormat::Json;
    std::string out;
    out.reserve(kPiece + 256);
    // The power column only where some record has it, so that logs without it export as
    // they always have.
    bool withPower = false;
    for (const ParsedFile& file : files)
        for (const Run& run : file.runs)
            for (const Record& r : run.records)
                withPower = withPower || r.hasPower;
    auto appendPower = [&out](const Record& r, const char* unknown) {
        if (!r.power) {
            out += unknown;
            return;
        }
        const std::string text = PowerText(*r.power); // "7.42W", never "-0.00W"
        out.append(text, 0, text.size() - 1);
    };
    out += json        ? "["
           : withPower ? "run,time,charge,ac,state,cpu,power_w\n"
                       : "run,time,charge,ac,state,cpu\n";
    bool firstRow = true;
    // The state words of the last record, kept: most records repeat them.
    std::uint8_t lastState = 0;
    std::string stateWords = StateText(0);
    for (const ParsedFile& file : files) {
        for (const Run& run : file.runs) {
            for (const Record& r : run.records) {
                if (r.state != lastState) {
                    lastState = r.state;
                    stateWords = StateText(r.state);
                }
                if (json) {
                    out += firstRow ? "\n" : ",\n";
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
                    out += stateWords;
                    out += "\",\"cpu\":";
                    if (r.cpu)
                        AppendNumber(out, *r.cpu);
                    else
                        out += "null";
                    if (withPower) {
                        out += ",\"power_w\":";
                        appendPower(r, "null");
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
                    out += stateWords;
                    out += ',';
                    if (r.cpu)
                        AppendNumber(out, *r.cpu);
                    if (withPower) {
                        out += ',';
                        appendPower(r, "");
                    }
                    out += '\n';
                }
                firstRow = false;
                if (out.size() >= kPiece) {
                    sink(out);
                    out.clear();
                }
            }
        }
    }
    if (json)
        out += firstRow ? "]\n" : "\n]\n";
    sink(out);
}

} // namespace tallyvolt::report
