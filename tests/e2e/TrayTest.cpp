// The real program with a real tray host: minimise into the tray and back, the live tip, the
// window menu's Always on Top and About, and what happens when the tray is missing or restarts.
#include "e2e/Session.h"

#include <regex>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

class Tray : public E2eTest
{
protected:
    ~Tray() override { TrayHost("start"); } // whatever a test did to it

    // Starts the program with a fake battery and waits for its window.
    std::string Start(Program*& program, const std::string& settings,
                      const std::string& fixture = "thinkpad-energy-ac-offline")
    {
        WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\n" + settings);
        m_supply = Battery(fixture);
        m_program = std::make_unique<Program>(Work(), Env(), m_supply);
        program = m_program.get();
        std::vector<std::string> windows = program->WaitForWindows("Tallyvolt", 20s);
        return windows.empty() ? std::string() : windows[0];
    }

    // Opens the window's context menu, as a right click on the window does, and returns the
    // accessibility tree while it is open.
    std::string OpenWindowMenu(const std::string& window)
    {
        Shell("xdotool mousemove --window " + window + " 20 20 click 3");
        return WaitForOpenMenu();
    }

    // The tree once the window menu shows (a menu closed before may linger in it, hidden).
    std::string WaitForOpenMenu()
    {
        std::string tree;
        WaitUntil(
            [&] {
                tree = ReadWindows(m_program->Pid());
                return std::regex_search(tree, std::regex("Always on Top\t[^\n]*showing"));
            },
            5s);
        std::this_thread::sleep_for(200ms); // let it take the keyboard
        return tree;
    }

    std::unique_ptr<Program> m_program;
    std::string m_supply;
};

} // namespace

TEST_F(Tray, MinimiseHidesIntoTheTrayAndTheLeftPressBringsItBack)
{
    Program* program = nullptr;
    const std::string window = Start(program, "UpdatePeriod=1\n");
    ASSERT_FALSE(window.empty()) << program->Errors();
    EXPECT_EQ(TrayIconWindow(program->Pid()), "");

    Shell("xdotool windowminimize " + window);
    // Hidden, not iconified: no window and no task-bar entry, and an icon in the tray. The
    // window manager iconifies first; the program withdraws the window once it hears of it.
    ASSERT_TRUE(WaitUntil([&] { return !IsViewable(window); }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return !InClientList(window); }, 5s));
    std::string icon;
    ASSERT_TRUE(WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 5s));

    // The tip follows the charge.
    Shell("xdotool mousemove --window " + icon + " 10 10 sleep 0.2 mousemove --window " + icon +
          " 11 11");
    EXPECT_EQ(ReadTooltip(program->Pid(), 5s), "Tallyvolt: 81%");
    Shell("xdotool mousemove 600 300");
    SetEnergyNow(m_supply + "/BAT0", 32000000); // 71%
    WaitUntil([&] { return !Records(Log()).empty() && Records(Log()).back().charge == 71; }, 5s);
    std::this_thread::sleep_for(500ms);
    Shell("xdotool mousemove --window " + icon + " 10 10 sleep 0.2 mousemove --window " + icon +
          " 11 11");
    EXPECT_EQ(ReadTooltip(program->Pid(), 5s), "Tallyvolt: 71%");

    // A right click does nothing.
    Shell("xdotool mousemove --window " + icon + " 11 11 click 3");
    std::this_thread::sleep_for(700ms);
    EXPECT_FALSE(IsViewable(window));

    // The press itself restores the window, before the button comes up.
    Shell("xdotool mousemove --window " + icon + " 11 11 mousedown 1");
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    Shell("xdotool mouseup 1");
    EXPECT_TRUE(WaitUntil([&] { return TrayIconWindow(program->Pid()).empty(); }, 5s));
    EXPECT_TRUE(InClientList(window));
    EXPECT_EQ(WindowState(window).find("HIDDEN"), std::string::npos) << WindowState(window);

    EXPECT_EQ(CloseMonitor(*program), 0);
}

TEST_F(Tray, StartMinimizedStartsHiddenAndASecondCopyCannotShowIt)
{
    Program* program = nullptr;
    m_supply = Battery("thinkpad-energy-ac-offline");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nStartMinimized=1\n");
    m_program = std::make_unique<Program>(Work(), Env(), m_supply);
    program = m_program.get();
    std::string icon;
    ASSERT_TRUE(WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 20s))
        << program->Errors();
    EXPECT_TRUE(program->WaitForWindows("Tallyvolt", 1s).empty());
    WaitForRecords(1);

    const std::string other = m_dir / "other";
    ::mkdir(other.c_str(), 0755);
    Program second(other, Env());
    ExpectMessageBox(second, "Tallyvolt is already running!");
    EXPECT_EQ(second.WaitForExit(10s), 0);
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(program->WaitForWindows("Tallyvolt", 0ms).empty());

    Shell("xdotool mousemove --window " + icon + " 11 11 click 1");
    EXPECT_EQ(program->WaitForWindows("Tallyvolt", 5s).size(), 1u);
    EXPECT_EQ(CloseMonitor(*program), 0);
    EXPECT_TRUE(std::regex_search(Log(), std::regex("CPU Average:\\d+\\.\\d\\d%\r\n\r\n$")));
}

