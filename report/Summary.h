// The figures of one run, worked out from its records the way the program works them out.
#pragma once

#include "report/DrainFit.h"
#include "report/LogModel.h"

#include <optional>
#include <string>
#include <vector>

namespace tallyvolt::report {

struct Gap
{
    LocalSeconds from = 0; // the last sample before the gap, local wall-clock time
    LocalSeconds length = 0;
};

struct RunSummary
{
    LocalSeconds start = 0; // local wall-clock time, as the log says
    LocalSeconds end = 0;
    LocalSeconds duration = 0; // as a stopwatch gives it, across changes of the clocks
    std::size_t samples = 0;
    std::size_t unknownCharge = 0;
    std::optional<int> chargeStart, chargeEnd, chargeMin, chargeMax;
    // Mean fall of the charge per minute from the first known charge to the last, negative
    // while it rises (as the program's burn rate). None with fewer than two known charges at
    // different times.
    std::optional<double> burnRate;
    // Minutes until empty (draining) or full (charging) at that rate, from the last charge.
    std::optional<double> minutesToEmpty, minutesToFull;
    std::optional<double> cpuAverage; // time-weighted, as the program's average
    std::optional<std::uint32_t> cpuMin, cpuMax;
    // With the power column: its time-weighted average (as the processor's, over the known
    // powers), the lowest and highest, and the energy used, the integral of the power over the
    // run in watt-hours (the average times the time it covers). None without a known power.
    bool hasPower = false;
    std::optional<double> powerAverage, powerMin, powerMax, energyWh;
    // Share of the sampled time (gaps left out) on line power, 0 to 1; none when unknown.
    std::optional<double> linePowerShare;
    int plugs = 0;                   // Off -> On
    int unplugs = 0;                 // On -> Off
    LocalSeconds period = 0;         // the sampling period: given, or the median interval
    std::vector<Gap> gaps;           // longer than three periods
    std::uint64_t gapsNotListed = 0; // gaps among so many intervals that not all were kept
    // The least-squares line through the known charges against time: the fall in percent per
    // hour with its 95 % interval, over `fittedCharges` charges; `fitProblem` says why there is
    // none.
    std::optional<Interval> fittedRate;
    std::string fitProblem;
    std::size_t fittedCharges = 0;
};

// The median interval between consecutive samples, at least one second.
LocalSeconds MedianInterval(const std::vector<Record>& records);

// Gaps are intervals longer than three periods; `period` is the median interval when not given.
LocalSeconds GapThreshold(const std::vector<Record>& records, std::optional<LocalSeconds> period);

// The summary of a run whose records are at hand; RunState gives it while they are read.
RunSummary Summarise(const Run& run, std::optional<LocalSeconds> period);

} // namespace tallyvolt::report
