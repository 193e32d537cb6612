// Charts of the runs, drawn with PLplot: its "svg" driver for .svg files, "pngcairo" for .png.
//
// PLplot ends the whole process on some errors (plexit), and when it cannot open its output it
// asks on the terminal for another name. So everything it could trip on is settled before it
// starts: the extension, that there is something to draw, and a file it can surely open (a new
// file next to the target, put in its place once the chart is complete).
#include "report/Plot.h"

#include "report/ChartFile.h"
#include "report/ChartText.h"
#include "report/Summary.h"
#include "report/Thinner.h"

#include "platform/Files.h"

#include <plplot/plstream.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <type_traits>
#include <unistd.h>

namespace tallyvolt::report {
namespace {

static_assert(std::is_same_v<PLFLT, double>, "the thinned lines go to PLplot as they are");

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
// More panels than this make a picture nobody can read (and a PNG too tall for cairo).
constexpr std::size_t kMaxRuns = 60;

// Percent scale, a little beyond 0 and 100 so that a full battery or an idle processor does
// not hide in the frame.
constexpr double kYMin = -3;
constexpr double kYMax = 103;

// PLplot's time labels count seconds from 1970-01-01 and print them as UTC; the log's clock is
// local wall-clock time from 2000-01-01, so shifting it by the days in between prints it as is.
constexpr double kFrom1970 = 946684800.0;

// ---- Colours: the entries of colour map 0.

enum Colour : PLINT
{
    kBackground,
    kForeground,
    kMutedText,
    kGrid,
    kChargeColour,
    kProcessorColour,
    kPluggedInColour,
    kUnpluggedColour,
    kPowerColour,
    kFirstRunColour,
};

struct Rgb
{
    PLINT r, g, b;
};

constexpr Rgb kFixedColours[] = {
    {255, 255, 255}, // background
    {34, 34, 34},    // foreground
    {110, 110, 110}, // muted text
    {226, 226, 226}, // grid
    {31, 100, 180},  // charge
    {242, 164, 84},  // processor: lighter, drawn thinner
    {40, 150, 60},   // plugged in
    {205, 45, 45},   // unplugged
    {120, 60, 160},  // power draw
};

// One per run in the overlay; they repeat after ten runs.
constexpr Rgb kRunColours[] = {
    {31, 100, 180}, {230, 120, 20},  {40, 150, 60},   {205, 45, 45},  {130, 90, 180},
    {140, 86, 75},  {220, 100, 180}, {100, 100, 100}, {170, 170, 30}, {20, 170, 190},
};
constexpr int kRunColourCount = static_cast<int>(std::size(kRunColours));

// "2026-12-07 09:00"
std::string DateAndMinute(LocalSeconds t)
{
    std::string iso = IsoTime(t);
    iso[10] = ' ';
    return iso.substr(0, 16);
}

// Where a run's times fall on the x axis.
struct XScale
{
    LocalSeconds origin = 0;
    double unit = 1; // seconds per x unit
    double x0 = 0, x1 = 1;
    int columns = 1; // pixels across x0 to x1

