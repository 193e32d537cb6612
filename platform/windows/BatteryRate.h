// The batteries' power on Windows: the rate each battery device reports.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tallyvolt::win {

// What one battery device said: its rate in mW (positive while charging, Windows' sign), or
// nothing where it gave none or reports its capacity in relative units, where the rate is no
// power.
struct BatteryRate
{
    std::optional<std::int32_t> milliwatts;
};

// The power drawn from the batteries in watts, positive while they discharge (the sign of the
// log's burn rate): the sum of the known rates, flipped; nothing when no battery gave one.
std::optional<double> PowerDrawFrom(const std::vector<BatteryRate>& batteries);

// Asks every battery device of the system for its rate (IOCTL_BATTERY_QUERY_STATUS).
std::vector<BatteryRate> ReadBatteryRates();

} // namespace tallyvolt::win
