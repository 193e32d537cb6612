// Process and X-window helpers for the end-to-end tests.
#include "e2e/Session.h"

#include "fakes/TempFolder.h"

#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include <cctype>
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

std::string Shell(const std::string& command)
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

Program::Program(const std::string& folder, const std::map<std::string, std::string>& env,
                 const std::string& powerSupply, const std::string& namespaceSetup,
                 const std::vector<std::string>& args)
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
    m_outputPath = folder + "/.stdout-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
    posix_spawn_file_actions_addopen(&actions, 1, m_outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The program finds its settings in the folder it starts from. A fake battery is a folder
    // bind-mounted over the real one in a private mount namespace (a user namespace as well
    // when not root), so the program reads it as the kernel's.
    std::string script = "cd \"$0\" && program=\"$1\" && shift 2 && exec \"$program\" \"$@\"";
    std::vector<const char*> argv;
    if (!powerSupply.empty())
        script = "mount --bind \"$2\" /sys/class/power_supply && " + script;
    if (!namespaceSetup.empty())
        script = "{ " + namespaceSetup + "; } && " + script;
    if (!powerSupply.empty() || !namespaceSetup.empty()) {
        argv = {"unshare", "-m"};
        if (::geteuid() != 0)
            argv.push_back("-r");
    }
    for (const char* arg :
         {"/bin/sh", "-c", script.c_str(), folder.c_str(), TALLYVOLT_BINARY, powerSupply.c_str()})
        argv.push_back(arg);
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv.data()),
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
    ::unlink(m_outputPath.c_str());
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

std::string Program::Errors() const
{
    return ReadFile(m_errorsPath);
}

std::string Program::Output() const
{
    return ReadFile(m_outputPath);
}

std::string Program::ShellInside(const std::string& command) const
{
    return Shell("nsenter -t " + std::to_string(m_pid) + " -m -- sh -c '" + command + "'");
}

