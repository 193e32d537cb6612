// tallyvolt-report on a log that the real program wrote: two runs on a fake battery, the
// charge falling during the second.
#include "e2e/Session.h"

#include <regex>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

using ReportOfProgramLog = E2eTest;

} // namespace

TEST_F(ReportOfProgramLog, RunsChargeAndRowsAsWritten)
{
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nDelimiter=SEMICOLON\n");
    const std::string supply = Battery("thinkpad-energy-ac-offline"); // 81%, off line power
    {
        Program first(Work(), Env(), supply);
        WaitForRecords(2, 20s);
        ASSERT_EQ(CloseMonitor(first), 0) << first.Errors();
    }
    const std::size_t firstRecords = Records(Log()).size();
    {
        Program second(Work(), Env(), supply);
        WaitForRecords(firstRecords + 2, 20s);
        SetEnergyNow(supply + "/BAT0", 32450400); // 72% of 45070000
        WaitForRecords(firstRecords + 5, 20s);
        ASSERT_EQ(CloseMonitor(second), 0) << second.Errors();
    }
    const std::size_t records = Records(Log()).size();

    const std::string report = Shell(
        "cd '" + Work() + "' && '" TALLYVOLT_REPORT_BINARY "' run.log 2>&1; echo \"exit $?\"");
    EXPECT_NE(report.find("run.log: 2 runs, " + std::to_string(records) + " samples\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\nRun 1, started at line 1\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Charge          81% at start, 81% at end"), std::string::npos) << report;
    EXPECT_NE(report.find("Charge          81% at start, 72% at end; lowest 72%, highest 81%"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("0.0% of the time; 0 plug-ins, 0 unplugs"), std::string::npos) << report;
    // Both runs ended cleanly, and the burn rate worked out is the one the program wrote. The
    // report measures the run by the records' wall-clock stamps, whole seconds; the program by
    // its own clock, also whole seconds but not ticking in step: over these few seconds the two
    // may differ by one second. The runs fell by 0% and 9%.
    const std::regex footer("Burn rate       (-?[0-9.]+) %/minute, [^\n]*; stop footer: "
                            "(-?[0-9.]+)%/minute\n");
    const double falls[] = {0.0, 9.0};
    int runs = 0;
    for (auto m = std::sregex_iterator(report.begin(), report.end(), footer);
         m != std::sregex_iterator() && runs < 2; ++m, ++runs) {
        const double reported = std::stod((*m)[1].str());
        const double written = std::stod((*m)[2].str());
        if (falls[runs] == 0.0) {
            EXPECT_EQ(reported, 0.0);
            EXPECT_EQ(written, 0.0);
            continue;
        }
        // The seconds each rate stands for.
        EXPECT_NEAR(falls[runs] * 60.0 / reported, falls[runs] * 60.0 / written, 1.05)
            << (*m)[0].str();
    }
    EXPECT_EQ(runs, 2) << report;
    EXPECT_EQ(report.find("skipped"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 7), "exit 0\n");

    const std::string rows =
        Shell("cd '" + Work() + "' && '" TALLYVOLT_REPORT_BINARY "' --csv run.log");
    EXPECT_EQ(static_cast<std::size_t>(std::count(rows.begin(), rows.end(), '\n')), records + 1);
    EXPECT_TRUE(std::regex_search(rows, std::regex("\n2,20[0-9-]+T[0-9:]+,72,Off,High,[0-9]+\n")))
        << rows;
}
