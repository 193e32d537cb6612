// The processor usage between two readings of GetSystemTimes.
#pragma once

#include <cstdint>
#include <optional>

namespace tallyvolt::win {

// One reading, in 100-nanosecond units summed over all processors. The kernel time includes
// the idle time.
struct SystemTimes
{
    std::uint64_t idle = 0;
    std::uint64_t kernel = 0;
    std::uint64_t user = 0;
};

// Percent busy (0..100) between `before` and `after`; nullopt when no time passed. Counters
// that went backwards count as no time.
std::optional<std::uint32_t> UsageBetween(const SystemTimes& before, const SystemTimes& after);

} // namespace tallyvolt::win