std::vector<std::string> Program::WaitForWindows(const std::string& title,
                                                 std::chrono::milliseconds limit,
                                                 Visibility visibility) const
{
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string only = visibility == Visibility::Visible ? "--onlyvisible " : "";
    for (;;) {
        std::vector<std::string> found;
        std::istringstream ids(
            Shell("xdotool search " + only + "--pid " + std::to_string(m_pid) + " 2>/dev/null"));
        for (std::string id; ids >> id;) {
            // xdotool's --name is a case-insensitive pattern; compare titles exactly.
            std::string name = Shell("xdotool getwindowname " + id + " 2>/dev/null");
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

std::string ReadWindows(pid_t pid)
{
    return Shell(std::string(TALLYVOLT_E2E_DIR) + "/read-window.py " + std::to_string(pid) +
                 " 2>/dev/null");
}

std::string FigureAfter(const std::string& tree, const std::string& caption)
{
    std::istringstream lines(tree);
    bool next = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string role;
        std::string name;
        std::getline(fields >> std::ws, role, '\t');
        std::getline(fields, name, '\t');
        if (role != "label")
            continue;
        if (next)
            return name;
        next = name == caption;
    }
    return "(no figure after " + caption + ")";
}

std::string WindowClass(const std::string& window)
{
    std::string out = Shell("xprop -id " + window + " WM_CLASS 2>/dev/null");
    std::size_t eq = out.find("= ");
    if (eq == std::string::npos)
        return {};
    out = out.substr(eq + 2);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::vector<Record> Records(const std::string& log)
{
    static const std::regex line(
        R"((\d\d)/\d\d/\d\d (\d\d):(\d\d):(\d\d)[\t,;](\d+)%[\t,;][^\t,;]+[\t,;][^\t,;]+[\t,;](\d+)%)");
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

std::vector<int> MoveAndSettle(const std::string& window, int x, int y,
                               const std::function<std::vector<int>(const std::string&)>& where)
{
    Shell("xdotool windowmove " + window + " " + std::to_string(x) + " " + std::to_string(y));
    std::vector<int> last;
    WaitUntil(
        [&] {
            std::vector<int> now = where(window);
            const bool still = now == last;
            last = now;
            return still;
        },
        std::chrono::milliseconds(1500));
    // The program snaps after a short pause of its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return where(window);
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

namespace {

std::vector<std::string> VisibleWindows(pid_t pid)
{
    std::vector<std::string> ids;
    std::istringstream out(
        Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
    for (std::string id; out >> id;)
        ids.push_back(id);
    return ids;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

std::string TrayIconWindow(pid_t pid)
{
    // GTK names the icon's embedded window after the program; dialogs carry titles.
    for (const std::string& id : VisibleWindows(pid))
        if (Trimmed(Shell("xdotool getwindowname " + id + " 2>/dev/null")) == "tallyvolt" &&
            Shell("xprop -id " + id + " _NET_WM_WINDOW_TYPE").find("TOOLTIP") == std::string::npos)
            return id;
    return {};
}

std::string ReadTooltip(pid_t pid, std::chrono::milliseconds limit)
{
    std::string text;
    WaitUntil(
        [&] {
            for (const std::string& id : VisibleWindows(pid)) {
                if (Shell("xprop -id " + id + " _NET_WM_WINDOW_TYPE").find("TOOLTIP") ==
                    std::string::npos)
                    continue;
                // Light text on a dark tip: grey, inverted and enlarged, it reads cleanly.
                text = Trimmed(Shell("import -window " + id +
                                     " png:- 2>/dev/null | convert png:- -colorspace Gray "
                                     "-negate -scale 300% png:- | tesseract - - --psm 7 "
                                     "2>/dev/null"));
                return !text.empty();
            }
            return false;
        },
        limit);
    return text;
}

void TrayHost(const std::string& startOrStop)
{
    Shell(std::string(TALLYVOLT_SOURCE_DIR) + "/scripts/tray-host " + startOrStop);
}

bool IsViewable(const std::string& window)
{
    return Shell("xwininfo -id " + window + " 2>/dev/null").find("IsViewable") != std::string::npos;
}

std::vector<int> FrameOf(const std::string& window)
{
    // The frame is the client's parent under a reparenting window manager.
    std::smatch parent;
    const std::string tree = Shell("xwininfo -tree -id " + window + " 2>/dev/null");
    const std::string frame =
        std::regex_search(tree, parent, std::regex(R"(Parent window id: (0x[0-9a-f]+))"))
            ? parent[1].str()
            : window;
    const std::string info = Shell("xwininfo -id " + frame + " 2>/dev/null");
    std::vector<int> rect;
    for (const char* key :
         {"Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"}) {
        std::smatch m;
        if (std::regex_search(info, m, std::regex(std::string(key) + R"(\s+(-?\d+))")))
            rect.push_back(std::stoi(m[1]));
    }
    return rect;
}

std::vector<int> WorkArea()
{
    std::smatch m;
    const std::string text = Shell("xprop -root _NET_WORKAREA");
    if (!std::regex_search(text, m, std::regex(R"((\d+), (\d+), (\d+), (\d+))")))
        return {};
    return {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
}

bool InClientList(const std::string& window)
{
    // xdotool names windows in decimal, xprop in hexadecimal.
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(window));
    const std::string list = Shell("xprop -root _NET_CLIENT_LIST");
    return std::regex_search(list, std::regex(std::string(hex) + "\\b"));
}

std::string WindowState(const std::string& window)
{
    return Trimmed(Shell("xprop -id " + window + " _NET_WM_STATE WM_STATE 2>/dev/null"));
}

std::string E2eTest::Battery(const std::string& fixture)
{
    const std::string copy = m_dir / "power_supply";
    std::filesystem::copy(std::string(TALLYVOLT_TEST_DATA_DIR) + "/power_supply/" + fixture, copy,
                          std::filesystem::copy_options::recursive);
    return copy;
}

void E2eTest::SetEnergyNow(const std::string& battery, long value)
{
    SetSupplyValue(battery, "energy_now", value);
}

void E2eTest::SetSupplyValue(const std::string& battery, const std::string& attribute, long value)
{
    // The uevent's key is the attribute's name in capitals.
    std::string key = "POWER_SUPPLY_";
    for (char c : attribute)
        key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string uevent = ReadFile(battery + "/uevent");
    uevent =
        std::regex_replace(uevent, std::regex(key + "=-?\\d+"), key + "=" + std::to_string(value));
    WriteFile(battery + "/uevent.new", uevent);
    WriteFile(battery + "/" + attribute + ".new", std::to_string(value) + "\n");
    std::filesystem::rename(battery + "/uevent.new", battery + "/uevent");
    std::filesystem::rename(battery + "/" + attribute + ".new", battery + "/" + attribute);
}

std::string E2eTest::WaitForFigure(const Program& program, const std::string& caption,
                                   const std::string& pattern, std::chrono::milliseconds limit)
{
    std::string figure;
    WaitUntil(
        [&] {
            figure = FigureAfter(ReadWindows(program.Pid()), caption);
            return std::regex_match(figure, std::regex(pattern));
        },
        limit);
    return figure;
}

std::string E2eTest::Log() const
{
    return ReadFile(Work() + "/run.log");
}

void E2eTest::WaitForRecords(std::size_t count, std::chrono::milliseconds limit)
{
    WaitUntil([&] { return Records(Log()).size() >= count; }, limit);
}

E2eTest::E2eTest()
{
    ::mkdir(Home().c_str(), 0700);
    ::mkdir(Runtime().c_str(), 0700);
    ::mkdir(Work().c_str(), 0755);
}

std::map<std::string, std::string> E2eTest::Env(const std::string& locale) const
{
    return {{"HOME", Home()},
            {"XDG_RUNTIME_DIR", Runtime()},
            {"XDG_CONFIG_HOME", ""},
            {"LC_ALL", locale}};
}

std::optional<int> E2eTest::CloseMonitor(Program& program)
{
    using namespace std::chrono_literals;
    std::vector<std::string> windows = program.WaitForWindows("Tallyvolt", 20s);
    EXPECT_EQ(windows.size(), 1u) << program.Errors();
    for (const std::string& window : windows)
        Shell("wmctrl -i -c " + window);
    return program.WaitForExit(10s);
}

void E2eTest::ExpectMessageBox(Program& program, const std::string& message)
{
    using namespace std::chrono_literals;
    std::vector<std::string> boxes = program.WaitForWindows("Tallyvolt", 20s);
    ASSERT_EQ(boxes.size(), 1u) << program.Errors();
    EXPECT_EQ(WindowClass(boxes[0]), "\"tallyvolt\", \"Tallyvolt\"");
    EXPECT_NE(program.Errors().find(message), std::string::npos) << program.Errors();
    EXPECT_NE(ReadWindows(program.Pid()).find("\t" + message + "\t"), std::string::npos);
    // Still waiting for the user.
    EXPECT_EQ(program.WaitForExit(300ms), std::nullopt);
    PressKey(boxes[0], "Return");
}

void PressKey(const std::string& window, const std::string& key)
{
    Shell("xdotool windowactivate --sync " + window + " key --clearmodifiers " + key +
          " >/dev/null 2>&1");
}

} // namespace tallyvolt::test
