// A build without a plotting library: --plot is refused as a usage this build cannot serve.
#include "report/Plot.h"

#include <cstdio>
#include <cstdlib>

namespace tallyvolt::report {

bool PlotRuns(const std::vector<Run>&, const PlotOptions& options, std::string*)
{
    std::fprintf(stderr, "tallyvolt-report: %s: this build draws no charts\n",
                 options.path.c_str());
    std::exit(2);
}

} // namespace tallyvolt::report
