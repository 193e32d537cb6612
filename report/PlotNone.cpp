// A build without a plotting library: --plot is refused as a usage this build cannot serve.
#include "report/Plot.h"

namespace tallyvolt::report {

namespace {

// The readings pass by: there is nothing to draw with.
class Unread : public RunSink
{
public:
    void Record(const Run&, const report::Record&) override {}
    void RunEnded(const Run&) override {}
};

} // namespace

const bool kDrawsCharts = false;

struct ChartBuilder::Parts
{
    PlotOptions options;
    Unread reading;
};

ChartBuilder::ChartBuilder(PlotOptions options) : m_parts(std::make_unique<Parts>())
{
    m_parts->options = std::move(options);
}

ChartBuilder::~ChartBuilder() = default;

RunSink& ChartBuilder::FirstReading()
{
    return m_parts->reading;
}

RunSink& ChartBuilder::SecondReading()
{
    return m_parts->reading;
}

bool ChartBuilder::Plan(std::string* error)
{
    if (error)
        *error = m_parts->options.path + ": this build draws no charts";
    return false;
}

bool ChartBuilder::Draw(std::string* error)
{
    return Plan(error);
}

bool PlotRuns(const std::vector<Run>&, const PlotOptions& options, std::string* error)
{
    return ChartBuilder(options).Plan(error);
}

} // namespace tallyvolt::report
