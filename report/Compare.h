// Runs side by side: each run's drain rate from a least-squares fit, its power and energy, and
// how far each run after the first differs from the first, beyond the noise or within it.
#pragma once

#include "log/RunFigures.h"
#include "report/DrainFit.h"
#include "report/Export.h"
#include "report/LogModel.h"
#include "report/LogReader.h"

#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

struct Change
{
    double percent = 0;       // (this - first) / first, in percent
    bool beyondNoise = false; // the two 95 % intervals do not overlap
};

struct CompareRow
{
    std::string label; // FILE:RUN, the run counted within its file from 1
    LocalSeconds duration = 0;
    std::size_t samples = 0;
    std::optional<Interval> drainRate;  // percent per hour, positive while the charge falls
    std::string drainProblem;           // why there is no rate
    std::optional<double> hoursToEmpty; // from the fitted charge at the last known charge
    bool hasPower = false;              // the log has the power column
    std::optional<Interval> power;      // watts: the time-weighted mean of the known readings
    std::optional<double> energyWh;     // time-weighted power over the time it covers
    std::optional<double> cpuAverage;   // percent, time-weighted
    std::optional<Change> drainChange, powerChange; // from the first row; none on the first
};

// Takes one run's records one at a time; times are the records' moments, so a run across a
// change of the clocks is measured as a stopwatch would.
class RunComparer
{
public:
    RunComparer(std::string label, std::optional<Instant> started);
    void Add(const Record& record);
    CompareRow Finish(const std::optional<Footer>& footer) const;

private:
    CompareRow m_row;
    std::optional<Instant> m_started, m_first, m_last, m_lastCharge, m_lastPower;
    LineFit m_charge; // known charges against seconds
    MeanFit m_power;
    TimeWeightedAverage m_cpu, m_powerOverTime;
};

// Builds the rows while the logs are read, a row as each run ends, its run counted within its
// file; no run is kept.
class CompareWriter : public RunSink
{
public:
    void Record(const Run& run, const report::Record& record) override;
    void RunEnded(const Run& run) override;
    // The rows so far, with each row's change from the first.
    std::vector<CompareRow> Rows() const;

private:
    RunComparer& Current(const Run& run);

    std::vector<CompareRow> m_rows;
    std::optional<RunComparer> m_current;
    std::string m_file;
    int m_runInFile = 0;
};

// One row per run of the files whose runs were kept, in order, with each row's change from the
// first.
std::vector<CompareRow> CompareRuns(const std::vector<ParsedFile>& files);
// Sets the changes of every row after the first.
void SetChanges(std::vector<CompareRow>& rows);

// The table for a terminal, its columns lined up.
std::string CompareTable(const std::vector<CompareRow>& rows);
// The same figures as CSV (a header line, then a line per run) or a JSON array of objects.
std::string CompareRowsText(const std::vector<CompareRow>& rows, RowFormat format);

} // namespace tallyvolt::report
