// The window class every window of the program carries, by which desktops group its windows.
#pragma once

namespace tallyvolt {

// Names the class of all windows created from now on ("Tallyvolt").
void RegisterWindowClass(const char* name);

} // namespace tallyvolt
