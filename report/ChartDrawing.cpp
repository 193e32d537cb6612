// Charts of the runs, drawn with PLplot: its "svg" driver for .svg files, "pngcairo" for .png.
#include "report/ChartDrawing.h"

#include "report/ChartScale.h"
#include "report/ChartText.h"
#include "report/LogModel.h"

#include <plplot/plstream.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <type_traits>

namespace tallyvolt::report {
namespace {

static_assert(std::is_same_v<PLFLT, double>, "the thinned lines go to PLplot as they are");

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

// ---- Drawing.

// Puts the axes' box of a panel in place. Returns its width in pixels.
int SetBox(plstream& pls, double right, int pageHeight, int panelTop, int panelHeight)
{
    const Box box = PanelBox(right, pageHeight, panelTop, panelHeight);
    pls.vpor(box.left, box.right, box.bottom, box.top);
    return BoxColumns(right);
}

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
    for (double x : changes.pluggedIn)
        pls.join(x, kYMin, x, kYMax);
    pls.col0(kUnpluggedColour);
    for (double x : changes.unplugged)
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
    const double low = run.powerLow;
    const YRange range = PowerRange(low, run.powerHigh);
    pls.wind(scale.x0, scale.x1, range.low, range.high);
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

} // namespace

std::string DrawChart(const std::vector<RunFacts>& runs, const std::vector<RunLines>& lines,
                      bool overlay, Format format, const std::string& file)
{
    int height = 0;
    if (overlay)
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
        SetColours(pls, overlay ? runs.size() : 0);
        pls.init();
        pls.adv(0);
        SetTextAndTickSizes(pls);
        if (overlay) {
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

} // namespace tallyvolt::report
