// Process and X-window helpers for the end-to-end tests.
#include "e2e/Session.h"

#include "fakes/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tallyvolt::test {

std::string Run(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

Program::Program(const std::string& folder, const std::map<std::string, std::string>& env)
{
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::size_t eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [key, value] : env)
        merged[key] = value;
    merged["NO_AT_BRIDGE"] = "1";
    std::vector<std::string> entries;
    for (const auto& [key, value] : merged)
        entries.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    m_errorsPath = folder + "/.stderr-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, m_errorsPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // The program finds its settings in the folder it starts from.
    const std::string script = "cd \"$0\" && exec \"$1\"";
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), folder.c_str(), TALLYVOLT_BINARY,
                          nullptr};
    if (posix_spawn(&m_pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv),
                    envp.data()) != 0)
        throw std::runtime_error("cannot start " TALLYVOLT_BINARY);
    posix_spawn_file_actions_destroy(&actions);
}

Program::~Program()
{
    if (!m_status && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    ::unlink(m_errorsPath.c_str());
}

std::optional<int> Program::WaitForExit(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!m_status) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > end)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_status;
}

std::string Program::Errors() const { return ReadFile(m_errorsPath); }

std::vector<std::string> Program::WaitForWindows(const std::string& title,
                                                 std::chrono::milliseconds limit) const
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<std::string> found;
        std::istringstream ids(
            Run("xdotool search --onlyvisible --pid " + std::to_string(m_pid) + " 2>/dev/null"));
        for (std::string id; ids >> id;) {
            // xdotool's --name is a case-insensitive pattern; compare titles exactly.
            std::string name = Run("xdotool getwindowname " + id + " 2>/dev/null");
            if (!name.empty() && name.back() == '\n')
                name.pop_back();
            if (name == title)
                found.push_back(id);
        }
        if (!found.empty() || std::chrono::steady_clock::now() > end)
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string WindowClass(const std::string& window)
{
    std::string out = Run("xprop -id " + window + " WM_CLASS 2>/dev/null");
    std::size_t eq = out.find("= ");
    if (eq == std::string::npos)
        return {};
    out = out.substr(eq + 2);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

void PressKey(const std::string& window, const std::string& key)
{
    Run("xdotool windowactivate --sync " + window + " key --clearmodifiers " + key +
        " >/dev/null 2>&1");
}

} // namespace tallyvolt::test
