// The DPI of windows and screens, and a dialog's scaling from one DPI to another. The functions
// of newer Windows are looked up at run time: the program also starts on Windows 7, which has
// none of them.
#pragma once

#include <windows.h>

namespace tallyvolt::win {

constexpr UINT kDefaultDpi = 96; // 100 %

// The DPI `window` is drawn at: its monitor's for a per-monitor aware program, else the
// system's.
UINT WindowDpi(HWND window);

// The DPI of the task bar's screen, where the tray icon is drawn; the system's where it cannot
// be told.
UINT TaskbarDpi();

// The width and height of a small icon (the tray's) at `dpi`, in pixels: 16 at 96 DPI.
int SmallIconSize(UINT dpi);

// Whether the dialog manager itself rescales this thread's dialogs when their DPI changes (per
// monitor awareness version 2, Windows 10 1703 on); with the older per-monitor awareness the
// program does it.
bool DialogsScaleThemselves();

// `value` in pixels at `oldDpi`, in pixels at `newDpi`, rounded to the nearest.
int ScaleToDpi(int value, UINT oldDpi, UINT newDpi);

// Scales the dialog's controls, their font and its client area from `oldDpi` to `newDpi`, and
// puts its corner where Windows proposes (`suggested`). The font made for the new DPI is kept
// in `scaledFont`, the one it replaces deleted; the caller deletes the last one.
void ScaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, const RECT& suggested, HFONT& scaledFont);

} // namespace tallyvolt::win
