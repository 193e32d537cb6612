// The program's XEmbed tray icon window, where the toolkit does not reach it.
#pragma once

namespace tallyvolt {

// Keeps the program's XEmbed tray icon windows to the size of their square picture of
// `pictureSide` pixels wherever a tray gives them a box far larger than that, now and whenever
// the tray resizes them: lxqt-panel gives each icon window a 128 × 128 box at the screen's
// corner, and a window that filled it would take presses on the desktop there. Call after each
// change of the icon.
void KeepTrayIconWindowsToPicture(int pictureSide);

} // namespace tallyvolt
