// The figures of one run.
#include "report/Summary.h"

#include "report/RunState.h"

#include <algorithm>

namespace tallyvolt::report {

LocalSeconds MedianInterval(const std::vector<Record>& records)
{
    if (records.size() < 2)
        return 1;
    const std::size_t n = records.size() - 1;
    const std::size_t k = n / 2; // the median's place among the sorted intervals
    // Sampled runs have intervals of a few seconds: counting them is several times faster than
    // selecting among them. Short runs, and the odd long or negative interval, are selected.
    constexpr LocalSeconds kCounted = 1024;
    std::vector<LocalSeconds> others;
    std::vector<std::size_t> counts(n >= kCounted ? kCounted : 0);
    for (std::size_t i = 1; i < records.size(); ++i) {
        const LocalSeconds interval = records[i].at - records[i - 1].at;
        if (interval >= 0 && interval < static_cast<LocalSeconds>(counts.size()))
            ++counts[static_cast<std::size_t>(interval)];
        else
            others.push_back(interval);
    }
    // Below the counted ones come the negative intervals, above them the long ones.
    const auto below = static_cast<std::size_t>(
        std::count_if(others.begin(), others.end(), [](LocalSeconds v) { return v < 0; }));
    auto select = [&others](std::size_t at) {
        auto nth = others.begin() + static_cast<std::ptrdiff_t>(at);
        std::nth_element(others.begin(), nth, others.end());
        return std::max<LocalSeconds>(1, *nth);
    };
    if (k < below)
        return select(k);
    std::size_t seen = below;
    for (std::size_t interval = 0; interval < counts.size(); ++interval) {
        seen += counts[interval];
        if (k < seen)
            return std::max<LocalSeconds>(1, static_cast<LocalSeconds>(interval));
    }
    return select(k - seen + below);
}

LocalSeconds GapThreshold(const std::vector<Record>& records, std::optional<LocalSeconds> period)
{
    return 3 * (period ? std::max<LocalSeconds>(1, *period) : MedianInterval(records));
}

RunSummary Summarise(const Run& run, std::optional<LocalSeconds> period)
{
    RunState state;
    for (const Record& r : run.records)
        state.Add(r);
    return state.Finish(run, period);
}

} // namespace tallyvolt::report
