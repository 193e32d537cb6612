// The burn rate and the time-weighted processor average, as the monitor works them out and the
// report works them out again.
#include "log/RunFigures.h"

namespace tallyvolt {

double BurnRate(double startPercent, double percent, std::int64_t seconds)
{
    return (startPercent - percent) / static_cast<double>(seconds) * 60.0;
}

void TimeWeightedAverage::Add(double usage, std::int64_t now)
{
    m_any = true;
    const std::int64_t elapsed = now - m_start;
    if (elapsed == 0) {
        m_value = usage;
        return;
    }
    // The product is formed in double: in 32 bits it would wrap after a long enough suspend.
    const double previous = static_cast<double>(m_previous - m_start);
    const double interval = static_cast<double>(now - m_previous);
    m_value = (usage * interval + previous * m_value) / static_cast<double>(elapsed);
    m_previous = now;
}

} // namespace tallyvolt
