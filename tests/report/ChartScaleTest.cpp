// The chart's axes: tick steps that stay round and few, scales that put a run's times where its
// labels say, boxes that leave room for titles and labels, and the power panel's margins.
#include "report/ChartScale.h"

#include <gtest/gtest.h>

#include <string>

using namespace tallyvolt::report;
using tallyvolt::LocalSeconds;

namespace {

constexpr double kHour = 3600;

TEST(ChartTicks, WithinADayTheFinestRoundStepThatGivesAtMostNineLabels)
{
    struct Case
    {
        double span, step;
        int minor;
    } cases[] = {
        {1, 60, 6},      {540, 60, 6},        {541, 120, 4},        {1080, 120, 4},
        {kHour, 600, 2}, {2 * kHour, 900, 3}, {8 * kHour, 3600, 4}, {kDay, 10800, 3},
    };
    for (const Case& c : cases) {
        const TimeTicks ticks = ChooseTimeTicks(c.span);
        EXPECT_EQ(ticks.step, c.step) << c.span;
        EXPECT_EQ(ticks.minor, c.minor) << c.span;
        EXPECT_STREQ(ticks.format, "%H:%M") << c.span;
    }
}

TEST(ChartTicks, BeyondADayDatesAloneOrFourDatesWithTheirTimes)
{
    const TimeTicks twoDays = ChooseTimeTicks(2 * kDay);
    EXPECT_EQ(twoDays.step, 43200);
    EXPECT_STREQ(twoDays.format, "%d %b %H:%M");
    const TimeTicks threeDays = ChooseTimeTicks(3 * kDay);
    EXPECT_EQ(threeDays.step, kDay);
    EXPECT_STREQ(threeDays.format, "%d %b");
    const TimeTicks tenWeeks = ChooseTimeTicks(70 * kDay);
    EXPECT_EQ(tenWeeks.step, 14 * kDay); // five labels, a fortnight apart
    EXPECT_STREQ(tenWeeks.format, "%d %b");
    // Past the longest round step: whole days, eight labels at most, with the year.
    const TimeTicks years = ChooseTimeTicks(1000 * kDay);
    EXPECT_EQ(years.step, 125 * kDay);
    EXPECT_EQ(years.minor, 1);
    EXPECT_STREQ(years.format, "%d %b %Y");
}

TEST(ChartTicks, NeverMoreLabelsThanFitWhateverTheSpan)
{
    for (double span = 30; span < 3000 * kDay; span *= 1.07) {
        const TimeTicks ticks = ChooseTimeTicks(span);
        const std::string format = ticks.format;
        const double most = span <= kDay ? 9 : format == "%d %b %H:%M" ? 4 : 8;
        EXPECT_LE(span / ticks.step, most) << span;
        EXPECT_GE(ticks.minor, 1) << span;
        if (span > kDay && format != "%d %b %H:%M") {
            EXPECT_EQ(ticks.step, kDay * static_cast<long long>(ticks.step / kDay)) << span;
        }
    }
}

TEST(ChartScale, APanelShowsTheRunsStampsAsSecondsSince1970)
{
    constexpr LocalSeconds kNine = 849949200; // 2026-12-07 09:00:00
    const XScale panel = PanelScale(kNine, kNine + 2 * 3600);
    EXPECT_EQ(panel.x0, kNine + kFrom1970); // 1796634000: 2026-12-07 09:00:00 as UTC
    EXPECT_EQ(panel.x1, kNine + 2 * 3600 + kFrom1970);
    EXPECT_EQ(panel.X(kNine + 90), kNine + 90 + kFrom1970);
    EXPECT_EQ(panel.columns, 705);
}

TEST(ChartScale, APanelIsAtLeastAMinuteAcrossCentredOnItsSamples)
{
    constexpr LocalSeconds kT = 1000;
    const XScale one = PanelScale(kT, kT);
    EXPECT_EQ(one.x0, kT + kFrom1970 - 30);
    EXPECT_EQ(one.x1, kT + kFrom1970 + 30);
    const XScale fewSeconds = PanelScale(kT, kT + 59);
    EXPECT_EQ(fewSeconds.x0, kT + kFrom1970 - 30);
    EXPECT_EQ(fewSeconds.x1, kT + 59 + kFrom1970 + 30);
    const XScale minute = PanelScale(kT, kT + 60);
    EXPECT_EQ(minute.x0, kT + kFrom1970);
    EXPECT_EQ(minute.x1, kT + 60 + kFrom1970);
}

TEST(ChartScale, TheOverlayCountsMinutesUpToThreeHoursThenHours)
{
    const OverlayAxis shortRuns = OverlayAxisFor(5 * 60);
    EXPECT_EQ(shortRuns.unit, 60);
    EXPECT_EQ(shortRuns.end, 10); // at least ten minutes
    const OverlayAxis threeHours = OverlayAxisFor(3 * 3600);
    EXPECT_EQ(threeHours.unit, 60);
    EXPECT_EQ(threeHours.end, 180);
    const OverlayAxis longer = OverlayAxisFor(3 * 3600 + 1800);
    EXPECT_EQ(longer.unit, 3600);
    EXPECT_EQ(longer.end, 3.5);

    // Each run from its own start: 90 minutes in is 1.5 hours on the axis.
    const XScale run = OverlayScale(5000, longer);
    EXPECT_EQ(run.x0, 0);
    EXPECT_EQ(run.x1, 3.5);
    EXPECT_EQ(run.X(5000 + 90 * 60), 1.5);
    EXPECT_EQ(run.columns, 665); // narrower than a panel: the legend names each run
}

TEST(ChartGeometry, BoxesLeaveRoomForTheTitleAboveAndTheLabelsBelow)
{
    // The second of two 300-pixel panels on a 600-pixel page.
    const Box box = PanelBox(kBoxRight, 600, 300, 300);
    EXPECT_DOUBLE_EQ(box.left, 0.075);
    EXPECT_DOUBLE_EQ(box.right, 0.78);
    EXPECT_DOUBLE_EQ(box.top, 1.0 - (300.0 + 44) / 600);
    EXPECT_DOUBLE_EQ(box.bottom, 1.0 - (600.0 - 56) / 600);
    EXPECT_EQ(BoxColumns(kBoxRight), 705);

    EXPECT_EQ(OverlayHeight(1), 420); // the least height
    EXPECT_EQ(OverlayHeight(12), 420);
    EXPECT_EQ(OverlayHeight(20), 44 + 56 + 40 + 20 * 23); // a legend row for each run
}

TEST(ChartGeometry, ThePowerScaleSparesATwentiethOfItsSpanAtEitherEnd)
{
    const YRange discharging = PowerRange(0, 10);
    EXPECT_DOUBLE_EQ(discharging.low, -0.5);
    EXPECT_DOUBLE_EQ(discharging.high, 10.5);
    const YRange charging = PowerRange(-6, 9);
    EXPECT_DOUBLE_EQ(charging.low, -6.75);
    EXPECT_DOUBLE_EQ(charging.high, 9.75);
}

} // namespace
