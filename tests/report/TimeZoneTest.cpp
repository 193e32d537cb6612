// Logs written across changes of the clocks, and across a clock set back by hand, read as a
// stopwatch would have timed them: in the zone TZ names and in the one --tz names.
#include "fakes/TempFolder.h"
#include "log/TimeStamp.h"
#include "report/ReportRun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

namespace tallyvolt::test {
namespace {

// The log's stamp of `instant` on the wall clock of `zone`, as the monitor writes it.
std::string StampIn(const std::string& zone, std::time_t instant)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", (":" + zone).c_str(), 1);
    ::tzset();
    std::tm local{};
    localtime_r(&instant, &local);
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    return FormatTimeStamp(local);
}

struct LogShape
{
    std::string zone;
    std::time_t first = 0; // the first sample, UTC
    int period = 600;
    int samples = 25;
    bool headers = true;
    bool power = false;    // a constant 10 W draw
    int setBackAfter = -1; // the sample after which the wall clock goes back ten minutes
};

// One run: the charge falls 1% a period from 100%, the processor usage cycles through
// 0, 10, ... 60%.
std::string MakeLog(const LogShape& shape)
{
    auto stamp = [&](int sample) {
        const bool back = shape.setBackAfter >= 0 && sample > shape.setBackAfter;
        return StampIn(shape.zone, shape.first + sample * shape.period - (back ? 600 : 0));
    };
    std::string log;
    if (shape.headers)
        log += "Tallyvolt v1.0 - started " + stamp(0) +
               "\r\nTime,Battery Life,AC Power,Battery State,CPU Usage" +
               (shape.power ? ",Power Draw" : "") + "\r\n";
    for (int i = 0; i < shape.samples; ++i)
        log += stamp(i) + "," + std::to_string(100 - i) + "%,Off,High," +
               std::to_string(i % 7 * 10) + "%" + (shape.power ? ",10.00W" : "") + "\r\n";
    if (shape.headers)
        log += "Tallyvolt v1.0 - stopped " + stamp(shape.samples - 1) +
               "\r\nBattery Burn Rate: 0.10%/minute,CPU Average:30.00%\r\n";
    return log;
}

// The time-weighted processor average of MakeLog's run: the samples are evenly spaced, so
// every usage after the first counts the same.
std::string ExpectedProcessor(int samples)
{
    std::vector<int> usage;
    for (int i = 1; i < samples; ++i)
        usage.push_back(i % 7 * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%",
                  std::accumulate(usage.begin(), usage.end(), 0.0) /
                      static_cast<double>(usage.size()));
    return text;
}

class ReportTimeZones : public ::testing::Test
{
protected:
    Result Report(const std::string& environment, const std::string& arguments,
                  const std::string& log)
    {
        WriteFile(m_dir / "run.log", log);
        return RunReport(environment + " '" TALLYVOLT_REPORT_BINARY "' " + arguments + " '" +
                             m_dir / "run.log" + "'",
                         m_dir);
    }

