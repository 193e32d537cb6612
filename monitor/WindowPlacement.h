// The window's remembered position: where it first shows, and where it last came to rest by
// the user's hand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor/MonitorSettings.h"
#include "monitor/Placement.h"

namespace tallyvolt {

class WindowPlacement
{
public:
    // The position read from the settings: each number found replaces the one remembered.
    void Remember(const PositionText& position);
    // "x y" of the remembered position, just "x" when only that is known, nullopt when
    // nothing is known.
    std::optional<std::string> Text() const;

    // Where a window of `width` × `height` first shows.
    Point First(int width, int height, const Rect& primaryWorkArea,
                const std::vector<Rect>& displays);
    // The window has come to rest at `frame` in `workArea`; `shown` says whether the user can
    // see it at all. Returns where a moved window must snap to when that differs from `frame`.
    std::optional<Point> Settled(const Rect& frame, const Rect& workArea, bool shown);

    std::optional<std::int32_t> X() const { return m_x; }
    std::optional<std::int32_t> Y() const { return m_y; }

private:
    std::optional<std::int32_t> m_x; // outer top-left corner, screen pixels
    std::optional<std::int32_t> m_y;
    std::optional<Point> m_settledAt; // where the window last came to rest
};

} // namespace tallyvolt
