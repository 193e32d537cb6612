// The chart drawn with PLplot, from the runs' facts and thinned lines.
#pragma once

#include "report/ChartFile.h"
#include "report/ChartReadings.h"

#include <string>
#include <vector>

namespace tallyvolt::report {

// Draws the chart into `file`, which must exist and be writable: a panel per run (and a power
// panel under each run that has one), or all runs' charge in one panel with `overlay`. Returns
// PLplot's complaint when it gave up on a part of the drawing, empty when all went well.
std::string DrawChart(const std::vector<RunFacts>& runs, const std::vector<RunLines>& lines,
                      bool overlay, Format format, const std::string& file);

} // namespace tallyvolt::report
