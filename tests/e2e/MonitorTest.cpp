// The real program as a monitor: the dialog's figures, the records on the timer and the Update
// button, a battery that changes under it, and the footer when the window closes.
#include "e2e/Session.h"

#include <regex>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

using Monitor = E2eTest;

} // namespace

TEST_F(Monitor, FiguresAndRecordsFollowTheBatteryAndTheFooterAgrees)
{
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), supply);
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WindowClass(windows[0]), "\"tallyvolt\", \"Tallyvolt\"");

    EXPECT_EQ(WaitForFigure(program, "Battery:", "81%"), "81%");
    const std::string tree = ReadWindows(program.Pid());
    EXPECT_TRUE(std::regex_match(FigureAfter(tree, "CPU:"), std::regex(R"(\d{1,3}%)"))) << tree;
    EXPECT_TRUE(std::regex_search(tree, std::regex("push button\tUpdate\t[^\n]*focused"))) << tree;

    // About one record a second.
    WaitForRecords(1);
    const auto first = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3s);
    std::vector<Record> records = Records(Log());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
    EXPECT_GE(records.size(), 1 + static_cast<std::size_t>(seconds) - 1) << Log();
    EXPECT_LE(records.size(), 1 + static_cast<std::size_t>(seconds) + 1) << Log();
    for (std::size_t i = 1; i < records.size(); ++i)
        EXPECT_LE(records[i].seconds - records[i - 1].seconds, 2) << Log();

    // The battery drains by ten points: the next record and the figures follow.
    SetEnergyNow(supply + "/BAT0", 32000000); // 71% of 45070000
    EXPECT_EQ(WaitForFigure(program, "Battery:", "71%"), "71%");
    EXPECT_TRUE(std::regex_match(WaitForFigure(program, "Burn Rate:", R"([1-9]\d*\.\d\d%/minute)"),
                                 std::regex(R"([1-9]\d*\.\d\d%/minute)")));
    EXPECT_EQ(Records(Log()).back().charge, 71);

    // The window manager's Close ends the run.
    Shell("wmctrl -i -c " + windows[0]);
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();

    const std::string log = Log();
    records = Records(log);
    ASSERT_GE(records.size(), 4u);
    std::smatch footer;
    ASSERT_TRUE(std::regex_search(
        log, footer,
        std::regex(R"(Battery Burn Rate: (\d+\.\d\d)%/minute\tCPU Average:(\d+\.\d\d)%\r\n\r\n$)")))
        << log;
    // The rate is the 10 points over the run's length, which the records give to the second.
    const double span = static_cast<double>(records.back().seconds - records.front().seconds);
    const double rate = std::stod(footer[1]);
    EXPECT_GE(rate, 10.0 / (span + 1) * 60.0 - 0.01) << log;
    EXPECT_LE(rate, 10.0 / std::max(span - 1, 1.0) * 60.0 + 0.01) << log;
    int low = 100;
    int high = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        low = std::min(low, records[i].cpu);
        high = std::max(high, records[i].cpu);
    }
    const double average = std::stod(footer[2]);
    EXPECT_GE(average, low - 0.01) << log;
    EXPECT_LE(average, high + 0.01) << log;
}

TEST_F(Monitor, UpdateButtonAddsARecordAndEscEndsTheRun)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=600\n");
    Program program(Work(), Env(), Battery("dell-charge-voltage-charging"));
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WaitForFigure(program, "Battery:", "98%"), "98%");
    ASSERT_EQ(Records(Log()).size(), 1u);
    EXPECT_NE(Log().find("\t98%\tOn\tHigh+Charging\t"), std::string::npos) << Log();

    // The button holds the focus: space presses it, as for any button.
    PressKey(windows[0], "space");
    WaitForRecords(2);
    EXPECT_EQ(Records(Log()).size(), 2u);
    PressKey(windows[0], "alt+u"); // its mnemonic
    WaitForRecords(3);
    EXPECT_EQ(Records(Log()).size(), 3u);

    PressKey(windows[0], "Escape");
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();
    EXPECT_TRUE(std::regex_search(Log(), std::regex("Tallyvolt v1\\.0 - stopped " + kStampPattern +
                                                    "\r\nBattery Burn Rate: ")))
        << Log();
}

TEST_F(Monitor, NoSystemBatteryShowsUnknown)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\n");
    Program program(Work(), Env(), Battery("lime2-axp20x-no-battery"));
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WaitForFigure(program, "Battery:", "Unknown"), "Unknown");
    EXPECT_EQ(FigureAfter(ReadWindows(program.Pid()), "Burn Rate:"), "Undefined");
    Shell("wmctrl -i -c " + windows[0]);
    ASSERT_EQ(program.WaitForExit(10s), 0);
    EXPECT_TRUE(std::regex_match(
        Log(), std::regex(kStampPattern + "\t255%\tUnknown\tNo Battery\t\\d+%\r\n")))
        << Log();
}