    double X(LocalSeconds t) const { return static_cast<double>(t - origin) / unit; }
};

std::pair<LocalSeconds, LocalSeconds> TimeRange(const Run& run)
{
    const auto [first, last] =
        std::minmax_element(run.records.begin(), run.records.end(),
                            [](const Record& a, const Record& b) { return a.time < b.time; });
    return {first->time, last->time};
}

// One series of a run, thinned; the line breaks at gaps (timed as a stopwatch would), where the
// wall clock steps back, and at samples without a value.
template <typename ValueOf>
std::vector<Polyline> Series(const Run& run, LocalSeconds gap, const XScale& scale, ValueOf valueOf)
{
    Thinner thinner(scale.x0, scale.x1, scale.columns);
    const Record* previous = nullptr;
    for (const Record& r : run.records) {
        if (previous && (r.at - previous->at > gap || r.time < previous->time))
            thinner.Break();
        previous = &r;
        if (const std::optional<double> value = valueOf(r))
            thinner.Add(scale.X(r.time), *value);
        else
            thinner.Break();
    }
    return thinner.Finish();
}

std::optional<double> ChargeOf(const Record& r)
{
    return r.charge ? std::optional<double>(*r.charge) : std::nullopt;
}

std::optional<double> ProcessorOf(const Record& r)
{
    return r.cpu ? std::optional<double>(*r.cpu) : std::nullopt;
}

std::optional<double> PowerOf(const Record& r)
{
    return r.power;
}

// Whether a run has a known power draw to draw in a panel of its own.
bool HasPower(const Run& run)
{
    return std::any_of(run.records.begin(), run.records.end(),
                       [](const Record& r) { return r.power.has_value(); });
}

// The height of a run's panels: the charge's, and the power's under it when there is one.
int RunHeight(const Run& run)
{
    return kPanelHeight + (HasPower(run) ? kPowerPanelHeight : 0);
}

// Where line power was seen to change, Off to On or On to Off; an Unknown in between does not
// count as a change. At most one mark of a kind every few pixels.
struct PowerChanges
{
    std::vector<PLFLT> pluggedIn, unplugged;
};

PowerChanges LinePowerChanges(const Run& run, const XScale& scale)
{
    constexpr double kPixelsApart = 8;
    const double minApart = kPixelsApart * (scale.x1 - scale.x0) / scale.columns;
    PowerChanges changes;
    LinePower known = LinePower::Unknown;
    for (const Record& r : run.records) {
        if (r.ac == LinePower::Unknown)
            continue;
        if (known != LinePower::Unknown && r.ac != known) {
            std::vector<PLFLT>& marks =
                r.ac == LinePower::On ? changes.pluggedIn : changes.unplugged;
            const double x = scale.X(r.time);
            if (marks.empty() || std::fabs(x - marks.back()) >= minApart)
                marks.push_back(x);
        }
        known = r.ac;
    }
    return changes;
}

// ---- Drawing.

void DrawLines(plstream& pls, const std::vector<Polyline>& lines, PLINT colour, double width)
{
    pls.col0(colour);
    pls.width(width);
    for (const Polyline& line : lines)
        pls.line(static_cast<PLINT>(line.x.size()), line.x.data(), line.y.data());
}

struct LegendEntry
{
    std::string text;
    PLINT colour;
    PLINT style; // 1 solid, 2 dashed
    PLFLT width;
};

void DrawLegend(plstream& pls, const std::vector<LegendEntry>& entries)
{
    const auto n = static_cast<PLINT>(entries.size());
    std::vector<std::string> texts;
    std::vector<const char*> textPointers;
    std::vector<PLINT> options(entries.size(), PL_LEGEND_LINE);
    std::vector<PLINT> textColours(entries.size(), kForeground);
    std::vector<PLINT> colours, styles;
    std::vector<PLFLT> widths;
    for (const LegendEntry& e : entries) {
        texts.push_back(PlText(e.text));
        colours.push_back(e.colour);
        styles.push_back(e.style);
        widths.push_back(e.width);
    }
    for (const std::string& t : texts)
        textPointers.push_back(t.c_str());
    PLFLT legendWidth = 0, legendHeight = 0;
    // To the right of the axes, centred on them.
    pls.legend(&legendWidth, &legendHeight, 0, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE, 0.015, 0.0,
               0.045, kBackground, kForeground, 1, n, 1, n, options.data(), 0.6, 0.85, 2.0, 0.0,
               textColours.data(), textPointers.data(), nullptr, nullptr, nullptr, nullptr,
               colours.data(), styles.data(), widths.data(), nullptr, nullptr, nullptr, nullptr);
}

// The axes' box of a panel, in the page's own fractions (y from the bottom). Returns its width
// in pixels.
int SetBox(plstream& pls, double right, int pageHeight, int panelTop, int panelHeight)
{
    const double top = 1.0 - static_cast<double>(panelTop + kBoxTop) / pageHeight;
    const double bottom =
        1.0 - static_cast<double>(panelTop + panelHeight - kBoxBottom) / pageHeight;
    pls.vpor(kBoxLeft, right, bottom, top);
    return static_cast<int>((right - kBoxLeft) * kPageWidth);
}

// Tick spacing for a time of day axis: round steps, few enough that labels do not touch.
struct TimeTicks
{
    double step;
    PLINT minor;
    const char* format;
};

TimeTicks ChooseTimeTicks(double span)
{
    static const struct
    {
        double step;
        PLINT minor;
    } kSteps[] = {{60, 6},      {120, 4},     {300, 5},     {600, 2},    {900, 3},
                  {1800, 3},    {3600, 4},    {7200, 4},    {10800, 3},  {21600, 6},
                  {43200, 4},   {86400, 4},   {172800, 2},  {345600, 4}, {604800, 7},
                  {1209600, 2}, {2419200, 4}, {4838400, 2}, {9676800, 2}};
    constexpr double kDay = 86400;
    for (const auto& s : kSteps) {
        const char* format = span <= kDay ? "%H:%M" : s.step >= kDay ? "%d %b" : "%d %b %H:%M";
        const double maxTicks = span <= kDay ? 9 : s.step >= kDay ? 8 : 4;
        if (span / s.step <= maxTicks)
            return {s.step, s.minor, format};
    }
    return {std::ceil(span / 8 / kDay) * kDay, 1, "%d %b %Y"};
}

void DrawFrameAndLabels(plstream& pls, const char* xOptions, double xStep, PLINT xMinor,
                        const std::string& xLabel, const std::string& yLabel)
{
    pls.width(1);
    pls.lsty(1);
    pls.col0(kForeground);
    pls.box((std::string("bcnst") + xOptions).c_str(), xStep, xMinor, "bcnstv", 20, 2);
    pls.mtex("b", 3.1, 0.5, 0.5, PlText(xLabel).c_str());
    pls.mtex("l", 3.2, 0.5, 0.5, PlText(yLabel).c_str());
}

void DrawGrid(plstream& pls, const char* xOptions, double xStep)
{
    pls.width(1);
    pls.lsty(1);
    pls.col0(kGrid);
    pls.box((std::string("g") + xOptions).c_str(), xStep, 0, "g", 20, 0);
}

// The title on the left above the axes, and a note (the file) on the right, shortened to fit
// beside the title in `width` pixels.
void DrawTitle(plstream& pls, const std::string& title, const std::string& note, int width)
{
    // Average widths of a character in the title's and the note's size.
    constexpr double kTitleCharacter = 12.0;
    constexpr double kNoteCharacter = 8.5;
    pls.col0(kForeground);
    pls.schr(0, 1.0);
    pls.mtex("t", 1.5, 0.0, 0.0, PlText(title).c_str());
    pls.schr(0, 0.8);
    if (note.empty())
        return;
    const double room = width - 24 - kTitleCharacter * static_cast<double>(Characters(title));
    const auto fits = static_cast<std::size_t>(std::max(12.0, room / kNoteCharacter));
    pls.col0(kMutedText);
    pls.mtex("t", 1.8, 1.0, 1.0, PlText(ShortName(note, fits)).c_str());
}

void DrawRunPanel(plstream& pls, const Run& run, std::optional<LocalSeconds> period, int pageHeight,
                  int panelTop)
{
    const auto [start, end] = TimeRange(run);
    XScale scale;
    scale.origin = -static_cast<LocalSeconds>(kFrom1970);
    scale.columns = SetBox(pls, kBoxRight, pageHeight, panelTop, kPanelHeight);
    scale.x0 = scale.X(start);
    scale.x1 = scale.X(end);
    if (scale.x1 - scale.x0 < 60) { // one sample, or a few within a minute
        scale.x0 -= 30;
        scale.x1 += 30;
    }
    const LocalSeconds gap = GapThreshold(run.records, period);

    pls.wind(scale.x0, scale.x1, kYMin, kYMax);
    const TimeTicks ticks = ChooseTimeTicks(scale.x1 - scale.x0);
    pls.timefmt(ticks.format);
    DrawGrid(pls, "d", ticks.step);

    const PowerChanges changes = LinePowerChanges(run, scale);
    pls.width(1);
    pls.lsty(2);
    pls.col0(kPluggedInColour);
    for (PLFLT x : changes.pluggedIn)
        pls.join(x, kYMin, x, kYMax);
    pls.col0(kUnpluggedColour);
    for (PLFLT x : changes.unplugged)
        pls.join(x, kYMin, x, kYMax);
    pls.lsty(1);

    DrawLines(pls, Series(run, gap, scale, ProcessorOf), kProcessorColour, 1.0);
    DrawLines(pls, Series(run, gap, scale, ChargeOf), kChargeColour, 2.0);

    const bool oneDay = scale.x1 - scale.x0 <= 86400;
    DrawFrameAndLabels(pls, "d", ticks.step, ticks.minor,
                       oneDay ? "Local time of day" : "Local date and time", "%");

    std::string title = "Run " + std::to_string(run.number) + " — " + DateAndMinute(start) + " to ";
    const std::string last = DateAndMinute(end);
    title += last.compare(0, 10, DateAndMinute(start), 0, 10) == 0 ? last.substr(11) : last;
    DrawTitle(pls, title, run.file, scale.columns);

    std::vector<LegendEntry> legend = {{"Charge", kChargeColour, 1, 2.0},
                                       {"Processor", kProcessorColour, 1, 1.0}};
    if (!changes.pluggedIn.empty())
        legend.push_back({"plugged in", kPluggedInColour, 2, 1.0});
    if (!changes.unplugged.empty())
        legend.push_back({"unplugged", kUnpluggedColour, 2, 1.0});
    DrawLegend(pls, legend);
}

// The power draw of a run in watts, under its charge panel and over the same times. The scale
// takes in zero, so that charging (below it) and discharging (above) read at a glance.
void DrawPowerPanel(plstream& pls, const Run& run, std::optional<LocalSeconds> period,
                    int pageHeight, int panelTop)
{
    const auto [start, end] = TimeRange(run);
    XScale scale;
    scale.origin = -static_cast<LocalSeconds>(kFrom1970);
    scale.columns = SetBox(pls, kBoxRight, pageHeight, panelTop, kPowerPanelHeight);
    scale.x0 = scale.X(start);
    scale.x1 = scale.X(end);
    if (scale.x1 - scale.x0 < 60) {
        scale.x0 -= 30;
        scale.x1 += 30;
    }
    double low = 0, high = 1;
    for (const Record& r : run.records) {
        if (r.power) {
            low = std::min(low, *r.power);
            high = std::max(high, *r.power);
        }
    }
    const double margin = (high - low) * 0.05;
    pls.wind(scale.x0, scale.x1, low - margin, high + margin);
    const TimeTicks ticks = ChooseTimeTicks(scale.x1 - scale.x0);
    pls.timefmt(ticks.format);
    pls.width(1);
    pls.lsty(1);
    pls.col0(kGrid);
    pls.box("gd", ticks.step, 0, "g", 0, 0);
    if (low < 0) {
        pls.col0(kMutedText);
        pls.join(scale.x0, 0, scale.x1, 0);
    }
    DrawLines(pls, Series(run, GapThreshold(run.records, period), scale, PowerOf), kPowerColour,
              2.0);
    pls.col0(kForeground);
    pls.box("bcnstd", ticks.step, ticks.minor, "bcnstv", 0, 0);
    const bool oneDay = scale.x1 - scale.x0 <= 86400;
    pls.mtex("b", 3.1, 0.5, 0.5,
             PlText(oneDay ? "Local time of day" : "Local date and time").c_str());
    pls.mtex("l", 3.2, 0.5, 0.5, "W");
    DrawTitle(pls, "Run " + std::to_string(run.number) + " — power draw (negative: charging)", "",
              scale.columns);
    DrawLegend(pls, {{"Power draw", kPowerColour, 1, 2.0}});
}

int OverlayHeight(std::size_t runs)
{
    const int forLegend = kBoxTop + kBoxBottom + 40 + static_cast<int>(runs) * kLegendRowHeight;
    return std::max(kOverlayHeight, forLegend);
}

// All runs in one panel over the time since each run's first sample. Only the charge is drawn:
// processor usage of several runs on top of each other is a tangle that hides the charge lines,
// and comparing how the battery went down is what this view is for.
void DrawOverlay(plstream& pls, const std::vector<const Run*>& runs,
                 std::optional<LocalSeconds> period, int pageHeight)
{
    LocalSeconds longest = 0;
    for (const Run* run : runs) {
        const auto [start, end] = TimeRange(*run);
        longest = std::max(longest, end - start);
    }
    const bool hours = longest > 3 * 3600;
    const double unit = hours ? 3600 : 60;
    const double x1 = std::max(static_cast<double>(longest) / unit, hours ? 1.0 : 10.0);

    const int columns = SetBox(pls, kOverlayBoxRight, pageHeight, 0, pageHeight);
    pls.wind(0, x1, kYMin, kYMax);
    DrawGrid(pls, "", 0);

    std::vector<LegendEntry> legend;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& run = *runs[i];
        XScale scale;
        scale.origin = TimeRange(run).first;
        scale.unit = unit;
        scale.x0 = 0;
        scale.x1 = x1;
        scale.columns = columns;
        const auto colour = static_cast<PLINT>(kFirstRunColour + i % kRunColourCount);
        DrawLines(pls, Series(run, GapThreshold(run.records, period), scale, ChargeOf), colour,
                  2.0);
        legend.push_back({"Run " + std::to_string(run.number) + " (" +
                              DateAndMinute(scale.origin).substr(5) + ")",
                          colour, 1, 2.0});
    }

