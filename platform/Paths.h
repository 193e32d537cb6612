// Where the program finds its files.
#pragma once

#include <string>

namespace tallyvolt {

// The process's current directory as an absolute path, of any length; empty if unknown.
std::string CurrentDirectory();

// Joins a folder and a file name with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The log's path when the settings name none: the user's desktop folder and "TALLYVOLT.INI".
std::string DefaultLogPath();

// The desktop folder that an XDG user-dirs.dirs text names, given the home folder;
// "<home>/Desktop" when the text names none. Exposed for tests.
std::string DesktopFolderFromUserDirs(const std::string& userDirsText, const std::string& home);

} // namespace tallyvolt
