// Sampling: the burn rate, the time-weighted processor average, the records and the figures,
// and the dialog's set-up, timer and teardown around them.
#include "log/LogText.h"
#include "monitor/Monitor.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

class Sampling : public ::testing::Test
{
protected:
    Sampling()
    {
        m_dlg.SetExtraInfo(0);
        m_dlg.OpenLog(m_dir / "run.log");
        m_fakes.power.Set(80, 0, kBatteryHigh);
    }
    // A sample `seconds` after the previous one, with the given charge and usage.
    void SampleAfter(std::int64_t seconds, std::uint8_t percent, std::uint32_t usage)
    {
        m_fakes.clock.Advance(seconds);
        m_fakes.power.next.chargePercent = percent;
        m_fakes.processor.next = usage;
        m_dlg.Update(true);
    }
    std::string Log() const { return ReadFile(m_dir / "run.log"); }

    TempFolder m_dir;
    FakeServices m_fakes; // 12/07/26 13:05:09
    FakeWindow m_window;
    FakeTray m_tray;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
};

// A call on the fake window as it records it: "figure 1000 80%" for Call("figure", IDC_BATTERY,
// "80%").
std::string Call(const char* what, int id, const std::string& rest = "")
{
    return std::string(what) + " " + std::to_string(id) + (rest.empty() ? "" : " " + rest);
}

} // namespace

TEST_F(Sampling, FirstSampleHasNoRateAndItsOwnUsageAsAverage)
{
    m_dlg.SetUpDialog(m_window, m_tray);
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");
    EXPECT_EQ(m_dlg.CpuAverage(), 0.0);
    EXPECT_EQ(m_dlg.BatteryText(), "80%");
    EXPECT_EQ(m_dlg.TrayTip(), "Tallyvolt: 80%");
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t0%\r\n");
}

TEST_F(Sampling, BurnRateIsTheMeanFallPerMinuteSinceTheReference)
{
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(300, 78, 0);
    SampleAfter(300, 75, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "0.50%/minute");

    FakeServices charging;
    tallyvolt::Monitor dlg(charging.Get());
    charging.power.Set(50, 1, kBatteryHigh | kBatteryCharging);
    dlg.SetUpDialog(m_window, m_tray);
    charging.clock.Advance(240);
    charging.power.next.chargePercent = 52;
    dlg.Update(true);
    EXPECT_EQ(dlg.BurnRateText(), "-0.50%/minute");
}

TEST_F(Sampling, AverageWeighsEachUsageByTheTimeSinceThePreviousSample)
{
    m_fakes.processor.next = 10;
    m_dlg.SetUpDialog(m_window, m_tray);
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 10.0);
    SampleAfter(60, 80, 30);
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 30.0);
    SampleAfter(120, 80, 60);
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 50.0); // (60*120 + 60*30) / 180
}

TEST_F(Sampling, SamplesInTheReferenceSecondKeepTheRateUndefined)
{
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(0, 79, 40);
    SampleAfter(0, 78, 70);
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 70.0);
}

TEST_F(Sampling, UnknownChargeAfterTheReferenceLeavesTheRateAlone)
{
    // Regression: the unknown value 255 used to enter the rate as a charge of 255%, showing
    // figures like -175.00%/minute.
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(60, 79, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "1.00%/minute");
    SampleAfter(60, 255, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "1.00%/minute");
    EXPECT_EQ(m_dlg.BatteryText(), "Unknown");
    EXPECT_EQ(m_dlg.TrayTip(), "Tallyvolt: Unknown");
    // The record keeps the raw value, as logs have always had it.
    EXPECT_NE(Log().find("\t255%\tOff\t"), std::string::npos) << Log();
    SampleAfter(60, 78, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "0.67%/minute"); // 2% over 180 s
}

TEST_F(Sampling, WhileTheChargeWasNeverKnownTheReferenceMovesAlong)
{
    m_fakes.power.Set(255, 255, kNoSystemBattery);
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(60, 255, 20);
    SampleAfter(60, 255, 30);
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 25.0); // the average does not move along with it
    EXPECT_EQ(m_dlg.BatteryText(), "Unknown");
    // The first known charge becomes the reference.
    SampleAfter(60, 90, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");
    SampleAfter(60, 89, 0);
    EXPECT_EQ(m_dlg.BurnRateText(), "1.00%/minute");
    EXPECT_EQ(Log().rfind("12/07/26 13:05:09\t255%\tUnknown\tNo Battery\t0%\r\n", 0), 0u);
}

