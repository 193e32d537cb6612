// The real program run without a window and without a display: its log, its untouched
// settings file, and each way the run ends.
#include "e2e/Session.h"

#include <csignal>
#include <regex>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

using Headless = E2eTest;

// No display of any kind: the run must not need one.
const std::string kNoDisplay = "unset DISPLAY WAYLAND_DISPLAY";

const std::string kHeader = "Tallyvolt v1.0 - started " + kStampPattern +
                            "\r\nTime\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n";
const std::string kFooter = "Tallyvolt v1.0 - stopped " + kStampPattern +
                            "\r\nBattery Burn Rate: [^\r\n]*\tCPU Average:\\d+\\.\\d\\d%\r\n\r\n";
std::string RecordsPattern(const std::string& charge, const std::string& state = "High")
{
    return "(" + kStampPattern + "\t" + charge + "\tOff\t" + state + "\t\\d{1,3}%\r\n)";
}

} // namespace

TEST_F(Headless, RunsWithoutDisplayUntilSigtermAndLeavesTheSettingsAsTheyWere)
{
    const std::string settings = "; written by hand\r\n[Tallyvolt]\r\nLogFile=run.log\r\n"
                                 "UpdatePeriod=1\r\nWindowPosition=100 200\r\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env(), Battery("thinkpad-energy-ac-offline"), kNoDisplay,
                    {"--headless", "--records"});
    WaitForRecords(5, 15s);
    EXPECT_FALSE(program.WaitForExit(0ms)) << program.Errors();
    ::kill(program.Pid(), SIGTERM);
    ASSERT_EQ(program.WaitForExit(5s), 0) << program.Errors();

    const std::string log = Log();
    EXPECT_TRUE(
        std::regex_match(log, std::regex(kHeader + RecordsPattern("81%") + "{5,8}" + kFooter)))
        << log;
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    EXPECT_EQ(program.Errors(), "");
    // Standard output has the same records, one a line with this system's line end.
    std::string expected;
    std::smatch match;
    std::string rest = log;
    const std::regex record(kStampPattern + "\t81%[^\r]*\r\n");
    while (std::regex_search(rest, match, record)) {
        expected += match.str().substr(0, match.length() - 2) + "\n";
        rest = match.suffix();
    }
    EXPECT_EQ(program.Output(), expected);
}

TEST_F(Headless, SigintAndSighupEndTheRunAsSigtermDoes)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        Program program(Work(), Env(), supply, kNoDisplay, {"--headless"});
        WaitUntil([&] { return std::regex_search(Log(), std::regex(RecordsPattern("81%") + "$")); },
                  10s);
        ::kill(program.Pid(), signal);
        ASSERT_EQ(program.WaitForExit(5s), 0) << program.Errors();
        EXPECT_TRUE(std::regex_search(Log(), std::regex(RecordsPattern("81%") + kFooter + "$")))
            << Log();
    }
}

TEST_F(Headless, DurationEndsTheRunByItselfWithTheLastSampleAtTheEnd)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    const auto start = std::chrono::steady_clock::now();
    Program program(Work(), Env(), Battery("thinkpad-energy-ac-offline"), kNoDisplay,
                    {"--headless", "--duration", "3"});
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 3s);
    const std::string log = Log();
    // Samples at 0, 1, 2 and 3 seconds; a busy machine may stretch a period, never add one.
    EXPECT_TRUE(
        std::regex_match(log, std::regex(kHeader + RecordsPattern("81%") + "{3,4}" + kFooter)))
        << log;
    const std::vector<Record> records = Records(log);
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ((records.back().seconds - records.front().seconds + 86400) % 86400, 3) << log;
}

TEST_F(Headless, UntilChargeEndsWhenTheBatteryFallsToIt)
{
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), supply, kNoDisplay, {"--headless", "--until-charge=40"});
    WaitForRecords(2);
    EXPECT_FALSE(program.WaitForExit(1500ms)) << "81% is above the limit";
    SetEnergyNow(supply + "/BAT0", 18028000); // 40% of 45070000
    ASSERT_EQ(program.WaitForExit(5s), 0) << program.Errors();
    const std::string log = Log();
    EXPECT_TRUE(std::regex_match(log, std::regex(kHeader + RecordsPattern("81%") + "{2,}" +
                                                 RecordsPattern("40%", "[^\t]+") + kFooter)))
        << log;
}

TEST_F(Headless, SecondCopyOfEitherKindSaysSoAndTouchesNothing)
{
    const std::string settings = "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program first(Work(), Env(), Battery("thinkpad-energy-ac-offline"), kNoDisplay, {"--headless"});
    WaitForRecords(1);

    // Another folder, another settings file and log: a second copy would write there.
    const std::string other = Work() + "/other";
    ::mkdir(other.c_str(), 0755);
    WriteFile(other + "/tallyvolt.ini", settings);
    Program headless(other, Env(), {}, kNoDisplay, {"--headless"});
    EXPECT_EQ(headless.WaitForExit(5s), 0);
    EXPECT_EQ(headless.Errors(), "tallyvolt: Tallyvolt is already running!\n");

    // A window copy says it in its box as well, and has no window to surface.
    Program window(other, Env());
    ExpectMessageBox(window, "Tallyvolt is already running!");
    EXPECT_EQ(window.WaitForExit(5s), 0);
    EXPECT_EQ(window.Errors(), "tallyvolt: Tallyvolt is already running!\n");
    EXPECT_FALSE(FileExists(other + "/run.log"));
    EXPECT_EQ(ReadFile(other + "/tallyvolt.ini"), settings);

    EXPECT_FALSE(first.WaitForExit(0ms)) << first.Errors();
    ::kill(first.Pid(), SIGINT);
    EXPECT_EQ(first.WaitForExit(5s), 0);
    EXPECT_TRUE(std::regex_search(Log(), std::regex(kFooter + "$"))) << Log();
}

TEST_F(Headless, HelpVersionAndUsageErrors)
{
    Program help(Work(), Env(), {}, kNoDisplay, {"--help"});
    EXPECT_EQ(help.WaitForExit(5s), 0);
    EXPECT_EQ(help.Output().rfind("Usage: tallyvolt [OPTION]...\n", 0), 0u) << help.Output();
    for (const char* option :
         {"--headless", "--duration", "--until-charge", "--records", "--help", "--version"})
        EXPECT_NE(help.Output().find(std::string("  ") + option), std::string::npos) << option;

    Program version(Work(), Env(), {}, kNoDisplay, {"--version"});
    EXPECT_EQ(version.WaitForExit(5s), 0);
    EXPECT_EQ(version.Output(), "tallyvolt (Tallyvolt) 1.0\n");

    Program bad(Work(), Env(), {}, kNoDisplay, {"--headless", "--until-charge", "abc"});
    EXPECT_EQ(bad.WaitForExit(5s), 2);
    EXPECT_EQ(bad.Errors(),
              "tallyvolt: --until-charge takes a whole percentage from 0 to 100, not 'abc'\n");
    EXPECT_FALSE(FileExists(Work() + "/tallyvolt.ini"));
}
