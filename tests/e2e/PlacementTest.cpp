// The real program's window on a real screen: where it opens, the snap to the work area's
// edges after a move, and the position written back.
#include "e2e/Session.h"

#include <csignal>
#include <regex>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

class Placement : public E2eTest
{
protected:
    std::string Start(const std::string& settings)
    {
        WriteFile(Work() + "/tallyvolt.ini", settings);
        m_program = std::make_unique<Program>(Work(), Env());
        std::vector<std::string> windows = m_program->WaitForWindows("Tallyvolt", 20s);
        return windows.empty() ? std::string() : windows[0];
    }

    // Moves the window's outer corner to x, y (as a drag ends) and waits for it to settle.
    std::vector<int> MoveTo(const std::string& window, int x, int y)
    {
        return MoveAndSettle(window, x, y, FrameOf);
    }

    std::unique_ptr<Program> m_program;
};

} // namespace

TEST_F(Placement, OpensWhereItWasLeftAndSnapsToTheWorkAreaEdges)
{
    const std::string window =
        Start("; mine\n[Tallyvolt]\nLogFile=run.log\nWindowPosition=100 200\nOther=1\n");
    ASSERT_FALSE(window.empty()) << m_program->Errors();
    std::vector<int> frame = FrameOf(window);
    ASSERT_EQ(frame.size(), 4u);
    EXPECT_EQ(frame[0], 100);
    EXPECT_EQ(frame[1], 200);

    const std::vector<int> area = WorkArea();
    ASSERT_EQ(area, (std::vector<int>{0, 0, 1280, 776})); // trayer's panel below
    EXPECT_EQ(MoveTo(window, 10, 300)[0], 0);
    EXPECT_EQ(MoveTo(window, 16, 300)[0], 16);
    EXPECT_EQ(MoveTo(window, 400, 14)[1], 0);
    // Against the bottom: right on top of the panel.
    frame = MoveTo(window, 400, area[3] - frame[3] - 12);
    EXPECT_EQ(frame[1] + frame[3], area[3]);
    EXPECT_EQ(frame[0], 400);

    ASSERT_EQ(CloseMonitor(*m_program), 0);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"),
              "; mine\n[Tallyvolt]\nLogFile=run.log\nWindowPosition=400 " +
                  std::to_string(area[3] - frame[3]) + "\nOther=1\n");
}

TEST_F(Placement, APositionOffEveryDisplayOpensCentred)
{
    const std::string window = Start("[Tallyvolt]\nLogFile=run.log\nWindowPosition=5000 5000\n");
    ASSERT_FALSE(window.empty()) << m_program->Errors();
    const std::vector<int> frame = FrameOf(window);
    const std::vector<int> area = WorkArea();
    ASSERT_EQ(frame.size(), 4u);
    // Centred by the program, not pulled back to a corner by the window manager.
    EXPECT_NEAR(frame[0], (area[2] - frame[2]) / 2, 2);
    EXPECT_NEAR(frame[1], (area[3] - frame[3]) / 2,
                12); // decorations are estimated before the first show
    ASSERT_EQ(CloseMonitor(*m_program), 0);
}

TEST_F(Placement, ARunSpentInTheTrayLeavesTheSettingsFileAsItWas)
{
    const std::string settings = "[Tallyvolt]\r\nLogFile=run.log\r\nStartMinimized=1\r\n"
                                 "WindowPosition=  7   8 \r\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env());
    ASSERT_TRUE(WaitUntil([&] { return !TrayIconWindow(program.Pid()).empty(); }, 20s))
        << program.Errors();
    WaitForRecords(1);
    // A logout ends it: the run closes as the close box closes it.
    ::kill(program.Pid(), SIGTERM);
    ASSERT_EQ(program.WaitForExit(10s), 0);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    EXPECT_TRUE(std::regex_search(Log(), std::regex("CPU Average:\\d+\\.\\d\\d%\r\n\r\n$")))
        << Log();
}
