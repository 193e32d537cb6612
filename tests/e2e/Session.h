// Driving the real program in the test's X session: start it, find its windows, press keys.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include <gtest/gtest.h>

#include "fakes/TempFolder.h"

namespace tallyvolt::test {

// Output of a shell command (standard output only).
std::string Shell(const std::string& command);

class Program
{
public:
    // Starts the program in `folder` with HOME and XDG_RUNTIME_DIR taken from `env` (the test's
    // own folders, so no real settings, log or running copy is ever touched). With
    // `powerSupply`, that folder stands in for /sys/class/power_supply, bind-mounted in a mount
    // namespace of the program's own.
    // `namespaceSetup`, a shell command, runs in that namespace before the program starts.
    // `args` follow the program's name on its command line.
    Program(const std::string& folder, const std::map<std::string, std::string>& env,
            const std::string& powerSupply = {}, const std::string& namespaceSetup = {},
            const std::vector<std::string>& args = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t Pid() const { return m_pid; }
    // Runs a shell command in the program's mount namespace; its standard output.
    std::string ShellInside(const std::string& command) const;
    // The exit status once the program has ended within `limit`; nullopt if it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    // What it wrote on standard error so far.
    std::string Errors() const;
    // What it wrote on standard output so far.
    std::string Output() const;

    // Top-level windows of this process titled exactly `title`, waiting up to `limit` for the
    // first to appear: only visible ones, or also iconified and hidden ones.
    enum class Visibility
    {
        Visible,
        Any,
    };
    std::vector<std::string> WaitForWindows(const std::string& title,
                                            std::chrono::milliseconds limit,
                                            Visibility visibility = Visibility::Visible) const;

private:
    pid_t m_pid = -1;
    std::string m_errorsPath;
    std::string m_outputPath;
    std::optional<int> m_status;
};

// The accessibility tree of a process's windows, one "role<TAB>name<TAB>states" line per
// object, as a screen reader sees it.
std::string ReadWindows(pid_t pid);
// The text of the label that follows the label `caption` ("Battery:") in such a tree.
std::string FigureAfter(const std::string& tree, const std::string& caption);

// WM_CLASS of a window as xprop prints it, e.g. "tallyvolt", "Tallyvolt".
std::string WindowClass(const std::string& window);
// Activates the window and presses a key in it, as a user would.
void PressKey(const std::string& window, const std::string& key);

// A record of the log, as the tests read it back.
struct Record
{
    long seconds; // of the day
    int charge;
    int cpu;
};
std::vector<Record> Records(const std::string& log);

// Tray: the program's icon window in the tray ("" when there is none), the text of its visible
// tooltip read by OCR ("" when none shows within `limit`), and the tray host of the session.
std::string TrayIconWindow(pid_t pid);
std::string ReadTooltip(pid_t pid, std::chrono::milliseconds limit);
void TrayHost(const std::string& startOrStop);
// Whether an X window is mapped and viewable; its _NET_WM_STATE as xprop prints it.
bool IsViewable(const std::string& window);
// The outer rectangle (window-manager frame included) of a client window: x, y, width, height.
std::vector<int> FrameOf(const std::string& window);
// The screen's work area as the window manager publishes it: x, y, width, height.
std::vector<int> WorkArea();
// Whether the window manager lists the window (as task bars show it).
bool InClientList(const std::string& window);
std::string WindowState(const std::string& window);
// Moves the window's outer corner to x, y as a drag ends, waits until `where` (the window's
// place as the test measures it) stops changing, and returns that place.
std::vector<int> MoveAndSettle(const std::string& window, int x, int y,
                               const std::function<std::vector<int>(const std::string&)>& where);
// Polls `condition` every 50 ms until it holds or `limit` passes; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// The time-stamp pattern of the log, as a regular expression.
inline const std::string kStampPattern = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)";

// A user of the test's own: home, runtime folder and a folder to start the program from.
class E2eTest : public ::testing::Test
{
protected:
    E2eTest();
    std::string Home() const { return m_dir / "home"; }
    std::string Runtime() const { return m_dir / "runtime"; }
    std::string Work() const { return m_dir / "work"; }
    std::map<std::string, std::string> Env(const std::string& locale = "C.UTF-8") const;

    // A copy of a recorded power-supply tree that the test may change while the program runs.
    std::string Battery(const std::string& fixture);
    // Rewrites a battery's energy_now the way the kernel shows it, file and uevent alike.
    void SetEnergyNow(const std::string& battery, long value);
    // Rewrites any of a battery's values ("power_now") the same way.
    void SetSupplyValue(const std::string& battery, const std::string& attribute, long value);
    // Polls the window until the figure after `caption` matches `pattern`; returns the last
    // figure seen.
    std::string WaitForFigure(const Program& program, const std::string& caption,
                              const std::string& pattern,
                              std::chrono::milliseconds limit = std::chrono::seconds(10));
    // The log "run.log" in the work folder, and waiting for its records.
    std::string Log() const;
    void WaitForRecords(std::size_t count,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

    // Waits for the monitor window, closes it as the window manager's Close does and returns
    // the exit status.
    std::optional<int> CloseMonitor(Program& program);
    // Waits for the program's message box, checks it as a user sees it, and dismisses it.
    void ExpectMessageBox(Program& program, const std::string& message);

    TempFolder m_dir;
};

} // namespace tallyvolt::test
