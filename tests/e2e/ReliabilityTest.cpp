// The real program when things go wrong: signals, kill -9, a full disk, a vanished log
// folder, an unplugged battery, a stale lock, and twenty copies started at once.
#include "e2e/Session.h"

#include <algorithm>
#include <csignal>
#include <regex>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

using Reliability = E2eTest;

// Every line ends in "\r\n" and the file ends with a line end: nothing half-written.
bool OnlyWholeLines(const std::string& text)
{
    return std::regex_match(text, std::regex("([^\r\n]*\r\n)*"));
}

class Signals : public E2eTest, public ::testing::WithParamInterface<int>
{
};

} // namespace

TEST_P(Signals, EndTheRunAsTheCloseBoxDoes)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nWindowPosition=100 200\n");
    Program program(Work(), Env());
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    Shell("xdotool windowmove " + windows[0] + " 300 250");
    WaitUntil([&] { return FrameOf(windows[0]) == std::vector<int>{300, 250}; }, 3s);
    std::this_thread::sleep_for(500ms); // the move settles

    ::kill(program.Pid(), GetParam());
    ASSERT_EQ(program.WaitForExit(10s), 0) << program.Errors();
    EXPECT_TRUE(std::regex_search(Log(), std::regex("Tallyvolt v1\\.0 - stopped " + kStampPattern +
                                                    "\r\nBattery Burn Rate: [^\r\n]*\r\n\r\n$")))
        << Log();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"),
              "[Tallyvolt]\nLogFile=run.log\nWindowPosition=300 250\n");
    // The claim went with it: the next start runs.
    Program next(Work(), Env());
    EXPECT_EQ(CloseMonitor(next), 0) << next.Errors();
}

INSTANTIATE_TEST_SUITE_P(TermIntHup, Signals, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& p) { return std::to_string(p.param); });

TEST_F(Reliability, KillNineLeavesOnlyWholeRecords)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    Program program(Work(), Env(), supply);
    WaitForRecords(3, 20s);
    ::kill(program.Pid(), SIGKILL);
    program.WaitForExit(5s);
    const std::string log = Log();
    EXPECT_TRUE(OnlyWholeLines(log)) << log;
    EXPECT_GE(Records(log).size(), 3u);
    // A killed run takes no footer, and the next start is not blocked.
    EXPECT_EQ(log.find("stopped"), std::string::npos);
    Program next(Work(), Env(), supply);
    EXPECT_EQ(CloseMonitor(next), 0) << next.Errors();
}

TEST_F(Reliability, AFullDiskCutsNoRecordInHalfAndRecordsResumeWithSpace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root (CI runs as root)";
    // A log whose last page has ten bytes free, on a tmpfs filled to the last page: the next
    // record fits only in part.
    const std::string disk = m_dir / "disk";
    ::mkdir(disk.c_str(), 0755);
    const std::string earlier = std::string(4086 - 2, 'x') + "\r\n";
    WriteFile(m_dir / "earlier.log", earlier);
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=" + disk + "/run.log\nUpdatePeriod=1\nExtraInfo=0\n");
    Program program(Work(), Env(), Battery("thinkpad-energy-ac-offline"),
                    "mount -t tmpfs -o size=256k tmpfs " + disk + " && cp " +
                        (m_dir / "earlier.log") + " " + disk + "/run.log && { dd if=/dev/zero of=" +
                        disk + "/filler bs=4096 count=1000 2>/dev/null; true; }");
    ASSERT_EQ(program.WaitForWindows("Tallyvolt", 20s).size(), 1u) << program.Errors();
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(program.ShellInside("cat " + disk + "/run.log"), earlier);

    // Space comes back: whole records follow the old end.
    program.ShellInside("rm " + disk + "/filler");
    std::string log;
    WaitUntil(
        [&] {
            log = program.ShellInside("cat " + disk + "/run.log");
            return Records(log).size() >= 2;
        },
        10s);
    EXPECT_EQ(log.rfind(earlier, 0), 0u);
    EXPECT_TRUE(OnlyWholeLines(log)) << log.substr(earlier.size());
    EXPECT_GE(Records(log).size(), 2u);
    EXPECT_EQ(CloseMonitor(program), 0);
}

TEST_F(Reliability, AVanishedLogFolderStopsNothing)
{
    ::mkdir((Work() + "/logs").c_str(), 0755);
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=logs/run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), Battery("thinkpad-energy-ac-offline"));
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << program.Errors();
    Shell("rm -rf " + Work() + "/logs");
    std::this_thread::sleep_for(1500ms);
    // Still sampling and answering: the figures follow a changed battery.
    PressKey(windows[0], "space");
    EXPECT_EQ(WaitForFigure(program, "Battery:", "81%"), "81%");
    EXPECT_EQ(CloseMonitor(program), 0);
    EXPECT_FALSE(FileExists(Work() + "/logs"));
}

