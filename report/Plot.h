// Charts of the runs: charge and processor usage over time, as an SVG or PNG file.
#pragma once

#include "report/LogModel.h"

#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

struct PlotOptions
{
    std::string path;     // ends in .svg or .png, in any case
    bool overlay = false; // all runs in one panel, over the time since each run's start
    std::optional<LocalSeconds>
        period; // sampling period for telling gaps, as GapThreshold takes it
};

// Draws charge (%) and processor usage (%) over time for the runs: one panel per run, or all
// runs in one panel with `overlay`. The file appears only when the whole chart is written.
// Returns false and sets *error to a message that starts with the file's name on failure.
bool PlotRuns(const std::vector<Run>& runs, const PlotOptions& options, std::string* error);

} // namespace tallyvolt::report