    DrawFrameAndLabels(pls, "", 0, 0,
                       hours ? "Hours since the start of each run"
                             : "Minutes since the start of each run",
                       "Charge (%)");
    DrawTitle(pls,
              "Charge of " + std::to_string(runs.size()) + (runs.size() == 1 ? " run" : " runs") +
                  ", from the start of each",
              "", columns);
    DrawLegend(pls, legend);
}

void SetColours(plstream& pls, std::size_t runs)
{
    std::vector<PLINT> r, g, b;
    for (const Rgb& c : kFixedColours) {
        r.push_back(c.r);
        g.push_back(c.g);
        b.push_back(c.b);
    }
    const std::size_t runColours = std::min<std::size_t>(runs, kRunColourCount);
    for (std::size_t i = 0; i < runColours; ++i) {
        r.push_back(kRunColours[i].r);
        g.push_back(kRunColours[i].g);
        b.push_back(kRunColours[i].b);
    }
    pls.scmap0n(static_cast<PLINT>(r.size()));
    pls.scmap0(r.data(), g.data(), b.data(), static_cast<PLINT>(r.size()));
}

// PLplot sizes text and ticks in millimetres that grow with the page, so a tall page of many
// panels would get huge letters. These are fixed in pixels instead.
void SetTextAndTickSizes(plstream& pls)
{
    constexpr double kCharacterPixels = 16; // the default height; labels use 0.8 of it
    constexpr double kMajorTickPixels = 12;
    constexpr double kMinorTickPixels = 6;
    PLFLT xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    pls.gspa(xMin, xMax, yMin, yMax); // the page, in millimetres
    const double pixelsPerMm = kPageWidth / (xMax - xMin);
    pls.schr(kCharacterPixels / pixelsPerMm, 0.8);
    pls.smaj(kMajorTickPixels / pixelsPerMm, 1.0);
    pls.smin(kMinorTickPixels / pixelsPerMm, 1.0);
}

// Draws the chart into `file`, which must exist and be writable. Returns PLplot's complaint
// when it gave up on a part of the drawing, empty when all went well.
std::string Draw(const std::vector<const Run*>& runs, const PlotOptions& options, Format format,
                 const std::string& file)
{
    int height = 0;
    if (options.overlay)
        height = OverlayHeight(runs.size());
    else
        for (const Run* run : runs)
            height += RunHeight(*run);
    PLINT failed = 0;
    char message[1024] = "";
    {
        plstream pls;
        pls.sError(&failed, message); // complaints come here instead of to stderr
        pls.sdev(format == Format::Svg ? "svg" : "pngcairo");
        pls.sfnam(file.c_str());
        pls.spage(0, 0, kPageWidth, height, 0, 0);
        pls.spause(false);
        SetColours(pls, options.overlay ? runs.size() : 0);
        pls.init();
        pls.adv(0);
        SetTextAndTickSizes(pls);
        if (options.overlay) {
            DrawOverlay(pls, runs, options.period, height);
        } else {
            int top = 0;
            for (const Run* run : runs) {
                DrawRunPanel(pls, *run, options.period, height, top);
                if (HasPower(*run))
                    DrawPowerPanel(pls, *run, options.period, height, top + kPanelHeight);
                top += RunHeight(*run);
            }
        }
    } // the stream ends here, and the driver writes out and closes the file
    if (!failed)
        return {};
    std::string text = message;
    text.erase(0, text.find_first_not_of('\n'));
    text.erase(text.find_last_not_of('\n') + 1);
    return text.empty() ? "the plotting library gave up" : text;
}

} // namespace

