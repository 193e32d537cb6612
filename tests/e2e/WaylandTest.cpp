// The real program on a Wayland session: GNOME's compositor, headless, started by the test,
// once with Xwayland (the program runs on X11 there: placed, remembered, snapped) and once
// without (native Wayland: the remembered position is left exactly as it was).
#include "e2e/Session.h"

#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

// mutter run headless on a 1280×800 virtual monitor with a session bus of its own, its sockets
// in the test's runtime folder; it ends, Xwayland and bus with it, when the test ends.
class Compositor
{
public:
    static constexpr const char* kWaylandName = "tallyvolt-test-wayland";

    Compositor(const std::string& runtime, bool xwayland) : m_runtime(runtime)
    {
        // A session of its own (setsid): the whole group goes at the end.
        const std::string pid =
            Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u XAUTHORITY -u DBUS_SESSION_BUS_ADDRESS "
                  "XDG_RUNTIME_DIR='" +
                  runtime +
                  "' setsid dbus-run-session -- mutter --wayland "
                  "--headless --virtual-monitor 1280x800 --wayland-display=" +
                  kWaylandName + (xwayland ? "" : " --no-x11") + " </dev/null >'" + runtime +
                  "/mutter.log' 2>&1 & echo $!");
        m_pid = std::atoi(pid.c_str());
        m_xwayland = xwayland;
    }
    ~Compositor()
    {
        ::kill(-m_pid, SIGTERM);
        if (!WaitUntil([this] { return ::kill(m_pid, 0) != 0; }, 5s))
            ::kill(-m_pid, SIGKILL);
    }
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    // Waits until clients can connect, to Xwayland as well when there is one. False when the
    // compositor could not start (see Log()).
    bool WaitReady()
    {
        return m_pid > 0 && WaitUntil(
                                [this] {
                                    return FileExists(m_runtime + "/" + kWaylandName) &&
                                           (!m_xwayland || FindXwayland());
                                },
                                30s);
    }
    std::string Log() const { return ReadFile(m_runtime + "/mutter.log"); }
    // Xwayland's display (":1") and the authority file its clients need.
    const std::string& XDisplay() const { return m_display; }
    const std::string& XAuthority() const { return m_authority; }

private:
    bool FindXwayland()
    {
        std::smatch display;
        const std::string log = Log();
        if (!std::regex_search(log, display, std::regex(R"(Using public X11 display (:\d+))")))
            return false;
        m_display = display[1];
        for (const auto& entry : std::filesystem::directory_iterator(m_runtime))
            if (entry.path().filename().string().rfind(".mutter-Xwaylandauth.", 0) == 0)
                m_authority = entry.path();
        return !m_authority.empty() && Shell("DISPLAY=" + m_display + " XAUTHORITY=" + m_authority +
                                             " xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                                               .find("window id") != std::string::npos;
    }

    std::string m_runtime;
    bool m_xwayland = false;
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_authority;
};

// Sets (nullopt: unsets) variables of the test's environment, which the program and the X
// tools inherit, until it goes.
class Environment
{
public:
    explicit Environment(const std::map<std::string, std::optional<std::string>>& values)
    {
        for (const auto& [key, value] : values) {
            const char* old = std::getenv(key.c_str());
            m_saved[key] = old ? std::optional<std::string>(old) : std::nullopt;
            Set(key, value);
        }
    }
    ~Environment()
    {
        for (const auto& [key, value] : m_saved)
            Set(key, value);
    }

private:
    static void Set(const std::string& key, const std::optional<std::string>& value)
    {
        value ? ::setenv(key.c_str(), value->c_str(), 1) : ::unsetenv(key.c_str());
    }
    std::map<std::string, std::optional<std::string>> m_saved;
};

class Wayland : public E2eTest
{
protected:
    // Starts the program on the fake battery with these settings.
    Program& Start(const std::string& settings,
                   const std::map<std::string, std::string>& extra = {})
    {
        WriteFile(Work() + "/tallyvolt.ini", settings);
        std::map<std::string, std::string> env = Env();
        env.insert(extra.begin(), extra.end());
        if (m_supply.empty())
            m_supply = Battery("thinkpad-energy-ac-offline"); // 81%
        m_program = std::make_unique<Program>(Work(), env, m_supply);
        return *m_program;
    }

    // Ends the run as a logout does; its exit status.
    std::optional<int> Terminate()
    {
        ::kill(m_program->Pid(), SIGTERM);
        return m_program->WaitForExit(10s);
    }

