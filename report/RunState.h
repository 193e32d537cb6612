// A run's figures kept as running sums while its records go by, so that a summary takes the
// same memory for a run of ten samples as for one of ten million.
#pragma once

#include "log/RunFigures.h"
#include "report/Summary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tallyvolt::report {

// The intervals between a run's samples: counted by length, as the median needs them, each
// length with the time it spent on line power and with a known line power state, and where
// the ones that may turn out to be gaps began.
class IntervalTally
{
public:
    void Add(LocalSeconds length, LinePower before, LocalSeconds from);

    std::uint64_t Count() const { return m_total; }
    // The median length, at least one second; 1 without intervals.
    LocalSeconds Median() const;
    // Seconds on line power and with the state known, over the intervals not over `gap`.
    std::pair<LocalSeconds, LocalSeconds> LinePowerTime(LocalSeconds gap) const;
    // The intervals over `gap` in the order they came; `*notListed` counts those whose start
    // was not kept (more than kKeptStarts of lengths that mostly are no gaps).
    std::vector<Gap> Gaps(LocalSeconds gap, std::uint64_t* notListed) const;

    // Lengths up to this are counted; longer ones (rare: pauses) are kept one by one.
    static constexpr LocalSeconds kCounted = 1024;
    // Starts of counted intervals kept at most, over all lengths.
    static constexpr std::size_t kKeptStarts = 1 << 18;

private:
    struct Start
    {
        std::uint64_t order;
        LocalSeconds from;
    };
    struct Length
    {
        std::uint64_t count = 0, known = 0, on = 0;
        bool startsDropped = false;
        std::vector<Start> starts;
    };
    struct Long
    {
        LocalSeconds length;
        LinePower before;
        Start start;
    };
    void DropMostCommonStarts();

    std::vector<Length> m_lengths; // kCounted of them, from the first interval on
    std::vector<Long> m_long;
    std::uint64_t m_total = 0;
    std::size_t m_keptStarts = 0;
};

// Takes a run's records one by one, in file order; Finish gives the run's summary.
class RunState
{
public:
    void Add(const Record& r);
    std::uint64_t Samples() const { return m_samples; }
    RunSummary Finish(const Run& run, std::optional<LocalSeconds> period) const;

private:
    // The charge at the start and end, its range, and the rate between them.
    void SetCharge(RunSummary& s) const;

    std::uint64_t m_samples = 0, m_unknownCharge = 0;
    std::optional<Record> m_first, m_last;
    // The first and last known charge: the first is the program's burn-rate reference.
    std::optional<std::pair<int, Instant>> m_chargeFirst, m_chargeLast;
    std::optional<int> m_chargeMin, m_chargeMax;
    LineFit m_chargeFit; // the known charges against their moments
    // From the run's first record, whatever the charge, as the program averages them.
    TimeWeightedAverage m_cpu, m_power;
    std::optional<std::uint32_t> m_cpuMin, m_cpuMax;
    std::optional<double> m_powerMin, m_powerMax;
    Instant m_powerStart = 0;
    std::optional<Instant> m_powerLast;
    bool m_hasPower = false;
    std::optional<LinePower> m_lastKnownAc;
    int m_plugs = 0, m_unplugs = 0;
    IntervalTally m_intervals;
};

} // namespace tallyvolt::report