bool PlotRuns(const std::vector<Run>& runs, const PlotOptions& options, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = options.path + ": " + why;
        return false;
    };
    const std::optional<Format> format = FormatOf(options.path);
    if (!format)
        return fail("the chart must be a .svg or .png file");

    std::vector<const Run*> drawn;
    for (const Run& run : runs)
        if (!run.records.empty())
            drawn.push_back(&run);
    if (drawn.empty())
        return fail("nothing to draw: no run has any samples");
    if (drawn.size() > kMaxRuns)
        return fail(std::to_string(drawn.size()) + " runs are too many for one chart (at most " +
                    std::to_string(kMaxRuns) + ")");

    // PLplot reads "%n" in a file name as the place for a page number.
    if (options.path.find("%n") != std::string::npos)
        return fail("the plotting library cannot write to a path holding \"%n\"");

    // An existing target must be a file we may write (a pipe without reader must not block us);
    // a new one is tried with the new file beside it.
    const int existing = ::open(options.path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (existing >= 0)
        ::close(existing);
    else if (errno != ENOENT)
        return fail(std::strerror(errno));
    ReplacementFile temp(options.path);
    if (!temp.IsOpen())
        return fail(std::strerror(temp.Error()));
    // The new file lies beside the file a link names, whose path may hold "%n" as well.
    if (temp.TempPath().find("%n") != std::string::npos)
        return fail("the plotting library cannot write to a path holding \"%n\"");

    const std::string complaint = Draw(drawn, options, *format, temp.TempPath());
    if (!complaint.empty())
        return fail("the chart could not be drawn: " + complaint);
    if (!IsComplete(temp.TempPath(), *format))
        return fail("the chart could not be written completely");
    if (!temp.Commit())
        return fail(std::strerror(temp.Error()));
    return true;
}

} // namespace tallyvolt::report
