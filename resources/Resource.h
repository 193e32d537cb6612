// Fixed identifiers and texts of the program: resource, control, command and timer ids,
// the string table, and the messages shown at start-up.
#pragma once

#include "resources/Version.h" // generated: TALLYVOLT_VERSION

// Dialog templates and icon.
constexpr int IDD_MAIN = 102;
constexpr int IDD_ABOUT = 131;
constexpr int IDI_MAIN = 128;

// String table.
constexpr int IDS_TOPMOST = 1;
constexpr int IDS_ABOUTMENU = 2;
constexpr int IDS_APPNAME = 3;
constexpr int IDS_VERSION = 4;

// Controls of the monitor dialog.
constexpr int IDC_BATTERY = 1000;
constexpr int IDC_UPDATE = 1001;
constexpr int IDC_CPU = 1002;
constexpr int IDC_BURNRATE = 1003;
constexpr int IDC_POWER = 1004; // only with PowerDraw=1

// Window-menu commands; the low four bits are masked off before dispatch.
constexpr int ID_MENU_ABOUT = 0x1000;
constexpr int ID_MENU_TOPMOST = 0x2000;
constexpr int ID_MENU_HIDE = 0x3000; // Linux only: Windows' own Minimize does the same

constexpr int TIMER_SAMPLE = 16;

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
