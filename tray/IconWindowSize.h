// The size of the tray icon's window: a tray's own slot, or just its picture where a tray gives
// it a box far larger than the picture.
#pragma once

namespace tallyvolt {

struct WindowSize
{
    int width = 0;
    int height = 0;

    bool operator==(const WindowSize& o) const { return width == o.width && height == o.height; }
};

// The size to keep for a tray icon window of `window` size that shows a picture of `picture`
// size centred in it. A window up to twice the picture's size in each direction is a tray's own
// slot (trayer, xfce4-panel) and keeps its size; a larger one (lxqt-panel's 128 × 128 box at
// the screen's corner, where a window that fills it takes presses on the desktop) shrinks to the
// picture with a pixel around it. An unknown picture (no size) keeps the window as it is.
WindowSize TrayIconWindowSize(WindowSize window, WindowSize picture);

} // namespace tallyvolt
