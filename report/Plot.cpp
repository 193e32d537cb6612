// Charts of the runs, drawn with PLplot: its "svg" driver for .svg files, "pngcairo" for .png.
//
// PLplot ends the whole process on some errors (plexit), and when it cannot open its output it
// asks on the terminal for another name. So everything it could trip on is settled before it
// starts: the extension, that there is something to draw, and a file it can surely open (a new
// file next to the target, put in its place once the chart is complete).
#include "report/Plot.h"

#include "report/ChartFile.h"
#include "report/ChartText.h"
#include "report/RunState.h"
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

// Where a chart's run falls, from the first reading of the logs.
struct RunFacts
{
    int number = 0;
    std::string file;
    LocalSeconds first = 0, last = 0;   // the earliest and latest stamps, as written
    LocalSeconds gap = 0;               // longer intervals break the lines, as GapThreshold says
    bool hasPower = false;              // some record has a known power draw
    double powerLow = 0, powerHigh = 1; // the power panel's scale takes in zero
    XScale panel, overlay;
};

// A run's lines, thinned during the second reading.
struct PowerChanges
{
    std::vector<PLFLT> pluggedIn, unplugged;
};

struct RunLines
{
    std::vector<Polyline> processor, charge, power, overlayCharge;
    PowerChanges changes;
};

// The height of a run's panels: the charge's, and the power's under it when there is one.
int RunHeight(const RunFacts& run)
{
    return kPanelHeight + (run.hasPower ? kPowerPanelHeight : 0);
}

// One run's series, thinned as its records go by; the lines break at gaps (timed as a stopwatch
// would), where the wall clock steps back, and at samples without a value. Line power changes,
// Off to On or On to Off (an Unknown in between does not count), are marked at most once every
// few pixels.
class RunThinners
{
public:
    explicit RunThinners(const RunFacts& facts)
        : m_facts(facts), m_processor(Make(facts.panel)), m_charge(Make(facts.panel)),
          m_power(Make(facts.panel)), m_overlay(Make(facts.overlay))
    {
    }

    void Add(const Record& r)
    {
        if (m_previous && (r.at - m_previous->at > m_facts.gap || r.time < m_previous->time)) {
            for (Thinner* t : {&m_processor, &m_charge, &m_power, &m_overlay})
                t->Break();
        }
        m_previous = r;
        Point(m_processor, m_facts.panel, r, r.cpu ? std::optional<double>(*r.cpu) : std::nullopt);
        const std::optional<double> charge =
            r.charge ? std::optional<double>(*r.charge) : std::nullopt;
        Point(m_charge, m_facts.panel, r, charge);
        Point(m_overlay, m_facts.overlay, r, charge);
        Point(m_power, m_facts.panel, r, r.power);
        Mark(r);
    }

    RunLines Finish()
    {
        RunLines lines;
        lines.processor = m_processor.Finish();
        lines.charge = m_charge.Finish();
        lines.power = m_power.Finish();
        lines.overlayCharge = m_overlay.Finish();
        lines.changes = std::move(m_changes);
        return lines;
    }

private:
    static Thinner Make(const XScale& scale) { return Thinner(scale.x0, scale.x1, scale.columns); }

    static void Point(Thinner& thinner, const XScale& scale, const Record& r,
                      std::optional<double> value)
    {
        if (value)
            thinner.Add(scale.X(r.time), *value);
        else
            thinner.Break();
    }

    void Mark(const Record& r)
    {
        constexpr double kPixelsApart = 8;
        if (r.ac == LinePower::Unknown)
            return;
        if (m_known != LinePower::Unknown && r.ac != m_known) {
            const XScale& scale = m_facts.panel;
            const double minApart = kPixelsApart * (scale.x1 - scale.x0) / scale.columns;
            std::vector<PLFLT>& marks =
                r.ac == LinePower::On ? m_changes.pluggedIn : m_changes.unplugged;
            const double x = scale.X(r.time);
            if (marks.empty() || std::fabs(x - marks.back()) >= minApart)
                marks.push_back(x);
        }
        m_known = r.ac;
    }

    const RunFacts& m_facts;
    Thinner m_processor, m_charge, m_power, m_overlay;
    std::optional<Record> m_previous;
    LinePower m_known = LinePower::Unknown;
    PowerChanges m_changes;
};

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
int BoxColumns(double right)
{
    return static_cast<int>((right - kBoxLeft) * kPageWidth);
}

