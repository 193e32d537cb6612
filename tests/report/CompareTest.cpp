// Runs compared: the table and its rows for a known log, and generated logs whose drain rates
// differ by a fifth, or not at all, under the same noise.
#include "report/Compare.h"
#include "report/LogReader.h"

#include "fakes/GaussianNoise.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tallyvolt::report {
namespace {

using test::ReadFile;
using test::WriteFile;

const std::string kLogs = std::string(TALLYVOLT_TEST_DATA_DIR) + "/logs";

// A run's log as the program writes it: a sample a minute for four hours, the charge falling
// `ratePerHour` with noise of 0.8 % and rounded, the power `watts` with noise of 0.5 W.
std::string GeneratedLog(double ratePerHour, double watts, unsigned seed)
{
    test::GaussianNoise noise(seed);
    std::string log = "Tallyvolt v1.0 - started 12/08/26 10:00:00\r\n"
                      "Time\tBattery Life\tAC Power\tBattery State\tCPU Usage\tPower Draw\r\n";
    char line[128];
    for (int minute = 0; minute <= 240; ++minute) {
        const long charge = std::lround(95.0 - ratePerHour * minute / 60.0 + noise.Next(0.8));
        std::snprintf(line, sizeof line, "12/08/26 %02d:%02d:00\t%ld%%\tOff\tHigh\t20%%\t%.2fW\r\n",
                      10 + minute / 60, minute % 60, charge, watts + noise.Next(0.5));
        log += line;
    }
    return log + "Tallyvolt v1.0 - stopped 12/08/26 14:00:00\r\nBattery Burn Rate: "
                 "0.25%/minute\tCPU Average:20.00%\tAverage Power:7.00W\r\n\r\n";
}

std::vector<CompareRow> Compare(const std::vector<std::pair<std::string, std::string>>& logs)
{
    std::vector<ParsedFile> files;
    for (const auto& [name, text] : logs)
        files.push_back(ParseLog(name, text));
    return CompareRuns(files);
}

TEST(Compare, KnownLogAsTableAndRows)
{
    // power.log's first run, worked by hand: 80, 79, 78, 77, 77 % a minute apart give
    // 48.00 %/h (25.95 to 70.05); the powers 8, 6, 9, -6 W, weighted by the 0, 60, 120 and
    // 60 s since the previous one, a mean of 4.50 W. Its third run has one weighed power, -8 W.
    const ParsedFile file = ParseLog("power.log", ReadFile(kLogs + "/power.log"));
    const std::vector<CompareRow> rows = CompareRuns({file});
    EXPECT_EQ(
        CompareTable(rows),
        "Run            Duration  Samples  Drain %/h (95% interval)                To empty  "
        "Power W (95% interval)            Energy Wh     CPU  Drain vs first  Power vs first\n"
        "power.log:1  4 min 30 s        5  48.00 (25.95 to 70.05)                1 h 35 min  "
        "4.50 (-20.61 to 29.61)                 0.30  27.50%  (first)         (first)\n"
        "power.log:2  2 min 10 s        2  none: fewer than three known charges           -  "
        "-                                         -  50.00%  -               -\n"
        "power.log:3       1 min        2  none: fewer than three known charges           -  "
        "-8.00 (one reading, no interval)      -0.13   5.00%  -               "
        "-277.8% within noise\n");
    const std::string csv = CompareRowsText(rows, RowFormat::Csv);
    EXPECT_EQ(csv.substr(0, csv.find('\n', csv.find('\n') + 1) + 1),
              "run,duration_s,samples,drain_pct_per_h,drain_low,drain_high,drain_problem,"
              "hours_to_empty,power_w,power_low,power_high,energy_wh,cpu_average,"
              "drain_change_pct,drain_noise,power_change_pct,power_noise\n"
              "power.log:1,270,5,48.0000,25.9514,70.0486,,1.596,4.5000,-20.6137,29.6137,0.3000,"
              "27.50,,,,\n");
    const std::string json = CompareRowsText(rows, RowFormat::Json);
    EXPECT_NE(json.find("{\"run\": \"power.log:2\", \"duration_s\": 130, \"samples\": 2, "
                        "\"drain_pct_per_h\": null, \"drain_low\": null, \"drain_high\": null, "
                        "\"drain_problem\": \"fewer than three known charges\", "),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"power_w\": -8.0000, \"power_low\": null, \"power_high\": null, "),
              std::string::npos)
        << json;
}

