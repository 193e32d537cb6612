// A build without a plotting library: --plot is refused as a usage this build cannot serve.
#include "report/Plot.h"

#include <cstdio>
#include <cstdlib>

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

bool ChartBuilder::Plan(std::string*)
{
    std::fprintf(stderr, "tallyvolt-report: %s: this build draws no charts\n",
                 m_parts->options.path.c_str());
    std::exit(2);
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
