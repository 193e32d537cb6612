// The run's statistics on their own: the burn rate's reference, the averages' start, and a
// new run after a restart; and the run's log that carries them in its footer.
#include "monitor/RunStatistics.h"
#include "monitor/RunLog.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tallyvolt;
using namespace tallyvolt::test;

TEST(RunStatistics, TheReferenceWaitsForAKnownChargeAndAnUnknownOneKeepsTheRate)
{
    RunStatistics run;
    EXPECT_EQ(run.BurnRateText(), "");
    run.AddCharge(0, 255);
    run.AddCharge(60, 255);
    EXPECT_EQ(run.BurnRateText(), "Undefined");
    run.AddCharge(120, 80); // the first known charge is the reference
    EXPECT_EQ(run.BurnRateText(), "Undefined");
    run.AddCharge(240, 78);
    EXPECT_EQ(run.BurnRateText(), "1.00%/minute");
    run.AddCharge(300, 255);
    EXPECT_EQ(run.BurnRateText(), "1.00%/minute");
    run.AddCharge(360, 76);
    EXPECT_EQ(run.BurnRateText(), "1.00%/minute");
    run.AddCharge(480, 84); // charging: the fall is negative
    EXPECT_EQ(run.BurnRateText(), "-0.67%/minute");
}

TEST(RunStatistics, AveragesRunFromTheFirstSampleWhateverItsCharge)
{
    RunStatistics run;
    run.AddCharge(1000, 255);
    run.AddUsage(1000, 40);
    EXPECT_DOUBLE_EQ(run.CpuAverage(), 40.0);
    run.AddCharge(1060, 255);
    run.AddUsage(1060, std::nullopt); // an unknown usage counts for nothing
    run.AddCharge(1120, 90);
    run.AddUsage(1120, 10);
    EXPECT_DOUBLE_EQ(run.CpuAverage(), 10.0); // 120 s at 10 after the start at 1000

    EXPECT_FALSE(run.PowerAverage());
    run.AddPower(1120, std::nullopt);
    EXPECT_FALSE(run.PowerAverage());
    run.AddPower(1180, 8.0);
    ASSERT_TRUE(run.PowerAverage());
    EXPECT_DOUBLE_EQ(*run.PowerAverage(), 8.0);
}

TEST(RunStatistics, ARestartTakesANewReferenceAndStartsTheAveragesAgain)
{
    RunStatistics run;
    run.AddCharge(0, 90);
    run.AddUsage(0, 100);
    run.AddCharge(600, 80);
    run.AddUsage(600, 100);
    ASSERT_EQ(run.BurnRateText(), "1.00%/minute");

    run.Restart();
    run.AddCharge(5000, 50);
    EXPECT_EQ(run.BurnRateText(), "Undefined");
    run.AddUsage(5000, 20);
    EXPECT_DOUBLE_EQ(run.CpuAverage(), 20.0);
    run.AddCharge(5060, 49);
    EXPECT_EQ(run.BurnRateText(), "1.00%/minute");
}

namespace {

class RunLogFile : public ::testing::Test
{
protected:
    std::string Text() const { return ReadFile(m_dir / "run.log"); }

    TempFolder m_dir;
    FakeServices m_fakes; // 12/07/26 13:05:09
    MonitorSettings m_settings;
    RunLog m_log{m_fakes.clock, &CreateLogFile, m_settings};
};

} // namespace

TEST_F(RunLogFile, OpensOnceAndAppendsNothingOnceClosed)
{
    m_settings.SetExtraInfo(0);
    RunStatistics run;
    m_log.Close(run); // never opened: nothing to write, nothing to fail
    ASSERT_TRUE(m_log.Open(m_dir / "run.log"));
    EXPECT_FALSE(m_log.Open(m_dir / "other.log"));
    m_log.Append("a\r\n");
    m_log.Close(run);
    EXPECT_FALSE(m_log.IsOpen());
    m_log.Append("b\r\n");
    EXPECT_EQ(Text(), "a\r\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "other.log"));
}

TEST_F(RunLogFile, AReopenedLogTakesTheSettingsOfItsOwnTimeAndTheFooterTheRunsFigures)
{
    m_settings.SetDelimiter("COMMA");
    ASSERT_TRUE(m_log.Open(m_dir / "run.log"));
    std::filesystem::remove(m_dir / "run.log");
    m_settings.SetDelimiter("SEMICOLON");
    m_log.ReopenIfDeleted();
    m_log.Append("r\r\n");

    RunStatistics run;
    run.AddCharge(0, 90);
    run.AddUsage(0, 30);
    run.AddCharge(120, 88);
    m_log.Close(run);
    // The deleted file's header had commas; the new file is a log of its own, in semicolons.
    EXPECT_EQ(Text(), "Tallyvolt v1.0 - started 12/07/26 13:05:09\r\n"
                      "Time;Battery Life;AC Power;Battery State;CPU Usage\r\n"
                      "r\r\n"
                      "Tallyvolt v1.0 - stopped 12/07/26 13:05:09\r\n"
                      "Battery Burn Rate: 1.00%/minute;CPU Average:30.00%\r\n"
                      "\r\n");
}
