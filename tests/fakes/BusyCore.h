// A known processor load for tests that read the machine's own statistic: one thread that
// keeps one core busy for as long as the object lives.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace tallyvolt::test {

class BusyCore
{
public:
    BusyCore()
        : m_thread([this] {
              while (!m_stop.load(std::memory_order_relaxed))
                  m_spins.fetch_add(1, std::memory_order_relaxed);
          })
    {
        // Spinning before the caller measures anything.
        while (m_spins.load() == 0)
            std::this_thread::yield();
    }
    ~BusyCore()
    {
        m_stop = true;
        m_thread.join();
    }
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::atomic<unsigned long> m_spins{0};
    std::thread m_thread;
};

} // namespace tallyvolt::test
