// The window's first place, the snap after moves, and the remembered position.
#include "monitor/TallyvoltDlg.h"

tallyvolt::Point CTallyvoltDlg::FirstPlacement(int width, int height,
                                               const tallyvolt::Rect& primaryWorkArea,
                                               const std::vector<tallyvolt::Rect>& displays)
{
    const tallyvolt::Point place = tallyvolt::ChooseFirstPlacement(
        m_rememberedX, m_rememberedY, width, height, primaryWorkArea, displays);
    // The first show itself is no move by the user: it is not snapped.
    m_settledAt = place;
    return place;
}

std::optional<tallyvolt::Point> CTallyvoltDlg::OnWindowSettled(const tallyvolt::Rect& frame,
                                                               const tallyvolt::Rect& workArea,
                                                               bool visible)
{
    // Nothing that happens to a hidden or iconified window is a place the user chose.
    if (!visible || m_inTray || frame.width == 0 || frame.height == 0)
        return std::nullopt;
    const tallyvolt::Point here{frame.x, frame.y};
    const tallyvolt::Point target =
        m_settledAt && *m_settledAt == here ? here : tallyvolt::SnapToWorkArea(frame, workArea);
    m_settledAt = target;
    m_rememberedX = target.x;
    m_rememberedY = target.y;
    if (target == here)
        return std::nullopt;
    return target;
}