// A log deleted during a run used to swallow every later record.
TEST_F(Reliability, ARemovedLogStartsAgainAndARenamedOneKeepsItsRecords)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), Battery("thinkpad-energy-ac-offline"));
    const std::string path = Work() + "/run.log";
    WaitForRecords(2, 20s);
    Shell("rm " + path);
    // Within two seconds a new log at the path, valid on its own: header, columns, records.
    const std::regex fresh("^Tallyvolt v1\\.0 - started " + kStampPattern +
                           "\r\nTime\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n" +
                           kStampPattern + "\t81%\tOff\tHigh\t\\d+%\r\n");
    EXPECT_TRUE(WaitUntil([&] { return std::regex_search(ReadFile(path), fresh); }, 2s))
        << (FileExists(path) ? ReadFile(path) : "no log");

    // Rotated: the records follow the renamed file and nothing new appears at the path.
    const std::string rotated = Work() + "/run.log.1";
    ASSERT_EQ(::rename(path.c_str(), rotated.c_str()), 0);
    const std::size_t before = Records(ReadFile(rotated)).size();
    EXPECT_TRUE(WaitUntil([&] { return Records(ReadFile(rotated)).size() >= before + 2; }, 5s));
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(CloseMonitor(program), 0);
    EXPECT_TRUE(std::regex_search(
        ReadFile(rotated), std::regex("stopped " + kStampPattern + "\r\nBattery Burn Rate: ")));
}

TEST_F(Reliability, AnUnpluggedBatteryIsUnknownUntilItReturns)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    const std::string supply = Battery("thinkpad-energy-ac-offline");
    Program program(Work(), Env(), supply);
    ASSERT_EQ(WaitForFigure(program, "Battery:", "81%", 20s), "81%") << program.Errors();

    ::rename((supply + "/BAT0").c_str(), (m_dir / "BAT0-away").c_str());
    EXPECT_EQ(WaitForFigure(program, "Battery:", "Unknown"), "Unknown");
    WaitUntil([&] { return Log().find("\t255%\tOff\tNo Battery\t") != std::string::npos; }, 5s);
    EXPECT_NE(Log().find("\t255%\tOff\tNo Battery\t"), std::string::npos) << Log();

    ::rename((m_dir / "BAT0-away").c_str(), (supply + "/BAT0").c_str());
    EXPECT_EQ(WaitForFigure(program, "Battery:", "81%"), "81%");
    // Garbage where a number belongs: unknown again, and sampling goes on.
    WriteFile(supply + "/BAT0/uevent", "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_ENERGY_NOW=x\n");
    WriteFile(supply + "/BAT0/energy_now", "\xff\xfe garbage");
    EXPECT_EQ(WaitForFigure(program, "Battery:", "Unknown"), "Unknown");
    EXPECT_EQ(CloseMonitor(program), 0);
    EXPECT_TRUE(OnlyWholeLines(Log()));
}

TEST_F(Reliability, AStaleLockAndSocketNeverBlockAStart)
{
    WriteFile(Runtime() + "/tallyvolt.lock", "12345\n");
    WriteFile(Runtime() + "/tallyvolt.sock", "not a socket");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\n");
    Program program(Work(), Env());
    EXPECT_EQ(CloseMonitor(program), 0) << program.Errors();
}

TEST_F(Reliability, TwentyCopiesStartedTogetherGiveOneRun)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=600\n");
    std::vector<std::unique_ptr<Program>> copies;
    for (int i = 0; i < 20; ++i)
        copies.push_back(std::make_unique<Program>(Work(), Env()));

    // All but one say so; the one that runs shows the monitor.
    auto refused = [&] {
        int count = 0;
        for (auto& copy : copies)
            count += copy->Errors().find("Tallyvolt is already running!") != std::string::npos;
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return refused() == 19; }, 90s)) << refused();
    Program* runner = nullptr;
    for (auto& copy : copies) {
        if (copy->Errors().find("already running") == std::string::npos) {
            EXPECT_EQ(runner, nullptr);
            runner = copy.get();
            continue;
        }
        // Closed through the window manager: with nineteen boxes appearing at once, keyboard
        // focus is anyone's.
        std::vector<std::string> box = copy->WaitForWindows("Tallyvolt", 20s);
        ASSERT_EQ(box.size(), 1u);
        Shell("wmctrl -i -c " + box[0]);
        EXPECT_EQ(copy->WaitForExit(10s), 0);
    }
    ASSERT_NE(runner, nullptr);
    EXPECT_TRUE(std::regex_search(ReadWindows(runner->Pid()), std::regex("label\tBattery:")));
    EXPECT_EQ(CloseMonitor(*runner), 0);
    const std::string log = Log();
    // Header and columns, the one record, the footer and its empty line.
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 6) << log;
    EXPECT_EQ(log.find("started"), log.rfind("started"));
}
