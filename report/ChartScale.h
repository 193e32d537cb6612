// The chart's geometry and its axes' arithmetic: where a panel's axes sit on the page, where a
// run's times fall on the x axis, which ticks the time axis gets, and the power panel's scale.
// No drawing here, so every figure can be checked on its own.
#pragma once

#include "log/TimeStamp.h"

#include <cstddef>

namespace tallyvolt::report {

// ---- Page geometry, in pixels of the PNG (the SVG uses the same numbers as its units).

constexpr int kPageWidth = 1000;
constexpr int kPanelHeight = 300;      // one run
constexpr int kPowerPanelHeight = 220; // the power draw under a run that has it
constexpr int kOverlayHeight = 420;    // at least; it grows with the legend
constexpr int kLegendRowHeight = 23;
constexpr int kBoxTop = 44;    // from the top of a panel to its axes: the title goes above
constexpr int kBoxBottom = 56; // from the axes to the bottom of a panel: tick labels, x label
// The axes in page width: room for the y label on the left and the legend on the right,
// which is wider in the overlay (run names with their start).
constexpr double kBoxLeft = 0.075;
constexpr double kBoxRight = 0.78;
constexpr double kOverlayBoxRight = 0.74;

// Percent scale, a little beyond 0 and 100 so that a full battery or an idle processor does
// not hide in the frame.
constexpr double kYMin = -3;
constexpr double kYMax = 103;

// PLplot's time labels count seconds from 1970-01-01 and print them as UTC; the log's clock is
// local wall-clock time from 2000-01-01, so shifting it by the days in between prints it as is.
constexpr double kFrom1970 = 946684800.0;

constexpr double kDay = 86400;

// The axes' box of a panel in the page's own fractions, y counted from the bottom.
struct Box
{
    double left, right, bottom, top;
};

// The box of a panel `panelHeight` high whose top is `panelTop` pixels down a page
// `pageHeight` high, its right edge at `right` of the page's width.
Box PanelBox(double right, int pageHeight, int panelTop, int panelHeight);
// The width in pixels of a box that ends at `right`.
int BoxColumns(double right);
// The overlay's height for `runs` runs: enough for a legend row each.
int OverlayHeight(std::size_t runs);

// Where a run's times fall on the x axis.
struct XScale
{
    LocalSeconds origin = 0;
    double unit = 1; // seconds per x unit
    double x0 = 0, x1 = 1;
    int columns = 1; // pixels across x0 to x1

    double X(LocalSeconds t) const { return static_cast<double>(t - origin) / unit; }
};

// A run's own panel: its stamps from `first` to `last` as PLplot's seconds since 1970, at
// least a minute across.
XScale PanelScale(LocalSeconds first, LocalSeconds last);

// The overlay's x axis, alike for every run: minutes, or hours once the longest run passes
// three hours, from 0 to the longest run (at least 10 minutes or 1 hour).
struct OverlayAxis
{
    double unit = 60; // seconds per x unit
    double end = 10;
};

OverlayAxis OverlayAxisFor(LocalSeconds longest);
// A run starting at `first` on the overlay's axis.
XScale OverlayScale(LocalSeconds first, const OverlayAxis& axis);

// Tick spacing for a time of day axis: round steps, few enough that labels do not touch.
struct TimeTicks
{
    double step;        // seconds between labelled ticks
    int minor;          // intervals between them
    const char* format; // strftime's, for the labels
};

// The ticks for an axis `span` seconds across: up to 9 labels of the time of day within a day,
// beyond it up to 8 dates or 4 dates with times.
TimeTicks ChooseTimeTicks(double span);

// The power panel's y range: the readings from `low` to `high` (which take in zero) with a
// twentieth of their span to spare at either end.
struct YRange
{
    double low, high;
};

YRange PowerRange(double low, double high);

} // namespace tallyvolt::report
