// Screen geometry shared by the monitor and the windows: points and rectangles in screen
// pixels.
#pragma once

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

} // namespace tallyvolt