    // Reads the log in its zone both ways: TZ set to it, and --tz naming it under another TZ.
    void ExpectStopwatchFigures(const LogShape& shape, const std::string& duration)
    {
        const std::string log = MakeLog(shape);
        const std::string ways[][2] = {{"TZ=" + shape.zone, ""},
                                       {"TZ=Asia/Kolkata", "--tz " + shape.zone}};
        for (const auto& [environment, option] : ways) {
            SCOPED_TRACE(environment + " " + option);
            const Result r = Report(environment, option, log);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.err, "");
            EXPECT_NE(r.out.find(": 1 run, " + std::to_string(shape.samples) + " samples\n"),
                      std::string::npos)
                << r.out;
            EXPECT_NE(r.out.find("  Duration        " + duration + "\n"), std::string::npos)
                << r.out;
            EXPECT_NE(r.out.find("  Burn rate       0.10 %/minute, 6.00 %/hour"), std::string::npos)
                << r.out;
            EXPECT_NE(
                r.out.find("  Processor       " + ExpectedProcessor(shape.samples) + " on average"),
                std::string::npos)
                << r.out;
            EXPECT_NE(r.out.find("  Gaps            none over 30 min (period 10 min)\n"),
                      std::string::npos)
                << r.out;
            if (shape.power) {
                EXPECT_NE(r.out.find("  Energy used     " + duration.substr(0, 1) + "0.00 Wh\n"),
                          std::string::npos)
                    << r.out;
            }

            // Every record exported, its time as the log wrote it.
            const Result csv = Report(environment, "--csv " + option, log);
            EXPECT_EQ(csv.err, "");
            EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), shape.samples + 1);
            const std::string last = StampIn(shape.zone, shape.first + (shape.samples - 1) * 600);
            const std::string iso = "20" + last.substr(6, 2) + "-" + last.substr(0, 2) + "-" +
                                    last.substr(3, 2) + "T" + last.substr(9);
            EXPECT_NE(csv.out.find("\n1," + iso + "," + std::to_string(101 - shape.samples)),
                      std::string::npos)
                << csv.out;
        }
    }

    TempFolder m_dir;
};

// The moments the clocks changed in 2026, in UTC, from the zones' rules.
constexpr std::time_t kBerlinSummer = 1774746000;   // 29 Mar 01:00
constexpr std::time_t kBerlinWinter = 1792890000;   // 25 Oct 01:00
constexpr std::time_t kNewYorkSummer = 1772953200;  // 8 Mar 07:00
constexpr std::time_t kNewYorkWinter = 1793512800;  // 1 Nov 06:00
constexpr std::time_t kSydneyWinter = 1775318400;   // 4 Apr 16:00
constexpr std::time_t kSydneySummer = 1791043200;   // 3 Oct 16:00
constexpr std::time_t kLordHoweWinter = 1775314800; // 4 Apr 15:00, back half an hour
constexpr std::time_t kLordHoweSummer = 1791041400; // 3 Oct 15:30, on half an hour

TEST(ReportTimeZoneRules, TheChangesTheTestsCrossAreWhereTheZonesPutThem)
{
    struct Change
    {
        const char* zone;
        std::time_t at;
        const char* before; // the wall clock a second before
        const char* after;
    };
    const Change changes[] = {
        {"Europe/Berlin", kBerlinSummer, "03/29/26 01:59:59", "03/29/26 03:00:00"},
        {"Europe/Berlin", kBerlinWinter, "10/25/26 02:59:59", "10/25/26 02:00:00"},
        {"America/New_York", kNewYorkSummer, "03/08/26 01:59:59", "03/08/26 03:00:00"},
        {"America/New_York", kNewYorkWinter, "11/01/26 01:59:59", "11/01/26 01:00:00"},
        {"Australia/Sydney", kSydneyWinter, "04/05/26 02:59:59", "04/05/26 02:00:00"},
        {"Australia/Sydney", kSydneySummer, "10/04/26 01:59:59", "10/04/26 03:00:00"},
        {"Australia/Lord_Howe", kLordHoweWinter, "04/05/26 01:59:59", "04/05/26 01:30:00"},
        {"Australia/Lord_Howe", kLordHoweSummer, "10/04/26 01:59:59", "10/04/26 02:30:00"}};
    for (const Change& c : changes) {
        EXPECT_EQ(StampIn(c.zone, c.at - 1), c.before) << c.zone;
        EXPECT_EQ(StampIn(c.zone, c.at), c.after) << c.zone;
    }
}

TEST_F(ReportTimeZones, EndOfSummerTimeRepeatsAnHourAndLosesNoRecord)
{
    // Regression: 5 of these 25 records were dropped ("time goes back"), the run said 3 h
    // and 0.13 %/minute.
    ExpectStopwatchFigures({"Europe/Berlin", kBerlinWinter - 7200}, "4 h");
    ExpectStopwatchFigures({"America/New_York", kNewYorkWinter - 7200}, "4 h");
    ExpectStopwatchFigures({"Australia/Sydney", kSydneyWinter - 7200, 600, 25, true, true}, "4 h");
    ExpectStopwatchFigures({"Australia/Lord_Howe", kLordHoweWinter - 7200}, "4 h");
}

