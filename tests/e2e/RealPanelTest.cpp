// The real program in a real panel: lxqt-panel 1.2, started by the desktop scripts kept beside
// the source tree (../shared/desktops) on an X server, session bus and user of its own. What a
// user sees there: the StatusNotifierItem's picture in the panel, and the XEmbed icon's window,
// which the panel's tray holds at the screen's corner.
#include "e2e/Session.h"
#include "sni/SniHost.h"

#include <cstdlib>
#include <regex>
#include <sstream>

#include <sys/stat.h>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

// The README's green: the fill of a battery above a third.
constexpr const char* kReadmeGreen = "#4e9a06";

// A box on the screen: x, y, width, height.
struct Box
{
    int x = 0, y = 0, width = 0, height = 0;
    int CentreX() const { return x + width / 2; }
    int CentreY() const { return y + height / 2; }
};

// The value of `name` in the export lines of a desktop's env.sh.
std::string Exported(const std::string& envSh, const std::string& name)
{
    std::smatch match;
    const std::regex line("export " + name + "=(\\S+)");
    return std::regex_search(envSh, match, line) ? match[1].str() : std::string();
}

class LxqtPanel : public E2eTest
{
protected:
    // One desktop for the whole suite: the scripts copied where the desktop's own user reaches
    // them, the panel started, and this process's DISPLAY pointed at its X server so that
    // every window helper looks there.
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<TempFolder>();
        const std::string dir = s_folder->Path();
        ::chmod(dir.c_str(), 0755);
        s_started =
            Shell("cp -r '" + std::string(TALLYVOLT_SOURCE_DIR) + "/../shared/desktops' '" + dir +
                  "' && cd '" + dir + "/desktops' && DESKTOP_BASE='" + dir +
                  "/run' ./start-lxqt.sh >'" + dir + "/start.log' 2>&1 && echo up") == "up\n";
        const std::string env = ReadFile(dir + "/run/env.sh");
        s_bus = Exported(env, "DBUS_SESSION_BUS_ADDRESS");
        if (const char* display = std::getenv("DISPLAY"))
            s_ownDisplay = display;
        ::setenv("DISPLAY", Exported(env, "DISPLAY").c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        Shell("env -u TEST_DESKTOP '" + s_folder->Path() + "/run/stop.sh' >/dev/null 2>&1");
        ::setenv("DISPLAY", s_ownDisplay.c_str(), 1);
        s_folder.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_started) << "lxqt-panel did not start:\n"
                               << ReadFile(s_folder->Path() + "/start.log");
        Shell("xdotool mousemove 640 400"); // no tooltip over the panel
    }

    // Starts the program into the tray on the session bus at `bus`, with a battery at 81 %.
    void StartInTray(const std::string& bus)
    {
        WriteFile(Work() + "/tallyvolt.ini",
                  "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nStartMinimized=1\n");
        std::map<std::string, std::string> env = Env();
        env["DBUS_SESSION_BUS_ADDRESS"] = bus;
        env["NO_AT_BRIDGE"] = "1";
        m_program = std::make_unique<Program>(Work(), env, Battery("thinkpad-energy-ac-offline"));
    }

    // Where `colour` shows in the panel's 32-pixel strip at the top of the screen, waiting up
    // to `limit` for it; nullopt when it never shows there in an icon's size.
    static std::optional<Box> FindInPanel(const char* colour, std::chrono::milliseconds limit)
    {
        std::optional<Box> found;
        WaitUntil(
            [&] {
                // Everything but the colour turned black; the bounding box of what is left.
                const std::string box =
                    Shell(std::string("import -window root png:- 2>/dev/null | convert - -crop "
                                      "x32+0+0 +repage -fuzz 6% -fill black +opaque '") +
                          colour + "' -format '%@' info: 2>/dev/null");
                std::smatch m;
                if (!std::regex_match(box, m, std::regex(R"((\d+)x(\d+)\+(\d+)\+(\d+))")))
                    return false;
                Box b{std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[1]), std::stoi(m[2])};
                if (b.width < 4 || b.width > 32 || b.height < 4 || b.height > 32)
                    return false;
                found = b;
                return true;
            },
            limit);
        return found;
    }

    static void Click(int x, int y)
    {
        Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
              " click 1 && sleep 0.3 && xdotool mousemove 640 400");
    }

    static std::unique_ptr<TempFolder> s_folder; // the scripts and the desktop's own folder
    static std::string s_bus;
    static std::string s_ownDisplay;
    static bool s_started;
    std::unique_ptr<Program> m_program;
};

std::unique_ptr<TempFolder> LxqtPanel::s_folder;
std::string LxqtPanel::s_bus;
std::string LxqtPanel::s_ownDisplay;
bool LxqtPanel::s_started = false;

} // namespace

// The item offered the theme's battery by name as well as its picture, and the panel drew the
// theme's grey (on a dark panel, dark grey) battery instead of the program's own.
TEST_F(LxqtPanel, TheItemInThePanelIsTheDrawnBatteryInTheReadmesGreen)
{
    StartInTray(s_bus); // the panel's own watcher
    const std::optional<Box> icon = FindInPanel(kReadmeGreen, 15s);
    ASSERT_TRUE(icon) << m_program->Errors();
    // Filled to 81 %: the green reaches well up the battery, which is about 16 pixels high.
    EXPECT_GE(icon->height, 10);
    EXPECT_LE(icon->height, 18);
    // The item, not an XEmbed icon, and a click on it brings the window back.
    EXPECT_EQ(TrayIconWindow(m_program->Pid()), "");
    Click(icon->CentreX(), icon->CentreY());
    EXPECT_EQ(m_program->WaitForWindows("Tallyvolt", 5s).size(), 1u);
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}

// The icon window grew to fill the 128 × 128 box that the panel's tray gives it at the screen's
// corner, so a press on the empty desktop there brought the window back.
TEST_F(LxqtPanel, OnlyAPressOnTheXEmbedIconBringsTheWindowBack)
{
    PrivateBus noWatcher; // the XEmbed icon, as without a StatusNotifierItem host
    StartInTray(noWatcher.Address());
    std::string iconWindow;
    ASSERT_TRUE(
        WaitUntil([&] { return !(iconWindow = TrayIconWindow(m_program->Pid())).empty(); }, 10s))
        << m_program->Errors();
    const std::optional<Box> icon = FindInPanel(kReadmeGreen, 10s);
    ASSERT_TRUE(icon);
    // The window keeps to its picture's size.
    int width = 0, height = 0;
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::istringstream(Shell("xdotool getwindowgeometry --shell " + iconWindow +
                                     " | sed -n 's/^WIDTH=//p; s/^HEIGHT=//p'")) >>
                width >> height;
            return width > 0 && width <= 32 && height <= 32;
        },
        5s))
        << width << "x" << height;

    Click(100, 100);
    EXPECT_TRUE(m_program->WaitForWindows("Tallyvolt", 1500ms).empty());
    Click(icon->CentreX(), icon->CentreY());
    EXPECT_EQ(m_program->WaitForWindows("Tallyvolt", 5s).size(), 1u);
    EXPECT_EQ(CloseMonitor(*m_program), 0);
}
