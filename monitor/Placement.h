// Where the monitor's window goes: its first place on screen and the snap to the work area's
// edges. Positions are the window's outer top-left corner in screen pixels.
#pragma once

#include <optional>
#include <vector>

#include "platform/Geometry.h"

namespace tallyvolt {

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
