// The figures of a run, worked out as the program works out its own.
#include "report/Summary.h"
#include "report/LogReader.h"
#include "report/SummaryText.h"

#include <gtest/gtest.h>

namespace tallyvolt::report {
namespace {

Run RunOf(const char* text)
{
    ParsedFile file =
        ParseLog("a.log", std::string("Tallyvolt v1.0 - started 12/07/26 09:00:00\n") + text);
    EXPECT_EQ(file.skippedCount, 0u);
    EXPECT_EQ(file.runs.size(), 1u);
    return file.runs.empty() ? Run{} : file.runs[0];
}

TEST(ReportSummary, BurnRateAndTimeLeft)
{
    // Draining: 80% to 75% in ten minutes.
    RunSummary s = Summarise(RunOf("12/07/26 09:00:00,80%,Off,High,1%\n"
                                   "12/07/26 09:05:00,255%,Off,High,1%\n"
                                   "12/07/26 09:10:00,75%,Off,High,1%\n"),
                             std::nullopt);
    ASSERT_TRUE(s.burnRate);
    EXPECT_DOUBLE_EQ(*s.burnRate, 0.5);
    EXPECT_DOUBLE_EQ(*s.minutesToEmpty, 150.0);
    EXPECT_FALSE(s.minutesToFull);
    EXPECT_EQ(s.unknownCharge, 1u);
    EXPECT_EQ(s.chargeMin, 75);
    EXPECT_EQ(s.chargeMax, 80);

    // Charging: 50% to 52% in four minutes, after samples whose charge was unknown.
    s = Summarise(RunOf("12/07/26 09:00:00,255%,On,Charging,1%\n"
                        "12/07/26 09:02:00,50%,On,Charging,1%\n"
                        "12/07/26 09:06:00,52%,On,Charging,1%\n"),
                  std::nullopt);
    EXPECT_DOUBLE_EQ(*s.burnRate, -0.5);
    EXPECT_DOUBLE_EQ(*s.minutesToFull, 96.0);
    EXPECT_FALSE(s.minutesToEmpty);
    EXPECT_EQ(s.chargeStart, 50);

    // One known charge, or two in the same second: no rate.
    s = Summarise(RunOf("12/07/26 09:00:00,50%,On,Charging,1%\n"
                        "12/07/26 09:00:00,49%,On,Charging,1%\n"
                        "12/07/26 09:01:00,255%,On,Charging,1%\n"),
                  std::nullopt);
    EXPECT_FALSE(s.burnRate);
    EXPECT_FALSE(s.minutesToEmpty);
    EXPECT_EQ(s.samples, 3u);
}

TEST(ReportSummary, ProcessorAverageWeightedByTime)
{
    // Usage 10, 30 and 60 at 0, 60 and 180 s: (30 * 60 + 60 * 120) / 180 = 50; the first usage
    // gets no weight once a later one arrives, and an unknown usage moves nothing.
    RunSummary s = Summarise(RunOf("12/07/26 09:00:00,80%,Off,High,10%\n"
                                   "12/07/26 09:01:00,80%,Off,High,30%\n"
                                   "12/07/26 09:02:00,80%,Off,High,Unknown\n"
                                   "12/07/26 09:03:00,80%,Off,High,60%\n"),
                             std::nullopt);
    EXPECT_DOUBLE_EQ(*s.cpuAverage, 50.0);
    EXPECT_EQ(s.cpuMin, 10u);
    EXPECT_EQ(s.cpuMax, 60u);

    // Regression: before a known charge the average used to restart at every sample. It runs
    // from the first record, whatever the charge: (20 * 60 + 40 * 60) / 120.
    s = Summarise(RunOf("12/07/26 09:00:00,255%,Off,High,90%\n"
                        "12/07/26 09:01:00,80%,Off,High,20%\n"
                        "12/07/26 09:02:00,80%,Off,High,40%\n"),
                  std::nullopt);
    EXPECT_DOUBLE_EQ(*s.cpuAverage, 30.0);
    EXPECT_EQ(s.cpuMax, 90u);

    s = Summarise(RunOf("12/07/26 09:00:00,80%,Off,High,Unknown\n"), std::nullopt);
    EXPECT_FALSE(s.cpuAverage);
}

TEST(ReportSummary, LinePowerEventsAndGaps)
{
    // Every minute, with an Unknown between Off and On, and a half-hour suspend while on line
    // power that counts for neither side.
    const report::Run run = RunOf("12/07/26 09:00:00,80%,Off,High,1%\n"
                                  "12/07/26 09:01:00,80%,Off,High,1%\n"
                                  "12/07/26 09:02:00,80%,Unknown,High,1%\n"
                                  "12/07/26 09:03:00,80%,On,High,1%\n"
                                  "12/07/26 09:05:00,80%,On,High,1%\n"
                                  "12/07/26 09:35:00,80%,On,High,1%\n"
                                  "12/07/26 09:37:00,80%,Off,High,1%\n"
                                  "12/07/26 09:38:00,80%,Off,High,1%\n");
    RunSummary s = Summarise(run, std::nullopt);
    EXPECT_EQ(s.plugs, 1);
    EXPECT_EQ(s.unplugs, 1);
    EXPECT_EQ(s.period, 60);
    ASSERT_EQ(s.gaps.size(), 1u);
    EXPECT_EQ(IsoTime(s.gaps[0].from), "2026-12-07T09:05:00");
    EXPECT_EQ(s.gaps[0].length, 1800);
    // Each interval counts for the state at its start: off 09:00-09:02 and 09:37-09:38, on
    // 09:03-09:05 and 09:35-09:37; 09:02-09:03 unknown.
    EXPECT_DOUBLE_EQ(*s.linePowerShare, 4.0 / 7.0);
    // A period given as an hour leaves no gap.
    s = Summarise(run, 3600);
    EXPECT_TRUE(s.gaps.empty());
    EXPECT_EQ(s.period, 3600);
}

TEST(ReportSummary, DurationsAndTimes)
{
    EXPECT_EQ(DurationText(0), "0 s");
    EXPECT_EQ(DurationText(45), "45 s");
    EXPECT_EQ(DurationText(3600), "1 h");
    EXPECT_EQ(DurationText(3600 + 5), "1 h"); // the two largest units only
    EXPECT_EQ(DurationText(2 * 3600 + 5 * 60 + 9), "2 h 5 min");
    EXPECT_EQ(DurationText(3 * 86400 + 4 * 3600 + 60), "3 d 4 h");
    EXPECT_EQ(DurationText(-90), "-1 min 30 s");
    EXPECT_EQ(ReadableTime(ParseTimeStamp("12/07/26 15:04:12").value()), "2026-12-07 15:04:12");
}

} // namespace
} // namespace tallyvolt::report