TEST_F(Sampling, AveragesRunFromTheFirstSampleWhateverTheCharge)
{
    // Regression: while no charge had been known, every sample restarted the processor and
    // power averages, so the footer's "average" was the last sample's usage.
    ASSERT_TRUE(m_dlg.SetExtraInfo(1));
    ASSERT_TRUE(m_dlg.SetPowerDraw(1));
    m_fakes.power.Set(255, 1, kNoSystemBattery);
    m_fakes.power.next.powerWatts = 2.0;
    m_fakes.processor.next = 10;
    m_dlg.SetUpDialog(m_window, m_tray);
    m_fakes.power.next.powerWatts = 4.0;
    SampleAfter(60, 255, 30);
    m_fakes.power.next.powerWatts = 10.0;
    SampleAfter(120, 255, 60);
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 50.0);   // as with a known charge
    EXPECT_DOUBLE_EQ(*m_dlg.PowerAverage(), 8.0); // (4 * 60 + 10 * 120) / 180
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");

    // A charge known later starts the burn rate's reference; the averages go on unbroken.
    SampleAfter(60, 90, 20);
    EXPECT_EQ(m_dlg.BurnRateText(), "Undefined");
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 42.5); // (50 * 180 + 20 * 60) / 240
    SampleAfter(60, 89, 20);
    EXPECT_EQ(m_dlg.BurnRateText(), "1.00%/minute");
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 38.0); // (42.5 * 240 + 20 * 60) / 300
    m_dlg.TearDownDialog();
    m_dlg.CloseLog();
    EXPECT_NE(Log().find("Battery Burn Rate: 1.00%/minute\tCPU Average:38.00%\t"
                         "Average Power:8.80W\r\n\r\n"),
              std::string::npos)
        << Log();
}

TEST_F(Sampling, UnreadableProcessorShowsUnknownAndLeavesTheAverage)
{
    m_fakes.processor.next = 40;
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(60, 80, 20);
    m_fakes.processor.next = std::nullopt;
    m_fakes.clock.Advance(60);
    m_dlg.Update(true);
    EXPECT_EQ(m_dlg.CpuText(), "Unknown");
    EXPECT_DOUBLE_EQ(m_dlg.CpuAverage(), 20.0);
    EXPECT_NE(Log().find("\tHigh\tUnknown\r\n"), std::string::npos) << Log();
}

TEST(SampleTexts, StateAcAndBatteryWords)
{
    EXPECT_EQ(StateText(0x09), "High+Charging");
    EXPECT_EQ(StateText(0x00), "Unknown");
    EXPECT_EQ(StateText(0x06), "Low+Critical");
    EXPECT_EQ(StateText(0x80), "No Battery");
    EXPECT_EQ(StateText(255), "High+Low+Critical+Charging+No Battery");
    EXPECT_EQ(AcText(0), "Off");
    EXPECT_EQ(AcText(1), "On");
    EXPECT_EQ(AcText(2), "Unknown");
    EXPECT_EQ(AcText(255), "Unknown");
    EXPECT_EQ(BatteryText(100), "100%");
    EXPECT_EQ(BatteryText(0), "0%");
    EXPECT_EQ(BatteryText(101), "Unknown");
}

TEST_F(Sampling, SetUpTakesTheFirstSampleThenStartsTheTimer)
{
    ASSERT_TRUE(m_dlg.SetUpdatePeriod(5));
    m_fakes.processor.next = 12;
    EXPECT_TRUE(m_dlg.SetUpDialog(m_window, m_tray));
    EXPECT_EQ(m_fakes.processor.starts, 1);
    // Only figures that differ from the controls' initial texts are pushed.
    EXPECT_EQ(m_window.calls, (std::vector<std::string>{Call("figure", IDC_BATTERY, "80%"),
                                                        Call("figure", IDC_CPU, "12%"),
                                                        Call("start", TIMER_SAMPLE, "5000")}));
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t12%\r\n"); // before the first tick
}

TEST_F(Sampling, TimerRestartsAfterEachSampleAndTheButtonLeavesItAlone)
{
    ASSERT_TRUE(m_dlg.SetUpdatePeriod(1));
    m_dlg.SetUpDialog(m_window, m_tray);
    m_window.calls.clear();

    m_fakes.clock.Advance(1);
    m_dlg.Timer(TIMER_SAMPLE);
    m_dlg.Timer(99); // not ours
    m_dlg.UpdatePressed();
    // Unchanged figures are not pushed again.
    EXPECT_EQ(m_window.calls,
              (std::vector<std::string>{Call("stop", TIMER_SAMPLE),
                                        Call("figure", IDC_BURNRATE, "0.00%/minute"),
                                        Call("start", TIMER_SAMPLE, "1000")}));
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t0%\r\n"
                     "12/07/26 13:05:10\t80%\tOff\tHigh\t0%\r\n"
                     "12/07/26 13:05:10\t80%\tOff\tHigh\t0%\r\n");

    EXPECT_TRUE(m_dlg.TearDownDialog());
    EXPECT_EQ(m_fakes.processor.stops, 1);
    EXPECT_EQ(m_window.calls.back(), Call("stop", TIMER_SAMPLE));
}

