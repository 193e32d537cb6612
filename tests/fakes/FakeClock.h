// A clock that stands still until a test moves it, in a fixed time zone (UTC).
#pragma once

#include "platform/Clock.h"

namespace tallyvolt::test {

class FakeClock : public Clock
{
public:
    explicit FakeClock(std::time_t now) : m_now(now) {}

    std::time_t Now() override { return m_now; }
    std::int64_t ElapsedSeconds() override { return m_elapsed; }
    std::tm LocalTime(std::time_t t) override
    {
        std::tm out{};
#ifdef _WIN32
        ::gmtime_s(&out, &t);
#else
        ::gmtime_r(&t, &out);
#endif
        return out;
    }

    void Advance(std::int64_t seconds)
    {
        m_now += seconds;
        m_elapsed += seconds;
    }

private:
    std::time_t m_now;
    std::int64_t m_elapsed = 1000;
};

} // namespace tallyvolt::test
