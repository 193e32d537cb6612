// tallyvolt-report's command line: what to read, what to write, and where.
#pragma once

#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Plot.h"

#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

extern const char* const kUsage;

struct ReportOptions
{
    std::optional<RowFormat> rows; // CSV or JSON rows instead of the summary
    PlotOptions plot;              // no chart when its path is empty
    ReadOptions read;
    std::string zone;              // --tz: an IANA zone to read the stamps in; empty for TZ's
    std::string outputPath;        // standard output when empty or "-"
    std::vector<std::string> logs; // "-" for standard input
    bool compare = false;          // one row per run, compared with the first
};

enum class Action
{
    Report,
    ShowHelp,
    ShowVersion,
    BadUsage,
};

struct ParsedOptions
{
    Action action = Action::BadUsage;
    ReportOptions options;
    std::string problem; // with BadUsage: what is wrong, for "tallyvolt-report: PROBLEM"
};

// Reads the program's arguments, argv[0] the program's name.
ParsedOptions ParseOptions(int argc, char** argv);

} // namespace tallyvolt::report
