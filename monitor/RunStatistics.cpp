// The burn rate against the run's reference and the run's averages.
#include "monitor/RunStatistics.h"

#include "log/LogText.h"

namespace tallyvolt {

namespace {

constexpr std::uint8_t kNoReference = 255;

} // namespace

void RunStatistics::Restart()
{
    m_startPercentage = kNoReference;
    m_averagesStarted = false;
}

void RunStatistics::AddCharge(std::int64_t now, std::uint8_t percent)
{
    // The processor and power averages run from the run's first sample, whatever the charge:
    // the footer names them the run's averages.
    if (!m_averagesStarted) {
        m_cpuAverage.Restart(now);
        m_powerAverage.Restart(now);
        m_averagesStarted = true;
    }
    // Until a known charge has been seen, every sample takes the burn rate's reference anew.
    if (m_startPercentage == kNoReference) {
        m_startPercentage = percent;
        m_startTime = now;
    }
    const std::int64_t elapsed = now - m_startTime;

    // An unknown charge after the reference says nothing about the drain; counting it as 255%
    // would show a huge negative rate. Such a sample leaves the rate as it was.
    const bool chargeKnown = percent <= 100;
    if (chargeKnown || m_startPercentage == kNoReference) {
        m_burnRateText = "Undefined";
        if (elapsed != 0)
            m_burnRateText = tallyvolt::BurnRateText(BurnRate(m_startPercentage, percent, elapsed));
    }
}

void RunStatistics::AddUsage(std::int64_t now, std::optional<std::uint32_t> usage)
{
    if (usage)
        m_cpuAverage.Add(*usage, now);
}

void RunStatistics::AddPower(std::int64_t now, std::optional<double> watts)
{
    if (watts)
        m_powerAverage.Add(*watts, now);
}

std::optional<double> RunStatistics::PowerAverage() const
{
    if (!m_powerAverage.HasValue())
        return std::nullopt;
    return m_powerAverage.Value();
}

} // namespace tallyvolt
