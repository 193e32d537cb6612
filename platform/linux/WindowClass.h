// The window class every window of the program carries, by which desktops group its windows.
#pragma once

namespace tallyvolt {

// Names the class of all windows created from now on ("Tallyvolt").
void RegisterWindowClass(const char* name);

// Marks a toolkit window (its native handle) as an application's main window rather than a
// dialog, so task bars list it. Call before it is first shown.
void MarkAsMainWindow(void* nativeHandle);

} // namespace tallyvolt
