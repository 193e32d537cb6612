// The run's statistics: the burn rate's reference and the time-weighted processor and power
// averages, all on the elapsed clock (which counts suspend and ignores changes of the wall
// clock, so a rate stays "per minute of the run").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "log/RunFigures.h"

namespace tallyvolt {

class RunStatistics
{
public:
    // A new run: the next sample starts the averages and takes the reference.
    void Restart();
    // The charge of a sample at `now`; the run's first sample starts the averages.
    void AddCharge(std::int64_t now, std::uint8_t percent);
    // The processor usage of the same sample, when known.
    void AddUsage(std::int64_t now, std::optional<std::uint32_t> usage);
    // The power drawn at the same sample, when known.
    void AddPower(std::int64_t now, std::optional<double> watts);

    // "Undefined" until the reference is older than a second; empty before any sample.
    const std::string& BurnRateText() const { return m_burnRateText; }
    double CpuAverage() const { return m_cpuAverage.Value(); }
    // The time-weighted mean of the run's known powers; none before any.
    std::optional<double> PowerAverage() const;

private:
    std::string m_burnRateText;
    TimeWeightedAverage m_cpuAverage;     // since the first sample
    TimeWeightedAverage m_powerAverage;   // the same, over known powers
    bool m_averagesStarted = false;       // the first sample has restarted them
    std::int64_t m_startTime = 0;         // the burn rate's reference
    std::uint8_t m_startPercentage = 255; // 255: no reference taken yet
};

} // namespace tallyvolt
