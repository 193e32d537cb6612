// The window's first place, the snap after moves, and the remembered position.
#include "monitor/WindowPlacement.h"

namespace tallyvolt {

void WindowPlacement::Remember(const PositionText& position)
{
    if (position.x)
        m_x = position.x;
    if (position.y)
        m_y = position.y;
}

std::optional<std::string> WindowPlacement::Text() const
{
    if (!m_x)
        return std::nullopt;
    std::string text = std::to_string(*m_x);
    if (m_y)
        text += " " + std::to_string(*m_y);
    return text;
}

Point WindowPlacement::First(int width, int height, const Rect& primaryWorkArea,
                             const std::vector<Rect>& displays)
{
    const Point place = ChooseFirstPlacement(m_x, m_y, width, height, primaryWorkArea, displays);
    // The first show itself is no move by the user: it is not snapped.
    m_settledAt = place;
    return place;
}

std::optional<Point> WindowPlacement::Settled(const Rect& frame, const Rect& workArea, bool shown)
{
    // Nothing that happens to a hidden or iconified window is a place the user chose.
    if (!shown || frame.width == 0 || frame.height == 0)
        return std::nullopt;
    const Point here{frame.x, frame.y};
    const Point target =
        m_settledAt && *m_settledAt == here ? here : SnapToWorkArea(frame, workArea);
    m_settledAt = target;
    m_x = target.x;
    m_y = target.y;
    if (target == here)
        return std::nullopt;
    return target;
}

} // namespace tallyvolt
