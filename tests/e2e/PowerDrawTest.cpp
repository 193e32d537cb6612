// The power draw in the real program: the column, the footer's average and the window's figure
// with PowerDraw=1, and the log exactly as without the key otherwise.
#include "e2e/Session.h"

#include <filesystem>
#include <regex>
#include <sstream>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

class PowerDraw : public E2eTest
{
protected:
    void SetPowerNow(const std::string& battery, long microwatts)
    {
        SetSupplyValue(battery, "power_now", microwatts);
    }
    // The power column of every record; records without one fail the test.
    std::vector<std::string> Powers(const std::string& log)
    {
        static const std::regex record(kStampPattern +
                                       R"(\t\d+%\t[^\t]+\t[^\t]+\t(\d+%|Unknown)\t([^\t]*))");
        std::vector<std::string> powers;
        std::istringstream in(log);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::smatch m;
            if (std::regex_match(line, std::regex(kStampPattern + ".*"))) {
                EXPECT_TRUE(std::regex_match(line, m, record)) << line;
            }
            if (!m.empty())
                powers.push_back(m[2]);
        }
        return powers;
    }
};

} // namespace

TEST_F(PowerDraw, ColumnFiguresAndFooterFollowTheBatterysPower)
{
    const std::string supply = Battery("thinkpad-energy-ac-offline"); // power_now 5.002 W
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nPowerDraw=1\n");
    Program program(Work(), Env(), supply);
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WaitForFigure(program, "Power:", "5.00W"), "5.00W");
    EXPECT_EQ(FigureAfter(ReadWindows(program.Pid()), "Battery:"), "81%");
    WaitForRecords(2);

    SetPowerNow(supply + "/BAT0", 9250000);
    EXPECT_EQ(WaitForFigure(program, "Power:", "9.25W"), "9.25W");
    WaitUntil(
        [&] {
            const std::vector<std::string> powers = Powers(Log());
            return !powers.empty() && powers.back() == "9.25W";
        },
        10s);
    WaitForRecords(Records(Log()).size() + 1);
    const std::string figure = FigureAfter(ReadWindows(program.Pid()), "Power:");

    Shell("wmctrl -i -c " + windows[0]);
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();
    const std::string log = Log();
    EXPECT_NE(
        log.find("\r\nTime\tBattery Life\tAC Power\tBattery State\tCPU Usage\tPower Draw\r\n"),
        std::string::npos)
        << log;
    const std::vector<std::string> powers = Powers(log);
    ASSERT_GE(powers.size(), 3u) << log;
    for (const std::string& power : powers)
        EXPECT_TRUE(power == "5.00W" || power == "9.25W") << log;
    EXPECT_EQ(powers.front(), "5.00W");
    EXPECT_EQ(powers.back(), "9.25W");
    EXPECT_EQ(figure, powers.back());
    std::smatch footer;
    ASSERT_TRUE(std::regex_search(
        log, footer, std::regex(R"(CPU Average:\d+\.\d\d%\tAverage Power:(\d+\.\d\d)W\r\n\r\n$)")))
        << log;
    EXPECT_GE(std::stod(footer[1]), 5.00) << log;
    EXPECT_LE(std::stod(footer[1]), 9.25) << log;
}

TEST_F(PowerDraw, WithoutTheKeyTheLogAndWindowAreAsBefore)
{
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), supply);
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WaitForFigure(program, "Battery:", "81%"), "81%");
    WaitForRecords(2);
    const std::string tree = ReadWindows(program.Pid());
    EXPECT_EQ(tree.find("Power:"), std::string::npos) << tree;
    Shell("wmctrl -i -c " + windows[0]);
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();

    const std::string log = Log();
    const std::regex form("Tallyvolt v1\\.0 - started " + kStampPattern +
                          "\r\nTime\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n"
                          "(" +
                          kStampPattern +
                          "\t81%\tOff\tHigh\t\\d+%\r\n){2,}"
                          "Tallyvolt v1\\.0 - stopped " +
                          kStampPattern +
                          "\r\nBattery Burn Rate: (Undefined|\\d+\\.\\d\\d%/minute)\tCPU "
                          "Average:\\d+\\.\\d\\d%\r\n\r\n");
    EXPECT_TRUE(std::regex_match(log, form)) << log;
}

TEST_F(PowerDraw, RefusedValueLeavesNoLog)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nPowerDraw=2\n");
    Program program(Work(), Env());
    ExpectMessageBox(
        program, "You specified an invalid PowerDraw value. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_FALSE(FileExists(Work() + "/run.log"));
}

TEST_F(PowerDraw, RecordsOnlyCarryTheColumnToo)
{
    const std::string supply = Battery("dell-charge-voltage-charging"); // -5.26 W, charging
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nPowerDraw=1\nExtraInfo=0\n"
              "Delimiter=COMMA\n");
    Program program(Work(), Env(), supply);
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    EXPECT_EQ(WaitForFigure(program, "Power:", "-5.26W"), "-5.26W");
    WaitForRecords(2);
    Shell("wmctrl -i -c " + windows[0]);
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();
    const std::string log = Log();
    EXPECT_TRUE(std::regex_match(
        log, std::regex("(" + kStampPattern + ",98%,On,High\\+Charging,\\d+%,-5\\.26W\r\n){2,}")))
        << log;
}
