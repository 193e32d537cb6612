// The chart's two readings of the logs: the first finds where each run falls (its time range,
// gap threshold and power scale), the second thins each run's series into the pixel columns
// its scale gives. Neither keeps a record.
#pragma once

#include "report/ChartScale.h"
#include "report/LogReader.h"
#include "report/RunState.h"
#include "report/Thinner.h"

#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

// Where a chart's run falls, from the first reading of the logs.
struct RunFacts
{
    int number = 0;
    std::string file;
    LocalSeconds first = 0, last = 0;   // the earliest and latest stamps, as written
    LocalSeconds gap = 0;               // longer intervals break the lines, as GapThreshold says
    bool hasPower = false;              // some record has a known power draw
    double powerLow = 0, powerHigh = 1; // the power panel's scale takes in zero
    XScale panel, overlay;
};

// A run's lines, thinned during the second reading.
struct PowerChanges
{
    std::vector<double> pluggedIn, unplugged;
};

struct RunLines
{
    std::vector<Polyline> processor, charge, power, overlayCharge;
    PowerChanges changes;
};

// The height of a run's panels: the charge's, and the power's under it when there is one.
int RunHeight(const RunFacts& run);

// Where the runs fall on the x axis, once all are known.
void SetScales(std::vector<RunFacts>& runs);

// One run's series, thinned as its records go by; the lines break at gaps (timed as a stopwatch
// would), where the wall clock steps back, and at samples without a value. Line power changes,
// Off to On or On to Off (an Unknown in between does not count), are marked at most once every
// few pixels.
class RunThinners
{
public:
    explicit RunThinners(const RunFacts& facts);
    void Add(const Record& r);
    RunLines Finish();

private:
    void Mark(const Record& r);

    const RunFacts& m_facts;
    Thinner m_processor, m_charge, m_power, m_overlay;
    std::optional<Record> m_previous;
    LinePower m_known = LinePower::Unknown;
    PowerChanges m_changes;
};

// The first reading: each run's time range, gap threshold and power scale.
class FactsReading : public RunSink
{
public:
    FactsReading(std::optional<LocalSeconds> period, std::vector<RunFacts>& runs)
        : m_period(period), m_runs(runs)
    {
    }
    void Record(const Run& run, const report::Record& r) override;
    void RunEnded(const Run&) override;

private:
    std::optional<LocalSeconds> m_period;
    std::vector<RunFacts>& m_runs;
    std::optional<IntervalTally> m_intervals;
    Instant m_previousAt = 0;
    bool m_open = false;
};

// The second reading: each run's series thinned into the columns its scale gives.
class ThinningReading : public RunSink
{
public:
    ThinningReading(const std::vector<RunFacts>& runs, std::vector<RunLines>& lines)
        : m_runs(runs), m_lines(lines)
    {
    }
    void Record(const Run&, const report::Record& r) override;
    void RunEnded(const Run&) override;

private:
    const std::vector<RunFacts>& m_runs;
    std::vector<RunLines>& m_lines;
    std::optional<RunThinners> m_thinners;
};

} // namespace tallyvolt::report
