// tallyvolt-report as its users run it: the summary of a known log, odd logs, exports, exit
// statuses and messages.
#include "fakes/TempFolder.h"
#include "report/Plot.h"
#include "report/ReportRun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace tallyvolt::test {
namespace {

const std::string kLogs = std::string(TALLYVOLT_TEST_DATA_DIR) + "/logs";

class ReportProgram : public ::testing::Test
{
protected:
    // Runs the program with `arguments` (shell words) in the folder of the test logs.
    Result Report(const std::string& arguments, const std::string& input = "")
    {
        WriteFile(m_dir / "in", input);
        return RunReport("cd '" + kLogs + "' && '" TALLYVOLT_REPORT_BINARY "' " + arguments +
                             " <'" + m_dir / "in" + "'",
                         m_dir);
    }

    TempFolder m_dir;
};

TEST_F(ReportProgram, SummaryOfAKnownLog)
{
    const Result r = Report("golden.log");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, ReadFile(kLogs + "/golden.summary"));
}

TEST_F(ReportProgram, ALogWithThePowerColumnAndOneWithout)
{
    // Hand-worked: run 1 weighs 8 W (0 s), 6 W (60 s), 9 W (120 s, over the unknown) and
    // -6 W (60 s): 4.50 W over 240 s, 0.30 Wh; run 3, charging, -8 W over 60 s.
    const Result r = Report("power.log");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, ReadFile(kLogs + "/power.summary"));
    EXPECT_NE(r.out.find("  Power draw      4.50 W on average (time-weighted); lowest -6.00 W, "
                         "highest 9.00 W; stop footer: 4.50 W\n  Energy used     0.30 Wh\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("  Energy used     -0.13 Wh\n"), std::string::npos);
    EXPECT_EQ(Report("--csv power.log").out, ReadFile(kLogs + "/power.csv"));
    EXPECT_EQ(Report("--json power.log").out, ReadFile(kLogs + "/power.json"));
    // The column appears in the rows of every log named once one record has it.
    const Result both = Report("--csv golden.log power.log");
    EXPECT_EQ(both.out.substr(0, both.out.find('\n')), "run,time,charge,ac,state,cpu,power_w");
    EXPECT_NE(both.out.find("\n1,2026-12-07T09:00:00,90,Off,High,10,\n"), std::string::npos);
    EXPECT_NE(both.out.find("\n3,2026-12-08T10:00:00,80,Off,High,10,8.00\n"), std::string::npos);
    EXPECT_EQ(Report("golden.log").out.find("Power"), std::string::npos);
    // A hand-edited draw too small to show reads 0.00, never -0.00.
    const Result tiny = Report("-", "12/08/26 08:00:00;40%;Off;Low;3%;-0.001W\n");
    EXPECT_NE(tiny.out.find("  Power draw      0.00 W on average (time-weighted); lowest 0.00 W, "
                            "highest 0.00 W\n  Energy used     0.00 Wh\n"),
              std::string::npos)
        << tiny.out;
}

TEST_F(ReportProgram, OddLogsAreReadToTheirEnd)
{
    // Every odd line is named on standard error; the records around them still count.
    const Result r = Report("odd.log");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, ReadFile(kLogs + "/odd.errors"));
    EXPECT_NE(r.out.find("odd.log: 2 runs, 8 samples, 5 lines skipped\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Samples         5 (1 with the charge unknown)\n"), std::string::npos)
        << r.out;
    // A record an hour behind the others, the next one back on time: nothing was lost, and the
    // run lasted minutes, not an hour.
    EXPECT_NE(r.out.find("  Duration        3 min 10 s\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Clock set back  by 1 h 1 min at line 8: 2026-12-07 08:02:00 after "
                         "2026-12-07 09:02:00 (taken as 1 min apart); put right again at line 9\n"),
              std::string::npos)
        << r.out;

    const Result empty = Report("-");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, "tallyvolt-report: standard input: empty, nothing to report\n");

    const Result other = Report("golden.summary");
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("tallyvolt-report: golden.summary: not a Tallyvolt log"),
              std::string::npos)
        << other.err;
}

TEST_F(ReportProgram, RowsFromSeveralLogsAndStandardInput)
{
    const Result csv = Report("--csv golden.log - -o '" + m_dir / "rows.csv" + "'",
                              "12/08/26 08:00:00;40%;Off;Low;3%\n");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "");
    const std::string rows = ReadFile(m_dir / "rows.csv");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 14 + 1);
    EXPECT_EQ(rows.substr(0, rows.find('\n', 30) + 1),
              "run,time,charge,ac,state,cpu\n1,2026-12-07T09:00:00,90,Off,High,10\n");
    EXPECT_NE(rows.find("2,2026-12-07T13:04:00,,On,High+Low+Critical+Charging+No Battery,\n"),
              std::string::npos);
    EXPECT_NE(rows.find("\n3,2026-12-08T08:00:00,40,Off,Low,3\n"), std::string::npos);

    const Result json = Report("--json golden.log");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 2), "[\n");
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '{'), 14);
}

TEST_F(ReportProgram, ExitStatusesAndMessages)
{
    struct Case
    {
        const char* arguments;
        int status;
        const char* error; // the start of standard error
    };
    const Case cases[] = {
        {"", 2, "tallyvolt-report: no log named\nTry 'tallyvolt-report --help'"},
        {"--frobnicate golden.log", 2, "tallyvolt-report: unknown option '--frobnicate'"},
        {"--plot", 2, "tallyvolt-report: option '--plot' needs a value"},
        {"--period 0 golden.log", 2, "tallyvolt-report: --period takes a whole number"},
        {"--period 10s golden.log", 2, "tallyvolt-report: --period takes a whole number"},
        {"--csv --json golden.log", 2, "tallyvolt-report: --csv and --json cannot be used"},
        {"--overlay golden.log", 2, "tallyvolt-report: --overlay goes with --plot"},
        {"missing.log golden.log", 1, "tallyvolt-report: missing.log: No such file or directory"},
        {"golden.log -o /dev/full", 1, "tallyvolt-report: /dev/full: No space left on device"},
        {"golden.log -o /nonexistent/out.txt", 1,
         "tallyvolt-report: /nonexistent/out.txt: No such"},
    };
    for (const Case& c : cases) {
        const Result r = Report(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(r.err.substr(0, std::string(c.error).size()), c.error) << c.arguments;
    }
    // A file that cannot be read does not stop the others.
    EXPECT_NE(Report("missing.log golden.log").out.find("golden.log: 2 runs"), std::string::npos);

    const Result help = Report("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tallyvolt-report [OPTION]... LOG...\n", 0), 0u);
    const Result version = Report("-V");
    EXPECT_EQ(version.out, "tallyvolt-report 1.0\n");
}

// A build without charts says so through its exit status, after the summary it could write.
TEST_F(ReportProgram, AChartIsDrawnOrRefusedAfterTheSummary)
{
    const std::string chart = m_dir / "chart.svg";
    const Result r = Report("--plot '" + chart + "' golden.log");
    EXPECT_EQ(r.out, ReadFile(kLogs + "/golden.summary"));
    if (tallyvolt::report::kDrawsCharts) {
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(std::filesystem::exists(chart));
    } else {
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "tallyvolt-report: " + chart + ": this build draws no charts\n");
        EXPECT_FALSE(std::filesystem::exists(chart));
    }
}

} // namespace
} // namespace tallyvolt::test