TEST_F(ReportTimeZones, StartOfSummerTimeSkipsAnHourThatCostsNothing)
{
    // Regression: a 2-hour run read as 3 h and 0.07 %/minute.
    ExpectStopwatchFigures({"Europe/Berlin", kBerlinSummer - 3600, 600, 13}, "2 h");
    ExpectStopwatchFigures({"America/New_York", kNewYorkSummer - 3600, 600, 13}, "2 h");
    ExpectStopwatchFigures({"Australia/Sydney", kSydneySummer - 3600, 600, 13}, "2 h");
    ExpectStopwatchFigures({"Australia/Lord_Howe", kLordHoweSummer - 3600, 600, 13, true, true},
                           "2 h");
}

TEST_F(ReportTimeZones, ALogWithoutHeadersIsNotSplitAtAChangeOfTheClocks)
{
    // The hour skipped in spring looked like a gap of 70 minutes, over three periods.
    ExpectStopwatchFigures({"Europe/Berlin", kBerlinSummer - 3600, 600, 13, false}, "2 h");
    ExpectStopwatchFigures({"Australia/Lord_Howe", kLordHoweWinter - 7200, 600, 25, false}, "4 h");
}

TEST_F(ReportTimeZones, AnUnknownZoneIsBadUsage)
{
    for (const char* zone : {"Europe/Atlantis", "../../etc/passwd", "/etc/localtime", "UTC+3"}) {
        const Result r = Report("TZ=UTC", std::string("--tz '") + zone + "'", "");
        EXPECT_EQ(r.status, 2) << zone;
        EXPECT_EQ(r.err.rfind(std::string("tallyvolt-report: unknown time zone '") + zone + "'", 0),
                  0u)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ReportTimeZones, AClockSetBackKeepsEveryRecordAndSaysByHowMuch)
{
    // Tokyo keeps no summer time: the step back is the clock's own. 31 samples a minute
    // apart, the wall clock set back ten minutes after the 16th.
    LogShape shape{"Asia/Tokyo", 1790000000 - 200, 60, 31}; // 23:10 in Tokyo
    shape.setBackAfter = 15;
    const std::string log = MakeLog(shape);
    for (const std::string environment : {"TZ=Asia/Tokyo", "TZ=Europe/Berlin"}) {
        const Result r =
            Report(environment, environment == "TZ=Asia/Tokyo" ? "" : "--tz Asia/Tokyo", log);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find(": 1 run, 31 samples\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("  Duration        30 min\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("  Burn rate       1.00 %/minute"), std::string::npos) << r.out;
        const std::string from = StampIn("Asia/Tokyo", shape.first + 15 * 60);
        const std::string to = StampIn("Asia/Tokyo", shape.first + 16 * 60 - 600);
        EXPECT_NE(r.out.find("  Clock set back  by 10 min at line 19: 2026-09-21 " + to.substr(9) +
                             " after 2026-09-21 " + from.substr(9) + " (taken as 1 min apart)\n"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("  Gaps            none over 3 min (period 1 min)\n"),
                  std::string::npos)
            << r.out;

        const Result json = Report(environment, "--json --tz Asia/Tokyo", log);
        EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '{'), 31);
    }

    // A record stamped before its run's start header is still named as a fault.
    const std::string early = "Tallyvolt v1.0 - started 09/22/26 23:00:00\r\n"
                              "09/22/26 22:59:00,50%,Off,High,5%\r\n"
                              "09/22/26 23:01:00,50%,Off,High,5%\r\n";
    const Result r = Report("TZ=Asia/Tokyo", "", early);
    EXPECT_NE(r.err.find("run.log:2: skipped: stamped 2026-09-22T22:59:00, before its run's "
                         "start header at 2026-09-22T23:00:00\n"),
              std::string::npos)
        << r.err;
}

} // namespace
} // namespace tallyvolt::test
