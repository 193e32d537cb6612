// The real program as a monitor: the dialog's figures, the records on the timer and the Update
// button, a battery that changes under it, and the footer when the window closes.
#include "e2e/Session.h"

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

struct Record
{
    long seconds; // of the day
    int charge;
    int cpu;
};

std::vector<Record> Records(const std::string& log)
{
    static const std::regex line(R"((\d\d)/\d\d/\d\d (\d\d):(\d\d):(\d\d)\t(\d+)%\t[^\t]+\t[^\t]+\t(\d+)%)");
    std::vector<Record> records;
    std::istringstream in(log);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_search(text, m, line))
            records.push_back({std::stol(m[2]) * 3600 + std::stol(m[3]) * 60 + std::stol(m[4]),
                               std::stoi(m[5]), std::stoi(m[6])});
    }
    return records;
}

class Monitor : public E2eTest
{
protected:
    // A copy of a recorded power-supply tree that the test may change while the program runs.
    std::string Battery(const std::string& fixture)
    {
        const std::string copy = m_dir / "power_supply";
        std::filesystem::copy(std::string(TALLYVOLT_TEST_DATA_DIR) + "/power_supply/" + fixture,
                              copy, std::filesystem::copy_options::recursive);
        return copy;
    }

    // Rewrites a battery's energy_now the way the kernel shows it, file and uevent alike.
    void SetEnergyNow(const std::string& battery, long value)
    {
        std::string uevent = ReadFile(battery + "/uevent");
        uevent = std::regex_replace(uevent, std::regex("POWER_SUPPLY_ENERGY_NOW=\\d+"),
                                    "POWER_SUPPLY_ENERGY_NOW=" + std::to_string(value));
        WriteFile(battery + "/uevent.new", uevent);
        WriteFile(battery + "/energy_now.new", std::to_string(value) + "\n");
        std::filesystem::rename(battery + "/uevent.new", battery + "/uevent");
        std::filesystem::rename(battery + "/energy_now.new", battery + "/energy_now");
    }

    // Polls the window until the figure after `caption` matches `pattern`; returns the last seen.
    std::string WaitForFigure(const Program& program, const std::string& caption,
                              const std::string& pattern, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        std::string figure;
        do {
            figure = FigureAfter(ReadWindows(program.Pid()), caption);
            if (std::regex_match(figure, std::regex(pattern)))
                break;
            std::this_thread::sleep_for(200ms);
        } while (std::chrono::steady_clock::now() < end);
        return figure;
    }

    std::string Log() const { return ReadFile(Work() + "/run.log"); }

    void WaitForRecords(std::size_t count, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Records(Log()).size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(50ms);
    }
};

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
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
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
    EXPECT_TRUE(std::regex_match(Log(), std::regex(kStampPattern +
                                                   "\t255%\tUnknown\tNo Battery\t\\d+%\r\n")))
        << Log();
}
