// The system clock on Linux.
#include "platform/Clock.h"

#include <time.h>

namespace tallyvolt {
namespace {

class LinuxClock : public Clock
{
public:
    std::time_t Now() override { return std::time(nullptr); }

    std::int64_t ElapsedSeconds() override
    {
        // CLOCK_BOOTTIME goes on through suspend and ignores changes of the wall clock.
        struct timespec ts;
        if (::clock_gettime(CLOCK_BOOTTIME, &ts) != 0 && ::clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
            return 0;
        return static_cast<std::int64_t>(ts.tv_sec);
    }

    std::tm LocalTime(std::time_t t) override
    {
        std::tm out{};
        ::localtime_r(&t, &out);
        return out;
    }
};

} // namespace

std::unique_ptr<Clock> CreateSystemClock()
{
    return std::make_unique<LinuxClock>();
}

} // namespace tallyvolt
