// Tests of processor usage from /proc/stat snapshots rewritten between readings.
#include "platform/linux/ProcStatStatistic.h"
#include "fakes/BusyCore.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

using tallyvolt::ProcStatStatistic;
using tallyvolt::test::BusyCore;
using tallyvolt::test::ReadFile;
using tallyvolt::test::TempFolder;
using tallyvolt::test::WriteFile;

namespace {

const std::string kSnapshots = TALLYVOLT_TEST_DATA_DIR "/proc_stat";
// Fixture files do not tick: nothing to wait for.
constexpr std::chrono::milliseconds kNoWait{0};

// A stat file in a folder of the test's own, rewritten before each reading.
class ProcStatTest : public testing::Test
{
protected:
    std::optional<std::uint32_t> UsageAfter(const std::string& content)
    {
        WriteFile(m_path, content);
        return m_statistic.ReadUsage();
    }
    void StartWith(const std::string& content)
    {
        WriteFile(m_path, content);
        m_statistic.StartCollecting();
    }

    TempFolder m_folder;
    std::string m_path = m_folder / "stat";
    ProcStatStatistic m_statistic{m_path, kNoWait};
};

TEST_F(ProcStatTest, RecordedSnapshotsOfAVirtualMachine)
{
    // Steal counts as busy, guest time is inside user already, iowait is idle: 980 of 2000.
    StartWith(ReadFile(kSnapshots + "/vm-two-cores-before.txt"));
    EXPECT_EQ(UsageAfter(ReadFile(kSnapshots + "/vm-two-cores-after.txt")), 49u);
}

TEST_F(ProcStatTest, IntervalArithmetic)
{
    struct Case
    {
        const char* what;
        const char* before;
        const char* after;
        std::uint32_t usage;
    };
    const Case cases[] = {
        {"steal is busy", "cpu  100 0 0 1000 0 0 0 0 0 0", "cpu  100 0 0 1050 0 0 0 50 0 0", 50},
        {"guest not twice", "cpu  100 0 0 1000 0 0 0 0 0 0", "cpu  140 0 0 1060 0 0 0 0 40 0", 40},
        {"guest_nice not twice", "cpu  0 100 0 1000 0 0 0 0 0 0", "cpu  0 130 0 1070 0 0 0 0 0 30",
         30},
        {"iowait is idle", "cpu  100 0 0 1000 100 0 0 0 0 0", "cpu  125 0 0 1025 150 0 0 0 0 0",
         25},
        {"irq and softirq are busy", "cpu  0 0 0 1000 0 10 10 0 0 0",
         "cpu  0 0 0 1090 0 15 15 0 0 0", 10},
        {"rounds to nearest", "cpu  0 0 0 0 0 0 0 0 0 0", "cpu  2 0 0 1 0 0 0 0 0 0", 67},
        {"half rounds up", "cpu  0 0 0 0 0 0 0 0 0 0", "cpu  1 0 0 7 0 0 0 0 0 0", 13},
        // iowait falls by 100 while 60 busy and 50 idle ticks pass: without saturation the
        // idle difference would be negative and the figure 600 %.
        {"iowait backwards", "cpu  100 0 0 1000 200 0 0 0 0 0", "cpu  160 0 0 1050 100 0 0 0 0 0",
         100},
        {"idle ahead of total", "cpu  100 0 0 1000 0 0 0 0 0 0", "cpu  90 0 0 1050 0 0 0 0 0 0", 0},
        {"kernel 2.4: four columns", "cpu  100 0 50 850", "cpu  130 0 60 910", 40},
        {"kernel 2.6.0: seven columns", "cpu  100 0 50 800 50 0 0", "cpu  130 0 60 840 70 0 0", 40},
        {"a column from a later kernel", "cpu  100 0 0 900 0 0 0 0 0 0 7",
         "cpu  110 0 0 990 0 0 0 0 0 0 9", 10},
    };
    for (const Case& c : cases) {
        ProcStatStatistic statistic(m_path, kNoWait);
        WriteFile(m_path, std::string(c.before) + "\n");
        statistic.StartCollecting();
        WriteFile(m_path, std::string(c.after) + "\n");
        EXPECT_EQ(statistic.ReadUsage(), c.usage) << c.what;
    }
}

TEST_F(ProcStatTest, IntervalWithoutTicksRepeatsThePreviousFigure)
{
    StartWith("cpu  100 0 0 900 0 0 0 0 0 0\n");
    EXPECT_EQ(UsageAfter("cpu  100 0 0 900 0 0 0 0 0 0\n"), 0u); // none measured yet
    EXPECT_EQ(UsageAfter("cpu  130 0 0 970 0 0 0 0 0 0\n"), 30u);
    EXPECT_EQ(UsageAfter("cpu  130 0 0 970 0 0 0 0 0 0\n"), 30u);
    EXPECT_EQ(UsageAfter("cpu  140 0 0 1060 0 0 0 0 0 0\n"), 10u);
    // A new start forgets the old figure.
    StartWith("cpu  140 0 0 1060 0 0 0 0 0 0\n");
    EXPECT_EQ(UsageAfter("cpu  140 0 0 1060 0 0 0 0 0 0\n"), 0u);
}

TEST_F(ProcStatTest, GarbageGivesNothingAndTheLastGoodSnapshotStaysTheReference)
{
    const char* garbage[] = {
        "",
        "cpu0 130 0 0 970 0 0 0 0 0 0\n",
        "intr 12 0 0\ncpu  130 0 0 970 0 0 0 0 0 0\n",
        "cpu  130 0 0\n",
        "cpu  130 x 0 970\n",
        "cpu  130 -1 0 970\n",
        "cpu  130 0 0 18446744073709551616\n",
        "cpu  130 0 0 970 0 0 0 0 0 0 junk\n",
        "cpu\n",
    };
    StartWith("cpu  100 0 0 900 0 0 0 0 0 0\n");
    for (const char* text : garbage)
        EXPECT_EQ(UsageAfter(text), std::nullopt) << '"' << text << '"';
    EXPECT_EQ(UsageAfter("cpu  120 0 0 980" + std::string(5000, ' ')), std::nullopt)
        << "a first line too long to be the cpu line";
    EXPECT_EQ(UsageAfter("cpu  120 0 0 980 0 0 0 0 0 0\n"), 20u);
}

TEST_F(ProcStatTest, ReferenceIsTakenWhenThereIsNone)
{
    // No StartCollecting: the first reading only takes the reference.
    EXPECT_EQ(UsageAfter("cpu  100 0 0 900\n"), std::nullopt);
    EXPECT_EQ(UsageAfter("cpu  150 0 0 950\n"), 50u);
    // The file gone at the start: the first good reading after it becomes the reference.
    m_statistic.StopCollecting();
    std::remove(m_path.c_str());
    m_statistic.StartCollecting();
    EXPECT_EQ(m_statistic.ReadUsage(), std::nullopt);
    EXPECT_EQ(UsageAfter("cpu  200 0 0 1000\n"), std::nullopt);
    // Only the first line matters, however long the rest of the file.
    EXPECT_EQ(UsageAfter("cpu  210 0 0 1090\nintr " + std::string(100000, '1') + "\n"), 10u);
    m_statistic.StopCollecting();
    EXPECT_EQ(UsageAfter("cpu  300 0 0 1100\n"), std::nullopt);
}

} // namespace

// Regression: the first reading came microseconds after the start, when no tick had passed,
// and every run's first record said 0 % whatever the load.
TEST(ProcStatOfThisMachine, FirstReadingMeasuresATenthOfASecondAndSeesABusyCore)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    BusyCore busy;
    ProcStatStatistic statistic("/proc/stat");
    const auto started = std::chrono::steady_clock::now();
    statistic.StartCollecting();
    const std::optional<std::uint32_t> usage = statistic.ReadUsage();
    EXPECT_GE(std::chrono::steady_clock::now() - started, tallyvolt::FirstInterval::kShortest);
    ASSERT_TRUE(usage);
    // One core of `cores` busy all along is 100 / cores percent at least; ticks are counted
    // coarsely, so allow for a few.
    EXPECT_GE(*usage * cores, 60u) << *usage << "% of " << cores << " cores";
}
