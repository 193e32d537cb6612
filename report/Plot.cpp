// Charts of the runs, drawn with PLplot: its "svg" driver for .svg files, "pngcairo" for .png.
//
// PLplot ends the whole process on some errors (plexit), and when it cannot open its output it
// asks on the terminal for another name. So everything it could trip on is settled before it
// starts: the extension, that there is something to draw, and a file it can surely open (a new
// file next to the target, put in its place once the chart is complete).
#include "report/Plot.h"

#include "report/ChartDrawing.h"
#include "report/ChartFile.h"
#include "report/ChartReadings.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tallyvolt::report {
namespace {

// More panels than this make a picture nobody can read (and a PNG too tall for cairo).
constexpr std::size_t kMaxRuns = 60;

} // namespace

const bool kDrawsCharts = true;

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
        DrawChart(p.runs, p.lines, options.overlay, *p.format, temp.TempPath());
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
