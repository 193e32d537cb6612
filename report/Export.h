// One normalised row per record, for spreadsheets (CSV) and scripts (JSON).
#pragma once

#include "report/LogModel.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvolt::report {

enum class RowFormat
{
    Csv,
    Json
};

// Hands the text to `sink` in pieces of about 64 KiB: run, time (ISO 8601, local), charge
// (empty or null when unknown), AC, state, CPU (empty or null when unknown), and, only when
// some record has the power column, power_w (watts, empty or null when unknown).
void WriteRows(const std::vector<ParsedFile>& files, RowFormat format,
               const std::function<void(std::string_view)>& sink);

const char* LinePowerWord(LinePower ac);

} // namespace tallyvolt::report
