// Driving the real program in the test's X session: start it, find its windows, press keys.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tallyvolt::test {

// Output of a shell command (standard output only).
std::string Run(const std::string& command);

class Program
{
public:
    // Starts the program in `folder` with HOME and XDG_RUNTIME_DIR taken from `env` (the test's
    // own folders, so no real settings, log or running copy is ever touched).
    Program(const std::string& folder, const std::map<std::string, std::string>& env);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t Pid() const { return m_pid; }
    // The exit status once the program has ended within `limit`; nullopt if it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    // What it wrote on standard error so far.
    std::string Errors() const;

    // Visible top-level windows of this process titled exactly `title`, waiting up to `limit`
    // for the first to appear.
    std::vector<std::string> WaitForWindows(const std::string& title,
                                            std::chrono::milliseconds limit) const;

private:
    pid_t m_pid = -1;
    std::string m_errorsPath;
    std::optional<int> m_status;
};

// WM_CLASS of a window as xprop prints it, e.g. "tallyvolt", "Tallyvolt".
std::string WindowClass(const std::string& window);
// Activates the window and presses a key in it, as a user would.
void PressKey(const std::string& window, const std::string& key);

} // namespace tallyvolt::test
