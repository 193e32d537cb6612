// What the desktop's windowing system lets the program do with its window.
#pragma once

namespace tallyvolt {

// The toolkit backend to ask for, from the session's environment (each value null when the
// variable is unset): "x11" on a Wayland session that offers X11 too (Xwayland: DISPLAY set),
// where a window can be placed, learns its place on the screen and can stay on top; null to
// leave the toolkit its own choice: an X11 session, a Wayland session without X11, or a
// backend the user chose with GDK_BACKEND. Empty values count as unset.
const char* PreferredToolkitBackend(const char* gdkBackend, const char* waylandDisplay,
                                    const char* sessionType, const char* display);

// Applies that choice to this process's environment. Call before the toolkit starts; programs
// started from here inherit the choice.
void ChooseToolkitBackend();

// Whether the window system lets the program place its window, tells it where the window is on
// the screen and takes an always-on-top request (X11), or none of that (a native Wayland
// display). Call once the toolkit has started.
bool WindowsHaveScreenPositions();

} // namespace tallyvolt
