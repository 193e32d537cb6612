// The summary as people read it: one block per run.
#pragma once

#include "report/LogModel.h"

#include <optional>
#include <string>

namespace tallyvolt::report {

// printf into a string, cut at 255 characters.
__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...);

// "2 h 5 min", "45 s", "3 d 4 h": the two largest units that are not zero.
std::string DurationText(LocalSeconds seconds);

// "2026-12-07 09:00:00"
std::string ReadableTime(LocalSeconds t);

// The file's heading line and a block for each of its runs.
std::string FileSummaryText(const ParsedFile& file, std::optional<LocalSeconds> period);

} // namespace tallyvolt::report
