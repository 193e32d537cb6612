// The sampling timer's GLib source on a private main context: the first firing a period after
// Start, the next ones a period apart, Stop and a restart from inside the handler (as the
// monitor does around every sample), and a timer destroyed while it runs.
#include "platform/linux/GLibTimer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tallyvolt::test {
namespace {

constexpr std::uint32_t kPeriodMs = 40;
constexpr gint64 kPeriodUs = kPeriodMs * 1000;

class GLibTimerTest : public ::testing::Test
{
protected:
    ~GLibTimerTest() override { g_main_context_unref(m_context); }

    // Runs the context for `ms` milliseconds, or until `enough` firings were counted.
    void Run(int ms, std::size_t enough = SIZE_MAX)
    {
        const gint64 end = g_get_monotonic_time() + gint64{ms} * 1000;
        while (g_get_monotonic_time() < end && m_firings.size() < enough) {
            if (!g_main_context_iteration(m_context, FALSE))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    GMainContext* m_context = g_main_context_new();
    std::vector<gint64> m_firings; // monotonic times of the firings
};

TEST_F(GLibTimerTest, FiresAPeriodAfterStartThenEveryPeriodUntilStopped)
{
    GLibTimer timer([this] { m_firings.push_back(g_get_monotonic_time()); }, m_context);
    EXPECT_FALSE(timer.IsRunning());
    Run(3 * kPeriodMs);
    EXPECT_TRUE(m_firings.empty()) << "a timer never started fired";

    const gint64 started = g_get_monotonic_time();
    timer.Start(kPeriodMs);
    EXPECT_TRUE(timer.IsRunning());
    Run(5000, 3);
    ASSERT_EQ(m_firings.size(), 3u);
    EXPECT_GE(m_firings[0] - started, kPeriodUs);
    EXPECT_GE(m_firings[1] - m_firings[0], kPeriodUs - 1000); // GLib's clock is per dispatch
    EXPECT_GE(m_firings[2] - m_firings[1], kPeriodUs - 1000);

    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    Run(4 * kPeriodMs);
    EXPECT_EQ(m_firings.size(), 3u) << "fired after Stop";
}

TEST_F(GLibTimerTest, HandlerStoppingOrRestartingItHasTheLastWord)
{
    // Stopped by its own handler: the re-arming for the next period must not win.
    GLibTimer once(
        [&] {
            m_firings.push_back(g_get_monotonic_time());
            once.Stop();
        },
        m_context);
    once.Start(kPeriodMs);
    Run(6 * kPeriodMs);
    EXPECT_EQ(m_firings.size(), 1u);
    EXPECT_FALSE(once.IsRunning());

    // Stopped, then started again after a slow sample: the period counts from the restart.
    m_firings.clear();
    std::vector<gint64> restarts;
    GLibTimer sampling(
        [&] {
            m_firings.push_back(g_get_monotonic_time());
            sampling.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(kPeriodMs));
            restarts.push_back(g_get_monotonic_time());
            sampling.Start(kPeriodMs);
        },
        m_context);
    sampling.Start(kPeriodMs);
    Run(5000, 3);
    ASSERT_EQ(m_firings.size(), 3u);
    EXPECT_GE(m_firings[1] - restarts[0], kPeriodUs);
    EXPECT_GE(m_firings[2] - restarts[1], kPeriodUs);
    EXPECT_TRUE(sampling.IsRunning());
}

TEST_F(GLibTimerTest, DestroyedWhileRunningLeavesNothingOnTheContext)
{
    {
        GLibTimer timer([this] { m_firings.push_back(g_get_monotonic_time()); }, m_context);
        timer.Start(1);
        Run(2000, 1);
        ASSERT_EQ(m_firings.size(), 1u);
    }
    // A source left behind would fire into the destroyed timer (the sanitizer build sees it).
    Run(10 * kPeriodMs);
    EXPECT_EQ(m_firings.size(), 1u);
}

} // namespace
} // namespace tallyvolt::test
