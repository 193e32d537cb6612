// The tray icon window's size, as plain arithmetic.
#include "tray/IconWindowSize.h"

namespace tallyvolt {
namespace {

// Around the picture: toolkits round the room they have down to a standard icon size before
// drawing (GTK: 16, 24, 32, 48), and the usual 22-pixel picture keeps its size in 24 pixels.
constexpr int kMargin = 1;

int Side(int window, int picture)
{
    if (picture <= 0 || window <= 2 * picture)
        return window;
    return picture + 2 * kMargin;
}

} // namespace

WindowSize TrayIconWindowSize(WindowSize window, WindowSize picture)
{
    return {Side(window.width, picture.width), Side(window.height, picture.height)};
}

} // namespace tallyvolt
