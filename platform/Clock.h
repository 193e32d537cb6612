// Time sources: wall-clock time for the log's time stamps, a steady count for elapsed time.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>

namespace tallyvolt {

class Clock
{
public:
    virtual ~Clock() = default;
    // Wall-clock time, whole seconds since 1970-01-01 00:00 UTC.
    virtual std::time_t Now() = 0;
    // Seconds on a clock that counts suspend and never jumps when the wall clock is set.
    virtual std::int64_t ElapsedSeconds() = 0;
    // Breaks `t` down into local calendar time (time zone and daylight saving applied).
    virtual std::tm LocalTime(std::time_t t) = 0;
};

// The machine's own clock.
std::unique_ptr<Clock> CreateSystemClock();

} // namespace tallyvolt