TEST_F(Tray, AlwaysOnTopTwiceReturnsToNormalUnchecked)
{
    Program* program = nullptr;
    const std::string window = Start(program, "");
    ASSERT_FALSE(window.empty()) << program->Errors();

    std::string menu = OpenWindowMenu(window);
    // Separator, Always on Top, Hide in Tray (a tray is there), separator, About.
    EXPECT_TRUE(std::regex_search(menu, std::regex("separator[^\n]*\n *check menu item\tAlways "
                                                   "on Top\t[^\n]*\n *menu item\tHide in "
                                                   "Tray\t[^\n]*\n *separator[^\n]*\n *menu "
                                                   "item\tAbout Tallyvolt...")))
        << menu;
    EXPECT_FALSE(std::regex_search(menu, std::regex("Always on Top\t[^\n]*checked")));
    Shell("xdotool key Down Return");
    EXPECT_TRUE(
        WaitUntil([&] { return WindowState(window).find("ABOVE") != std::string::npos; }, 5s))
        << WindowState(window);

    menu = OpenWindowMenu(window);
    EXPECT_TRUE(std::regex_search(menu, std::regex("Always on Top\t[^\n]*checked"))) << menu;
    Shell("xdotool key Down Return");
    EXPECT_TRUE(
        WaitUntil([&] { return WindowState(window).find("ABOVE") == std::string::npos; }, 5s));
    menu = OpenWindowMenu(window);
    EXPECT_FALSE(std::regex_search(menu, std::regex("Always on Top\t[^\n]*checked"))) << menu;
    Shell("xdotool key Escape");
    EXPECT_EQ(CloseMonitor(*program), 0);
}

// On a desktop without a minimise (sway, i3) a window restored from the tray could only be
// closed: the window menu's Hide in Tray puts it back, offered while a tray takes the icon.
TEST_F(Tray, HideInTrayFromTheWindowMenuAndBackWhileATrayIsThere)
{
    Program* program = nullptr;
    const std::string window = Start(program, "UpdatePeriod=1\n");
    ASSERT_FALSE(window.empty()) << program->Errors();

    for (int round = 0; round < 2; ++round) {
        const std::string menu = OpenWindowMenu(window);
        EXPECT_TRUE(std::regex_search(menu, std::regex("menu item\tHide in Tray\t[^\n]*showing")))
            << menu;
        Shell("xdotool key Down Down Return"); // Always on Top, then Hide in Tray
        // As a minimise: no window, no task-bar entry, the icon in the tray.
        ASSERT_TRUE(WaitUntil([&] { return !IsViewable(window); }, 5s)) << round;
        EXPECT_TRUE(WaitUntil([&] { return !InClientList(window); }, 5s));
        std::string icon;
        ASSERT_TRUE(
            WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 5s));
        EXPECT_EQ(WindowState(window).find("ABOVE"), std::string::npos); // not Always on Top
        Shell("xdotool mousemove --window " + icon + " 11 11 click 1");
        EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
        EXPECT_TRUE(WaitUntil([&] { return TrayIconWindow(program->Pid()).empty(); }, 5s));
        EXPECT_TRUE(InClientList(window));
    }

    // With no tray to take the icon the item is not offered.
    TrayHost("stop");
    std::this_thread::sleep_for(1s);
    const std::string menu = OpenWindowMenu(window);
    EXPECT_EQ(menu.find("Hide in Tray"), std::string::npos) << menu;
    Shell("xdotool key Escape");
    EXPECT_TRUE(IsViewable(window));
    EXPECT_EQ(CloseMonitor(*program), 0);
}