TEST(Compare, FifthFasterIsBeyondNoiseAndTheSameRateWithin)
{
    const std::vector<CompareRow> rows = Compare({{"base.log", GeneratedLog(10.0, 7.0, 1)},
                                                  {"faster.log", GeneratedLog(12.0, 8.4, 2)},
                                                  {"again.log", GeneratedLog(10.0, 7.0, 3)}});
    ASSERT_EQ(rows.size(), 3u);
    for (const CompareRow& row : rows) {
        ASSERT_TRUE(row.drainRate) << row.label << ": " << row.drainProblem;
        EXPECT_EQ(row.samples, 241u);
        EXPECT_EQ(row.duration, 4 * 3600);
    }
    EXPECT_NEAR(rows[0].drainRate->value, 10.0, 0.3);
    EXPECT_NEAR(rows[0].power->value, 7.0, 0.15);
    EXPECT_NEAR(*rows[0].energyWh, 28.0, 0.6);
    EXPECT_NEAR(*rows[0].hoursToEmpty, 55.0 / 10.0, 0.4);
    EXPECT_FALSE(rows[0].drainChange);

    ASSERT_TRUE(rows[1].drainChange && rows[1].powerChange);
    EXPECT_NEAR(rows[1].drainChange->percent, 20.0, 5.0);
    EXPECT_TRUE(rows[1].drainChange->beyondNoise);
    EXPECT_NEAR(rows[1].powerChange->percent, 20.0, 3.0);
    EXPECT_TRUE(rows[1].powerChange->beyondNoise);

    ASSERT_TRUE(rows[2].drainChange && rows[2].powerChange);
    EXPECT_FALSE(rows[2].drainChange->beyondNoise) << rows[2].drainChange->percent;
    EXPECT_FALSE(rows[2].powerChange->beyondNoise) << rows[2].powerChange->percent;

    const std::string table = CompareTable(rows);
    EXPECT_NE(table.find("beyond noise"), std::string::npos) << table;
    EXPECT_NE(table.find("within noise"), std::string::npos) << table;
}

TEST(Compare, IntervalHoldsTheTrueRateInNineteenRunsOfTwenty)
{
    // One log of 1,000 runs, 40 samples a minute apart each, draining 15 %/h under noise of
    // 0.7 % and rounded to whole percent as the program writes the charge. 95 % intervals
    // should miss the true rate about 50 times; fewer than 20 or more than 80 misses would mean
    // intervals too wide or too narrow. A test of the statistics, through the log's reading.
    test::GaussianNoise noise(2026);
    auto stamp = [](std::time_t t) {
        std::tm tm{};
        gmtime_r(&t, &tm);
        char text[32];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_year % 100, tm.tm_hour, tm.tm_min, tm.tm_sec);
        return std::string(text);
    };
    std::string log;
    for (int run = 0; run < 1000; ++run) {
        const std::time_t start = 1796600000 + 3600 * run;
        log += "Tallyvolt v1.0 - started " + stamp(start) +
               "\r\nTime\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n";
        for (int i = 0; i < 40; ++i) {
            const long charge = std::lround(70.0 - 15.0 * i / 60.0 + noise.Next(0.7));
            log += stamp(start + 60 * i) + "\t" + std::to_string(charge) + "%\tOff\tHigh\t5%\r\n";
        }
    }
    const std::vector<CompareRow> rows = Compare({{"many.log", log}});
    ASSERT_EQ(rows.size(), 1000u);
    int held = 0;
    for (const CompareRow& row : rows) {
        ASSERT_TRUE(row.drainRate) << row.label << ": " << row.drainProblem;
        held += row.drainRate->low <= 15.0 && 15.0 <= row.drainRate->high;
    }
    RecordProperty("held", held);
    EXPECT_GE(held, 920);
    EXPECT_LE(held, 980);
}

TEST(Compare, ProgramComparesTheLogsItIsGiven)
{
    test::TempFolder dir;
    WriteFile(dir / "base.log", GeneratedLog(10.0, 7.0, 11));
    WriteFile(dir / "faster.log", GeneratedLog(12.0, 8.4, 12));
    const std::string command = "cd '" + std::string(dir.Path()) +
                                "' && '" TALLYVOLT_REPORT_BINARY
                                "' --compare base.log faster.log >out 2>err";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << ReadFile(dir / "err");
    const std::string out = ReadFile(dir / "out");
    EXPECT_EQ(out.rfind("Run ", 0), 0u) << out;
    EXPECT_NE(out.find("\nbase.log:1 "), std::string::npos) << out;
    EXPECT_NE(out.find("\nfaster.log:1 "), std::string::npos) << out;
    EXPECT_NE(out.find("% beyond noise  +"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir / "err"), "");
}

} // namespace
} // namespace tallyvolt::report
