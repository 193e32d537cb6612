// The Win32 window commands and tray callbacks turned into the monitor's events: the one
// place where those message numbers mean something to the program.
#pragma once

#include "platform/MonitorEvents.h"

#ifdef _WIN32
#include <windows.h>
#endif

// The window command and mouse messages by their Win32 numbers, defined here where
// <windows.h> is not there to define them (the dispatch is built and tested on every system).
#ifndef SC_MINIMIZE
constexpr int SC_MINIMIZE = 0xF020;
constexpr int WM_LBUTTONDOWN = 0x201;
constexpr int WM_LBUTTONUP = 0x202;
constexpr int WM_RBUTTONDOWN = 0x204;
constexpr int WM_RBUTTONUP = 0x205;
constexpr int WM_LBUTTONDBLCLK = 0x203;
constexpr int WM_MOUSEMOVE = 0x200;
#endif

// The tray icon's callback message and its one icon.
constexpr int WM_TRAYNOTIFY = 0x464; // WM_USER + 100
constexpr int kTrayIconId = 1;

namespace tallyvolt {

// WM_SYSCOMMAND's command (its low four bits ignored): About, Always on Top, Minimize and
// Hide in Tray. False for commands left to the window's default handling.
bool DeliverSysCommand(MonitorEvents& events, int command);
// The tray icon's callback with its mouse message: a left button press brings the window
// back (1); anything else does nothing (0).
int DeliverTrayNotify(MonitorEvents& events, int mouseMessage);

} // namespace tallyvolt
