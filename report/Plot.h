// Charts of the runs: charge and processor usage over time, as an SVG or PNG file.
#pragma once

#include "report/LogReader.h"

#include <memory>

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

// False in a build without a plotting library, whose ChartBuilder refuses every chart: Plan
// fails with "PATH: this build draws no charts", a usage that build cannot serve.
extern const bool kDrawsCharts;

// A chart made over two readings of the logs, neither keeping their records: the first finds
// each run's time range, gap threshold and power scale, the second thins each series into the
// pixel columns those give. The runs must come the same both times.
class ChartBuilder
{
public:
    explicit ChartBuilder(PlotOptions options);
    ~ChartBuilder();
    RunSink& FirstReading();
    // Between the readings. False, with *error as PlotRuns sets it, when the file's kind is
    // unknown or there is nothing to draw or too much.
    bool Plan(std::string* error);
    RunSink& SecondReading();
    // Writes the file, as PlotRuns does.
    bool Draw(std::string* error);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

// Draws charge (%) and processor usage (%) over time for the runs: one panel per run, or all
// runs in one panel with `overlay`. The file appears only when the whole chart is written.
// Returns false and sets *error to a message that starts with the file's name on failure.
bool PlotRuns(const std::vector<Run>& runs, const PlotOptions& options, std::string* error);

} // namespace tallyvolt::report
