// Placement arithmetic for the monitor's window.
#include "monitor/Placement.h"

#include <cstdlib>

namespace tallyvolt {
namespace {

int SnapAxis(int position, int size, int low, int high)
{
    if (std::abs(position - low) <= kSnapDistance)
        return low;
    if (std::abs(position + size - high) <= kSnapDistance)
        return high - size;
    return position;
}

} // namespace

Point SnapToWorkArea(const Rect& window, const Rect& workArea)
{
    return {SnapAxis(window.x, window.width, workArea.x, workArea.Right()),
            SnapAxis(window.y, window.height, workArea.y, workArea.Bottom())};
}

Point ChooseFirstPlacement(std::optional<int> x, std::optional<int> y, int width, int height,
                           const Rect& primaryWorkArea, const std::vector<Rect>& displays)
{
    const Point centred{primaryWorkArea.x + (primaryWorkArea.width - width) / 2,
                        primaryWorkArea.y + (primaryWorkArea.height - height) / 2};
    const Point chosen{x.value_or(centred.x), y.value_or(centred.y)};
    // A remembered place on a monitor since unplugged, or beyond a smaller resolution, would
    // put the window where nobody can reach it. Partly visible is reachable: kept.
    const Rect window{chosen.x, chosen.y, width, height};
    for (const Rect& display : displays)
        if (window.Intersects(display))
            return chosen;
    return centred;
}

} // namespace tallyvolt
