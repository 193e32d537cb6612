// The shortest interval that a processor statistic's first reading after its start measures.
#pragma once

#include <chrono>
#include <thread>

namespace tallyvolt {

// The first sample follows the start of collecting by microseconds: read then, the counters
// have not moved (they tick every 10 to 16 ms) and the figure would say 0 % whatever the load.
// This holds that first reading back until the counters have run for kShortest.
class FirstInterval
{
public:
    static constexpr std::chrono::milliseconds kShortest{100};

    // `shortest` is kShortest but where the counters are not real (fixture files).
    explicit FirstInterval(std::chrono::milliseconds shortest = kShortest) : m_shortest(shortest) {}

    // The reference was taken just now.
    void Start()
    {
        m_start = std::chrono::steady_clock::now();
        m_pending = true;
    }
    // Called before each reading: the first one after Start sleeps until `shortest` has passed
    // since it (while the program sleeps, its own start-up does not count as load); any other
    // returns at once.
    void WaitOut()
    {
        if (!m_pending)
            return;
        m_pending = false;
        // A sleep may end a little early by this clock (seen under Wine, by 0.1 ms): go on
        // until it agrees.
        const auto until = m_start + m_shortest;
        for (auto now = std::chrono::steady_clock::now(); now < until;
             now = std::chrono::steady_clock::now())
            std::this_thread::sleep_for(until - now);
    }
    // No reading is due from that reference any more.
    void Cancel() { m_pending = false; }

private:
    std::chrono::milliseconds m_shortest;
    std::chrono::steady_clock::time_point m_start;
    bool m_pending = false;
};

} // namespace tallyvolt