    // The window's outer top-left corner: the client's place less the frame the window manager
    // declares. mutter's frame window reaches a pixel further, an invisible resize border.
    static std::vector<int> Corner(const std::string& window)
    {
        std::smatch m;
        const std::string text = Shell("xwininfo -id " + window + " 2>/dev/null; xprop -id " +
                                       window + " _NET_FRAME_EXTENTS");
        if (!std::regex_search(text, m,
                               std::regex(R"(upper-left X:\s+(-?\d+)\s+Absolute upper-left )"
                                          R"(Y:\s+(-?\d+)[\s\S]*= (\d+), \d+, (\d+))")))
            return {};
        return {std::stoi(m[1]) - std::stoi(m[3]), std::stoi(m[2]) - std::stoi(m[4])};
    }

    // Moves the window's outer corner to x, y (as a drag ends) and waits for it to settle.
    std::vector<int> MoveTo(const std::string& window, int x, int y)
    {
        return MoveAndSettle(window, x, y, [this](const std::string& w) { return Corner(w); });
    }

    void ExpectFooter()
    {
        EXPECT_TRUE(std::regex_search(Log(), std::regex("CPU Average:\\d+\\.\\d\\d%\r\n\r\n$")))
            << Log();
    }

    std::string m_supply;
    std::unique_ptr<Program> m_program;
};

} // namespace

TEST_F(Wayland, WithXwaylandTheWindowIsPlacedRememberedAndSnappedAsOnX11)
{
    Compositor mutter(Runtime(), true);
    ASSERT_TRUE(mutter.WaitReady()) << mutter.Log();
    Environment session({{"WAYLAND_DISPLAY", Compositor::kWaylandName},
                         {"DISPLAY", mutter.XDisplay()},
                         {"XAUTHORITY", mutter.XAuthority()},
                         {"XDG_SESSION_TYPE", "wayland"},
                         {"GDK_BACKEND", std::nullopt}});
    // mutter publishes the whole virtual monitor as its work area: no panel.
    ASSERT_EQ(WorkArea(), (std::vector<int>{0, 0, 1280, 800}));

    // Left alone, the window opens where it was left and the file keeps that place exactly.
    const std::string settings = "; mine\n[Tallyvolt]\nLogFile=run.log\nWindowPosition=100 200\n";
    Program& first = Start(settings);
    std::vector<std::string> windows = first.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << first.Errors();
    std::this_thread::sleep_for(1500ms); // past the settle after the first show
    EXPECT_EQ(Corner(windows[0]), (std::vector<int>{100, 200}));
    ASSERT_EQ(Terminate(), 0) << first.Errors();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    ExpectFooter();

    // Moved to 10 pixels from the left edge, it lands on the edge, and that place is written.
    Program& second = Start(settings);
    windows = second.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(windows.size(), 1u) << second.Errors();
    EXPECT_EQ(MoveTo(windows[0], 10, 300), (std::vector<int>{0, 300}));
    EXPECT_EQ(MoveTo(windows[0], 16, 300), (std::vector<int>{16, 300}));
    EXPECT_EQ(MoveTo(windows[0], 400, 14), (std::vector<int>{400, 0}));
    ASSERT_EQ(Terminate(), 0) << second.Errors();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"),
              "; mine\n[Tallyvolt]\nLogFile=run.log\nWindowPosition=400 0\n");

    // The user's own choice of the Wayland backend holds: a native window, nothing on
    // Xwayland, and the position left as it was.
    Program& native = Start(settings, {{"GDK_BACKEND", "wayland"}});
    EXPECT_EQ(WaitForFigure(native, "Battery:", "81%", 20s), "81%") << native.Errors();
    EXPECT_TRUE(native.WaitForWindows("Tallyvolt", 1s, Program::Visibility::Any).empty());
    ASSERT_EQ(Terminate(), 0) << native.Errors();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
}

TEST_F(Wayland, WithoutXwaylandTheWindowRunsNativelyAndLeavesThePositionAlone)
{
    Compositor mutter(Runtime(), false);
    ASSERT_TRUE(mutter.WaitReady()) << mutter.Log();
    // Without DISPLAY the test's own X server would not be the program's.
    Environment session({{"WAYLAND_DISPLAY", Compositor::kWaylandName},
                         {"DISPLAY", std::nullopt},
                         {"XAUTHORITY", std::nullopt},
                         {"XDG_SESSION_TYPE", "wayland"},
                         {"GDK_BACKEND", std::nullopt}});

    const std::string settings =
        "[Tallyvolt]\r\nLogFile=run.log\r\nUpdatePeriod=1\r\nWindowPosition=100 200\r\n";
    Program& program = Start(settings);
    // The window is up, its figures as a screen reader reads them.
    EXPECT_EQ(WaitForFigure(program, "Battery:", "81%", 20s), "81%") << program.Errors();
    WaitForRecords(3);
    ASSERT_GE(Records(Log()).size(), 3u) << program.Errors();
    ASSERT_EQ(Terminate(), 0) << program.Errors();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    ExpectFooter();
}
