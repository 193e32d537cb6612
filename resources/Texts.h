// The program's own texts: its name and version, the window's and the About box's words, the
// settings file's name and section, and the messages shown at start-up. No identifiers, so
// that the log's writer can use the name and version without the window's numbers.
#pragma once

#include "resources/Version.h" // generated: TALLYVOLT_VERSION

namespace tallyvolt::text {

constexpr const char* kTopmost = "Always on Top";
constexpr const char* kAboutMenu = "&About Tallyvolt...";
constexpr const char* kHideInTray = "Hide in Tray";
constexpr const char* kAppName = "Tallyvolt";
constexpr const char* kVersion = "v" TALLYVOLT_VERSION;

constexpr const char* kAboutTitle = "About Tallyvolt";
constexpr const char* kAboutVersionLine = "Tallyvolt v" TALLYVOLT_VERSION;
constexpr const char* kAboutInstructions =
    "See the readme.txt file for instructions. Parameters can be edited using the tallyvolt.ini "
    "file.";

constexpr const char* kSettingsFileName = "tallyvolt.ini";
constexpr const char* kSettingsSection = "Tallyvolt";

constexpr const char* kAlreadyRunning = "Tallyvolt is already running!";
constexpr const char* kBadDelimiter =
    "You specified an invalid setting for the Delimiter. Check the settings in tallyvolt.ini.";
constexpr const char* kBadExtraInfo =
    "You specified an invalid setting for Extra Info. Check the settings in tallyvolt.ini.";
constexpr const char* kBadPowerDraw =
    "You specified an invalid PowerDraw value. Check the settings in tallyvolt.ini.";
constexpr const char* kBadLogFile =
    "Unable to create log file. Check the settings in tallyvolt.ini.";
constexpr const char* kBadUpdatePeriod =
    "You specified an invalid update period. Check the settings in tallyvolt.ini.";
constexpr const char* kBadStartMinimized =
    "You specified an invalid StartMinimized value. Check the settings in tallyvolt.ini.";

} // namespace tallyvolt::text