int SetBox(plstream& pls, double right, int pageHeight, int panelTop, int panelHeight)
{
    const double top = 1.0 - static_cast<double>(panelTop + kBoxTop) / pageHeight;
    const double bottom =
        1.0 - static_cast<double>(panelTop + panelHeight - kBoxBottom) / pageHeight;
    pls.vpor(kBoxLeft, right, bottom, top);
    return BoxColumns(right);
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

void DrawRunPanel(plstream& pls, const RunFacts& run, const RunLines& lines, int pageHeight,
                  int panelTop)
{
    const XScale& scale = run.panel;
    SetBox(pls, kBoxRight, pageHeight, panelTop, kPanelHeight);
    pls.wind(scale.x0, scale.x1, kYMin, kYMax);
    const TimeTicks ticks = ChooseTimeTicks(scale.x1 - scale.x0);
    pls.timefmt(ticks.format);
    DrawGrid(pls, "d", ticks.step);

    const PowerChanges& changes = lines.changes;
    pls.width(1);
    pls.lsty(2);
    pls.col0(kPluggedInColour);
    for (PLFLT x : changes.pluggedIn)
        pls.join(x, kYMin, x, kYMax);
    pls.col0(kUnpluggedColour);
    for (PLFLT x : changes.unplugged)
        pls.join(x, kYMin, x, kYMax);
    pls.lsty(1);

    DrawLines(pls, lines.processor, kProcessorColour, 1.0);
    DrawLines(pls, lines.charge, kChargeColour, 2.0);

    const bool oneDay = scale.x1 - scale.x0 <= 86400;
    DrawFrameAndLabels(pls, "d", ticks.step, ticks.minor,
                       oneDay ? "Local time of day" : "Local date and time", "%");

    std::string title =
        "Run " + std::to_string(run.number) + " — " + DateAndMinute(run.first) + " to ";
    const std::string last = DateAndMinute(run.last);
    title += last.compare(0, 10, DateAndMinute(run.first), 0, 10) == 0 ? last.substr(11) : last;
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
void DrawPowerPanel(plstream& pls, const RunFacts& run, const RunLines& lines, int pageHeight,
                    int panelTop)
{
    const XScale& scale = run.panel;
    SetBox(pls, kBoxRight, pageHeight, panelTop, kPowerPanelHeight);
    const double low = run.powerLow, high = run.powerHigh;
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
    DrawLines(pls, lines.power, kPowerColour, 2.0);
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
void DrawOverlay(plstream& pls, const std::vector<RunFacts>& runs,
                 const std::vector<RunLines>& lines, int pageHeight)
{
    const XScale& shared = runs.front().overlay; // all but the origin alike
    const bool hours = shared.unit > 60;
    SetBox(pls, kOverlayBoxRight, pageHeight, 0, pageHeight);
    pls.wind(0, shared.x1, kYMin, kYMax);
    DrawGrid(pls, "", 0);

    std::vector<LegendEntry> legend;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto colour = static_cast<PLINT>(kFirstRunColour + i % kRunColourCount);
        DrawLines(pls, lines[i].overlayCharge, colour, 2.0);
        legend.push_back({"Run " + std::to_string(runs[i].number) + " (" +
                              DateAndMinute(runs[i].overlay.origin).substr(5) + ")",
                          colour, 1, 2.0});
    }

    DrawFrameAndLabels(pls, "", 0, 0,
                       hours ? "Hours since the start of each run"
                             : "Minutes since the start of each run",
                       "Charge (%)");
    DrawTitle(pls,
              "Charge of " + std::to_string(runs.size()) + (runs.size() == 1 ? " run" : " runs") +
                  ", from the start of each",
              "", shared.columns);
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
std::string Draw(const std::vector<RunFacts>& runs, const std::vector<RunLines>& lines,
                 const PlotOptions& options, Format format, const std::string& file)
{
    int height = 0;
    if (options.overlay)
        height = OverlayHeight(runs.size());
    else
        for (const RunFacts& run : runs)
            height += RunHeight(run);
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
            DrawOverlay(pls, runs, lines, height);
        } else {
            int top = 0;
            for (std::size_t i = 0; i < runs.size(); ++i) {
                DrawRunPanel(pls, runs[i], lines[i], height, top);
                if (runs[i].hasPower)
                    DrawPowerPanel(pls, runs[i], lines[i], height, top + kPanelHeight);
                top += RunHeight(runs[i]);
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

// The first reading: each run's time range, gap threshold and power scale.
class FactsReading : public RunSink
{
public:
    FactsReading(std::optional<LocalSeconds> period, std::vector<RunFacts>& runs)
        : m_period(period), m_runs(runs)
    {
    }
    void Record(const Run& run, const report::Record& r) override
    {
        if (!m_open) {
            RunFacts facts;
            facts.number = run.number;
            facts.file = run.file;
            facts.first = facts.last = r.time;
            m_runs.push_back(std::move(facts));
            m_intervals.emplace();
            m_open = true;
        } else {
            m_intervals->Add(r.at - m_previousAt, LinePower::Unknown, 0);
        }
        m_previousAt = r.at;
        RunFacts& facts = m_runs.back();
        facts.first = std::min(facts.first, r.time);
        facts.last = std::max(facts.last, r.time);
        if (r.power) {
            facts.hasPower = true;
            facts.powerLow = std::min(facts.powerLow, *r.power);
            facts.powerHigh = std::max(facts.powerHigh, *r.power);
        }
    }
    void RunEnded(const Run&) override
    {
        if (!m_open)
            return; // no samples, nothing to draw
        m_runs.back().gap =
            3 * (m_period ? std::max<LocalSeconds>(1, *m_period) : m_intervals->Median());
        m_intervals.reset();
        m_open = false;
    }

private:
    std::optional<LocalSeconds> m_period;
    std::vector<RunFacts>& m_runs;
    std::optional<IntervalTally> m_intervals;
    Instant m_previousAt = 0;
    bool m_open = false;
};

// The second reading: each run's series thinned into the columns its scale gives.
class ThinningReading : public RunSink
{
public:
    ThinningReading(const std::vector<RunFacts>& runs, std::vector<RunLines>& lines)
        : m_runs(runs), m_lines(lines)
    {
    }
    void Record(const Run&, const report::Record& r) override
    {
        if (!m_thinners) {
            if (m_lines.size() >= m_runs.size())
                return; // not read the first time: the logs changed in between
            m_thinners.emplace(m_runs[m_lines.size()]);
        }
        m_thinners->Add(r);
    }
    void RunEnded(const Run&) override
    {
        if (!m_thinners)
            return;
        m_lines.push_back(m_thinners->Finish());
        m_thinners.reset();
    }

private:
    const std::vector<RunFacts>& m_runs;
    std::vector<RunLines>& m_lines;
    std::optional<RunThinners> m_thinners;
};

// Where the runs fall on the x axis, once all are known.
void SetScales(std::vector<RunFacts>& runs)
{
    LocalSeconds longest = 0;
    for (const RunFacts& run : runs)
        longest = std::max(longest, run.last - run.first);
    const bool hours = longest > 3 * 3600;
    const double unit = hours ? 3600 : 60;
    const double overlayEnd = std::max(static_cast<double>(longest) / unit, hours ? 1.0 : 10.0);
    for (RunFacts& run : runs) {
        XScale& panel = run.panel;
        panel.origin = -static_cast<LocalSeconds>(kFrom1970);
        panel.columns = BoxColumns(kBoxRight);
        panel.x0 = panel.X(run.first);
        panel.x1 = panel.X(run.last);
        if (panel.x1 - panel.x0 < 60) { // one sample, or a few within a minute
            panel.x0 -= 30;
            panel.x1 += 30;
        }
        XScale& overlay = run.overlay;
        overlay.origin = run.first;
        overlay.unit = unit;
        overlay.x0 = 0;
        overlay.x1 = overlayEnd;
        overlay.columns = BoxColumns(kOverlayBoxRight);
    }
}

} // namespace

struct ChartBuilder::Parts
{
    explicit Parts(PlotOptions plot) : options(std::move(plot)) {}
    PlotOptions options;
    std::optional<Format> format;
    std::vector<RunFacts> runs;
    std::vector<RunLines> lines;
    FactsReading first{options.period, runs};
    ThinningReading second{runs, lines};
};

ChartBuilder::ChartBuilder(PlotOptions options)
    : m_parts(std::make_unique<Parts>(std::move(options)))
{
}

ChartBuilder::~ChartBuilder() = default;

RunSink& ChartBuilder::FirstReading()
{
    return m_parts->first;
}

RunSink& ChartBuilder::SecondReading()
{
    return m_parts->second;
}

bool ChartBuilder::Plan(std::string* error)
{
    Parts& p = *m_parts;
    auto fail = [&](const std::string& why) {
        if (error)
            *error = p.options.path + ": " + why;
        return false;
    };
    p.format = FormatOf(p.options.path);
    if (!p.format)
        return fail("the chart must be a .svg or .png file");
    if (p.runs.empty())
        return fail("nothing to draw: no run has any samples");
    if (p.runs.size() > kMaxRuns)
        return fail(std::to_string(p.runs.size()) + " runs are too many for one chart (at most " +
                    std::to_string(kMaxRuns) + ")");
    SetScales(p.runs);
    return true;
}

bool ChartBuilder::Draw(std::string* error)
{
    Parts& p = *m_parts;
    const PlotOptions& options = p.options;
    auto fail = [&](const std::string& why) {
        if (error)
            *error = options.path + ": " + why;
        return false;
    };
    if (p.lines.size() != p.runs.size())
        return fail("the logs changed while they were read");

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

    const std::string complaint =
        tallyvolt::report::Draw(p.runs, p.lines, options, *p.format, temp.TempPath());
    if (!complaint.empty())
        return fail("the chart could not be drawn: " + complaint);
    if (!IsComplete(temp.TempPath(), *p.format))
        return fail("the chart could not be written completely");
    if (!temp.Commit())
        return fail(std::strerror(temp.Error()));
    return true;
}

bool PlotRuns(const std::vector<Run>& runs, const PlotOptions& options, std::string* error)
{
    ChartBuilder chart(options);
    for (RunSink* reading : {&chart.FirstReading(), &chart.SecondReading()}) {
        for (const Run& run : runs) {
            for (const Record& record : run.records)
                reading->Record(run, record);
            reading->RunEnded(run);
        }
        if (reading == &chart.FirstReading() && !chart.Plan(error))
            return false;
    }
    return chart.Draw(error);
}

} // namespace tallyvolt::report
