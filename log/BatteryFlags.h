// The battery state bits of a power reading and the words the log writes for them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tallyvolt {

enum BatteryFlag : std::uint8_t
{
    kBatteryHigh = 0x01,
    kBatteryLow = 0x02,
    kBatteryCritical = 0x04,
    kBatteryCharging = 0x08,
    kNoSystemBattery = 0x80,
};

struct StateWord
{
    BatteryFlag bit;
    std::string_view word;
};

// In the order the log joins them with '+'.
constexpr StateWord kStateWords[] = {{kBatteryHigh, "High"},
                                     {kBatteryLow, "Low"},
                                     {kBatteryCritical, "Critical"},
                                     {kBatteryCharging, "Charging"},
                                     {kNoSystemBattery, "No Battery"}};

} // namespace tallyvolt
