// Paths on Linux: the current directory and the XDG desktop folder.
#include "platform/Paths.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include <string_view>
#include <vector>

namespace tallyvolt {
namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

// The text between the double quotes of a user-dirs.dirs value, with backslash escapes undone.
std::string Unquote(std::string_view value)
{
    std::string out;
    if (value.empty() || value.front() != '"')
        return std::string(value);
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        out.push_back(value[i]);
    }
    return out;
}

} // namespace

std::string CurrentDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return buffer.data();
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string DesktopFolderFromUserDirs(const std::string& userDirsText, const std::string& home)
{
    // Lines look like XDG_DESKTOP_DIR="$HOME/Desktop"; the value is "$HOME/..." or absolute.
    std::string_view text = userDirsText;
    std::string found;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
        if (line.substr(0, kKey.size()) != kKey)
            continue;
        std::string value = Unquote(line.substr(kKey.size()));
        if (value == "$HOME" || value.rfind("$HOME/", 0) == 0)
            found = home + value.substr(5);
        else if (!value.empty() && value.front() == '/')
            found = value;
    }
    if (found.empty())
        return JoinPath(home, "Desktop");
    while (found.size() > 1 && found.back() == '/')
        found.pop_back();
    return found;
}

std::string DefaultLogPath()
{
    const std::string home = HomeFolder();
    std::string configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        configHome = xdg;
    else
        configHome = JoinPath(home, ".config");
    std::string userDirs;
    if (ReadWholeFile(JoinPath(configHome, "user-dirs.dirs"), 64 * 1024, userDirs) !=
        ReadResult::Ok)
        userDirs.clear();
    return JoinPath(DesktopFolderFromUserDirs(userDirs, home), "TALLYVOLT.INI");
}

} // namespace tallyvolt
