// One normalised row per record, for spreadsheets (CSV) and scripts (JSON).
#pragma once

#include "report/LogReader.h"
#include "report/RowText.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvolt::report {

// Hands the text to `sink` in pieces of about 64 KiB: run, time (ISO 8601, local), charge
// (empty or null when unknown), AC, state, CPU (empty or null when unknown), and, only when
// some record has the power column, power_w (watts, empty or null when unknown).
void WriteRows(const std::vector<ParsedFile>& files, RowFormat format,
               const std::function<void(std::string_view)>& sink);

// Writes the rows as the records are read, to `sink` in pieces of about 64 KiB.
class RowWriter : public RunSink
{
public:
    // `withPower`: the power_w column, which only logs with the power column get.
    RowWriter(RowFormat format, bool withPower, std::function<void(std::string_view)> sink);
    void Record(const Run& run, const report::Record& record) override;
    void RunEnded(const Run&) override {}
    // Ends the rows (the JSON array) and hands over the rest.
    void Finish();

private:
    bool m_withPower;
    RowText m_rows;
    std::function<void(std::string_view)> m_sink;
    std::string m_out;
    // The state words of the last record, kept: most records repeat them.
    std::uint8_t m_lastState = 0;
    std::string m_stateWords;
};

const char* LinePowerWord(LinePower ac);

} // namespace tallyvolt::report
