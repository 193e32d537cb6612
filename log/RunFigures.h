// The run's figures that the stop footer carries: the burn rate and the processor average.
#pragma once

#include <cstdint>

namespace tallyvolt {

// Mean fall of the charge per minute between two samples `seconds` apart, in percent per
// minute; negative while the charge rises. `seconds` must not be 0.
double BurnRate(double startPercent, double percent, std::int64_t seconds);

// The processor average of a run: each usage weighted by the time since the previous one
// that counted. Times are seconds on any clock that does not step back.
class TimeWeightedAverage
{
public:
    // Takes `at` as the run's reference: the next usage at that time replaces the average.
    void Restart(std::int64_t at)
    {
        m_start = at;
        m_previous = at;
    }
    void Add(double usage, std::int64_t now);
    double Value() const { return m_value; } // percent; 0 before any usage
    bool HasValue() const { return m_any; }

private:
    double m_value = 0.0;
    std::int64_t m_start = 0;
    std::int64_t m_previous = 0;
    bool m_any = false;
};

} // namespace tallyvolt