TEST_F(Sampling, FooterCarriesTheRunsFigures)
{
    ASSERT_TRUE(m_dlg.SetExtraInfo(1));
    m_fakes.processor.next = 10;
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(60, 79, 30);
    m_dlg.TearDownDialog();
    m_dlg.CloseLog();
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t10%\r\n"
                     "12/07/26 13:06:09\t79%\tOff\tHigh\t30%\r\n"
                     "Tallyvolt v1.0 - stopped 12/07/26 13:06:09\r\n"
                     "Battery Burn Rate: 1.00%/minute\tCPU Average:30.00%\r\n\r\n");
}

TEST_F(Sampling, PowerColumnAndTheFootersTimeWeightedAverageOfKnownPowers)
{
    ASSERT_TRUE(m_dlg.SetPowerDraw(1));
    EXPECT_EQ(m_fakes.power.drawReading, tallyvolt::PowerDrawReading::Read);
    ASSERT_TRUE(m_dlg.SetExtraInfo(1));
    m_fakes.power.next.powerWatts = 10.0;
    m_fakes.processor.next = 10;
    m_dlg.SetUpDialog(m_window, m_tray);
    EXPECT_EQ(m_window.figures[IDC_POWER], "10.00W");
    m_fakes.power.next.powerWatts = std::nullopt;
    SampleAfter(60, 79, 30); // unknown: its minute goes to the next known power
    EXPECT_EQ(m_window.figures[IDC_POWER], "Unknown");
    m_fakes.power.next.powerWatts = 4.0;
    SampleAfter(60, 78, 30); // 4 W over 120 s
    m_fakes.power.next.powerWatts = -0.001;
    SampleAfter(120, 78, 30); // 0 W over 120 s
    m_dlg.TearDownDialog();
    m_dlg.CloseLog();
    // (4 * 120 + (-0.001) * 120) / 240
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t10%\t10.00W\r\n"
                     "12/07/26 13:06:09\t79%\tOff\tHigh\t30%\tUnknown\r\n"
                     "12/07/26 13:07:09\t78%\tOff\tHigh\t30%\t4.00W\r\n"
                     "12/07/26 13:09:09\t78%\tOff\tHigh\t30%\t0.00W\r\n"
                     "Tallyvolt v1.0 - stopped 12/07/26 13:09:09\r\n"
                     "Battery Burn Rate: 0.50%/minute\tCPU Average:30.00%\tAverage Power:2.00W"
                     "\r\n\r\n");
}

TEST_F(Sampling, WithoutPowerDrawTheReadingIsIgnoredAndNoPowerFigureIsShown)
{
    // The power draw costs a query of every battery device on Windows: not asked for unless
    // the key asks.
    ASSERT_TRUE(m_dlg.SetPowerDraw(0));
    EXPECT_EQ(m_fakes.power.drawReading, tallyvolt::PowerDrawReading::Skipped);
    ASSERT_TRUE(m_dlg.SetExtraInfo(1));
    m_fakes.power.next.powerWatts = 10.0;
    m_dlg.SetUpDialog(m_window, m_tray);
    m_dlg.TearDownDialog();
    m_dlg.CloseLog();
    EXPECT_EQ(m_window.figures.count(IDC_POWER), 0u);
    EXPECT_EQ(Log(), "12/07/26 13:05:09\t80%\tOff\tHigh\t0%\r\n"
                     "Tallyvolt v1.0 - stopped 12/07/26 13:05:09\r\n"
                     "Battery Burn Rate: Undefined\tCPU Average:0.00%\r\n\r\n");
}

TEST_F(Sampling, AveragePowerIsUnknownWhenNoSampleKnewIt)
{
    ASSERT_TRUE(m_dlg.SetPowerDraw(1));
    ASSERT_TRUE(m_dlg.SetExtraInfo(1));
    m_dlg.SetUpDialog(m_window, m_tray);
    SampleAfter(60, 79, 0);
    m_dlg.TearDownDialog();
    m_dlg.CloseLog();
    EXPECT_NE(Log().find("CPU Average:0.00%\tAverage Power:Unknown\r\n\r\n"), std::string::npos);
    EXPECT_FALSE(m_dlg.SetPowerDraw(2));
    EXPECT_TRUE(m_dlg.PowerDraw());
    EXPECT_EQ(m_fakes.power.drawReading, tallyvolt::PowerDrawReading::Read);
}
