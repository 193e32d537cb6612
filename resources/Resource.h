// Fixed identifiers of the program: resource, control, command and timer ids and the string
// table; and, through resources/Texts.h, its texts.
#pragma once

#include "resources/Texts.h"

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
