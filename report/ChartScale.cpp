// The chart's geometry and its axes' arithmetic.
#include "report/ChartScale.h"

#include <algorithm>
#include <cmath>

namespace tallyvolt::report {

Box PanelBox(double right, int pageHeight, int panelTop, int panelHeight)
{
    const double top = 1.0 - static_cast<double>(panelTop + kBoxTop) / pageHeight;
    const double bottom =
        1.0 - static_cast<double>(panelTop + panelHeight - kBoxBottom) / pageHeight;
    return {kBoxLeft, right, bottom, top};
}

int BoxColumns(double right)
{
    return static_cast<int>((right - kBoxLeft) * kPageWidth);
}

int OverlayHeight(std::size_t runs)
{
    const int forLegend = kBoxTop + kBoxBottom + 40 + static_cast<int>(runs) * kLegendRowHeight;
    return std::max(kOverlayHeight, forLegend);
}

XScale PanelScale(LocalSeconds first, LocalSeconds last)
{
    XScale panel;
    panel.origin = -static_cast<LocalSeconds>(kFrom1970);
    panel.columns = BoxColumns(kBoxRight);
    panel.x0 = panel.X(first);
    panel.x1 = panel.X(last);
    if (panel.x1 - panel.x0 < 60) { // one sample, or a few within a minute
        panel.x0 -= 30;
        panel.x1 += 30;
    }
    return panel;
}

OverlayAxis OverlayAxisFor(LocalSeconds longest)
{
    const bool hours = longest > 3 * 3600;
    OverlayAxis axis;
    axis.unit = hours ? 3600 : 60;
    axis.end = std::max(static_cast<double>(longest) / axis.unit, hours ? 1.0 : 10.0);
    return axis;
}

XScale OverlayScale(LocalSeconds first, const OverlayAxis& axis)
{
    XScale overlay;
    overlay.origin = first;
    overlay.unit = axis.unit;
    overlay.x0 = 0;
    overlay.x1 = axis.end;
    overlay.columns = BoxColumns(kOverlayBoxRight);
    return overlay;
}

TimeTicks ChooseTimeTicks(double span)
{
    static const struct
    {
        double step;
        int minor;
    } kSteps[] = {{60, 6},      {120, 4},     {300, 5},     {600, 2},    {900, 3},
                  {1800, 3},    {3600, 4},    {7200, 4},    {10800, 3},  {21600, 6},
                  {43200, 4},   {86400, 4},   {172800, 2},  {345600, 4}, {604800, 7},
                  {1209600, 2}, {2419200, 4}, {4838400, 2}, {9676800, 2}};
    for (const auto& s : kSteps) {
        const char* format = span <= kDay ? "%H:%M" : s.step >= kDay ? "%d %b" : "%d %b %H:%M";
        const double maxTicks = span <= kDay ? 9 : s.step >= kDay ? 8 : 4;
        if (span / s.step <= maxTicks)
            return {s.step, s.minor, format};
    }
    return {std::ceil(span / 8 / kDay) * kDay, 1, "%d %b %Y"};
}

YRange PowerRange(double low, double high)
{
    const double margin = (high - low) * 0.05;
    return {low - margin, high + margin};
}

} // namespace tallyvolt::report