TEST_F(Tray, AboutOpensFromTheKeyboardAndSamplingGoesOn)
{
    Program* program = nullptr;
    const std::string window = Start(program, "UpdatePeriod=1\n");
    ASSERT_FALSE(window.empty()) << program->Errors();

    PressKey(window, "shift+F10");
    WaitForOpenMenu();
    Shell("xdotool key Up Return"); // the last item
    std::vector<std::string> about = program->WaitForWindows("About Tallyvolt", 5s);
    ASSERT_EQ(about.size(), 1u);
    EXPECT_EQ(WindowClass(about[0]), "\"tallyvolt\", \"Tallyvolt\"");
    const std::string tree = ReadWindows(program->Pid());
    EXPECT_NE(tree.find("label\tTallyvolt v1.0\t"), std::string::npos) << tree;
    // Credits, an empty line, the address, an empty line, the instructions (wrapped to fit).
    std::smatch text;
    ASSERT_TRUE(std::regex_search(tree, text, std::regex("label\t([^\t]*readme[^\t]*)\t"))) << tree;
    // Wrapping breaks lines at single "\n"s; the empty lines are "\n\n".
    std::string unwrapped = std::regex_replace(text[1].str(), std::regex(R"(\\n\\n)"), "\x01");
    unwrapped = std::regex_replace(unwrapped, std::regex(R"(\\n)"), " ");
    EXPECT_TRUE(
        std::regex_match(unwrapped, std::regex("[^\x01]+\x01https://\\S+\x01See the readme.txt "
                                               "file for instructions. Parameters can be "
                                               "edited using the tallyvolt.ini file.")))
        << unwrapped;

    const std::size_t before = Records(Log()).size();
    std::this_thread::sleep_for(3s);
    EXPECT_GE(Records(Log()).size(), before + 2);

    PressKey(about[0], "Return"); // OK
    EXPECT_TRUE(
        WaitUntil([&] { return program->WaitForWindows("About Tallyvolt", 0ms).empty(); }, 5s));
    EXPECT_EQ(CloseMonitor(*program), 0);
}

TEST_F(Tray, WithoutATrayHostMinimiseIconifiesAndTheWindowComesBack)
{
    TrayHost("stop");
    Program* program = nullptr;
    const std::string window = Start(program, "");
    ASSERT_FALSE(window.empty()) << program->Errors();

    Shell("xdotool windowminimize " + window);
    EXPECT_TRUE(
        WaitUntil([&] { return WindowState(window).find("HIDDEN") != std::string::npos; }, 5s))
        << WindowState(window);
    std::this_thread::sleep_for(500ms);
    // Iconified the usual way: still listed, so the desktop can bring it back.
    EXPECT_TRUE(InClientList(window));
    EXPECT_EQ(TrayIconWindow(program->Pid()), "");

    Shell("wmctrl -i -a " + window);
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*program), 0);
}

// A panel that came up after a minimised start (as at login) used to leave the window in the
// task bar for good.
TEST_F(Tray, StartMinimizedWithoutATrayHostStartsIconifiedUntilATrayComes)
{
    TrayHost("stop");
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nStartMinimized=1\n");
    const auto started = std::chrono::steady_clock::now();
    m_program = std::make_unique<Program>(Work(), Env(), Battery("thinkpad-energy-ac-offline"));
    Program* program = m_program.get();
    std::vector<std::string> windows =
        program->WaitForWindows("Tallyvolt", 20s, Program::Visibility::Any);
    ASSERT_EQ(windows.size(), 1u) << program->Errors();
    const std::string window = windows[0];
    EXPECT_TRUE(
        WaitUntil([&] { return WindowState(window).find("HIDDEN") != std::string::npos; }, 5s))
        << WindowState(window);
    EXPECT_TRUE(InClientList(window));

    std::this_thread::sleep_until(started + 3s);
    TrayHost("start");
    std::string icon;
    EXPECT_TRUE(WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 2s));
    EXPECT_TRUE(WaitUntil([&] { return !InClientList(window) && !IsViewable(window); }, 2s))
        << WindowState(window);
    ASSERT_FALSE(icon.empty());
    Shell("xdotool mousemove --window " + icon + " 11 11 click 1");
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*program), 0);
}

TEST_F(Tray, ARestartedTrayHostGetsTheIconBack)
{
    Program* program = nullptr;
    const std::string window = Start(program, "");
    ASSERT_FALSE(window.empty()) << program->Errors();
    Shell("xdotool windowminimize " + window);
    std::string icon;
    ASSERT_TRUE(WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 5s));

    TrayHost("stop");
    EXPECT_TRUE(WaitUntil([&] { return TrayIconWindow(program->Pid()).empty(); }, 5s));
    TrayHost("start");
    ASSERT_TRUE(WaitUntil([&] { return !(icon = TrayIconWindow(program->Pid())).empty(); }, 10s));
    Shell("xdotool mousemove --window " + icon + " 11 11 click 1");
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*program), 0);
}

// A tray host that died for good used to leave the window hidden with no way back.
TEST_F(Tray, ATrayHostGoneForGoodGivesTheWindowBack)
{
    Program* program = nullptr;
    const std::string window = Start(program, "");
    ASSERT_FALSE(window.empty()) << program->Errors();
    Shell("xdotool windowminimize " + window);
    ASSERT_TRUE(WaitUntil([&] { return !TrayIconWindow(program->Pid()).empty(); }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return !InClientList(window); }, 5s));

    TrayHost("stop");
    EXPECT_TRUE(WaitUntil([&] { return InClientList(window); }, 12s)) << WindowState(window);
    Shell("wmctrl -i -a " + window);
    EXPECT_TRUE(WaitUntil([&] { return IsViewable(window); }, 5s));
    EXPECT_EQ(CloseMonitor(*program), 0);
}
