// Where the monitor's window goes: its first place on screen and the snap to the work area's
// edges. Positions are the window's outer top-left corner in screen pixels.
#pragma once

#include <optional>
#include <vector>

namespace tallyvolt {

struct Point
{
    int x = 0;
    int y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }   // one past the last column
    int Bottom() const { return y + height; } // one past the last row
    bool Intersects(const Rect& o) const
    {
        return x < o.Right() && o.x < Right() && y < o.Bottom() && o.y < Bottom();
    }
};

// A window edge within this many pixels of a work-area edge lands on it (inclusive).
constexpr int kSnapDistance = 15;

// The position `window` snaps to in `workArea`: each axis lands on the near edge when within
// reach; where both edges are in reach, the left and the top win.
Point SnapToWorkArea(const Rect& window, const Rect& workArea);

// The first position of a window of `width` × `height`: the remembered coordinates where
// known, each missing one centred on the primary display's work area; centred altogether when
// the result would lie wholly off every display.
Point ChooseFirstPlacement(std::optional<int> x, std::optional<int> y, int width, int height,
                           const Rect& primaryWorkArea, const std::vector<Rect>& displays);

} // namespace tallyvolt
