// The figures of one run.
#include "report/Summary.h"

#include "log/RunFigures.h"

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

namespace {

// The charge, and the burn rate from the first known charge (the program's reference) to the
// last one: a sample whose charge is unknown does not move the rate. Returns the reference's
// index, the last record's when no charge is known.
std::size_t ChargeFigures(const std::vector<Record>& records, RunSummary& s)
{
    const Record* first = nullptr;
    const Record* last = nullptr;
    for (const Record& r : records) {
        if (!r.charge) {
            ++s.unknownCharge;
            continue;
        }
        if (!first)
            first = &r;
        last = &r;
        s.chargeMin = std::min(s.chargeMin.value_or(100), int{*r.charge});
        s.chargeMax = std::max(s.chargeMax.value_or(0), int{*r.charge});
    }
    if (!first)
        return records.size() - 1;
    s.chargeStart = *first->charge;
    s.chargeEnd = *last->charge;
    if (last->at != first->at) {
        s.burnRate = BurnRate(*s.chargeStart, *s.chargeEnd, last->at - first->at);
        if (*s.burnRate > 0)
            s.minutesToEmpty = *s.chargeEnd / *s.burnRate;
        else if (*s.burnRate < 0)
            s.minutesToFull = (100 - *s.chargeEnd) / -*s.burnRate;
    }
    return static_cast<std::size_t>(first - records.data());
}

// The processor average as the program keeps it: until the reference every sample takes the
// reference anew; after it, each usage is weighted by the time since the previous usage.
void ProcessorFigures(const std::vector<Record>& records, std::size_t reference, RunSummary& s)
{
    TimeWeightedAverage average;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (i <= reference)
            average.Restart(r.at);
        if (!r.cpu)
            continue;
        s.cpuMin = std::min(s.cpuMin.value_or(100), *r.cpu);
        s.cpuMax = std::max(s.cpuMax.value_or(0), *r.cpu);
        average.Add(*r.cpu, r.at);
    }
    if (average.HasValue())
        s.cpuAverage = average.Value();
}

// The power draw, weighted as the processor usage is: each known power counts for the time
// since the previous known one. The energy is that average over the time it covers.
void PowerFigures(const std::vector<Record>& records, std::size_t reference, RunSummary& s)
{
    TimeWeightedAverage average;
    std::optional<Instant> start, last;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        s.hasPower = s.hasPower || r.hasPower;
        if (i <= reference) {
            average.Restart(r.at);
            start = r.at;
        }
        if (!r.power)
            continue;
        s.powerMin = std::min(s.powerMin.value_or(*r.power), *r.power);
        s.powerMax = std::max(s.powerMax.value_or(*r.power), *r.power);
        average.Add(*r.power, r.at);
        last = r.at;
    }
    if (!average.HasValue())
        return;
    s.powerAverage = average.Value();
    s.energyWh = *s.powerAverage * static_cast<double>(*last - *start) / 3600.0;
}

// Line power over the sampled time: each interval counts for the state at its start; intervals
// longer than `gap` are gaps and count for nothing.
void LinePowerFigures(const std::vector<Record>& records, LocalSeconds gap, RunSummary& s)
{
    LocalSeconds onTime = 0, knownTime = 0;
    std::optional<LinePower> lastKnown;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (i > 0) {
            const LocalSeconds interval = r.at - records[i - 1].at;
            if (interval > gap)
                s.gaps.push_back({records[i - 1].time, interval});
            else if (records[i - 1].ac != LinePower::Unknown) {
                knownTime += interval;
                if (records[i - 1].ac == LinePower::On)
                    onTime += interval;
            }
        }
        if (r.ac == LinePower::Unknown)
            continue;
        if (lastKnown && *lastKnown != r.ac)
            ++(r.ac == LinePower::On ? s.plugs : s.unplugs);
        lastKnown = r.ac;
    }
    if (knownTime > 0)
        s.linePowerShare = static_cast<double>(onTime) / static_cast<double>(knownTime);
    else if (lastKnown && records.size() == 1)
        s.linePowerShare = *lastKnown == LinePower::On ? 1.0 : 0.0;
}

} // namespace

RunSummary Summarise(const Run& run, std::optional<LocalSeconds> period)
{
    RunSummary s;
    const std::vector<Record>& records = run.records;
    s.samples = records.size();
    s.start = run.started ? *run.started : records.empty() ? 0 : records.front().time;
    s.end = run.footer ? run.footer->time : records.empty() ? s.start : records.back().time;
    // Durations on the run's moments, as a stopwatch would give them; a lone stop footer has
    // nothing but its stamp to go by.
    const bool timed = run.headerLine || !records.empty();
    const Instant startAt = run.headerLine    ? run.startedAt
                            : records.empty() ? 0
                                              : records.front().at;
    const Instant endAt = run.footer        ? run.footer->at
                          : records.empty() ? startAt
                                            : records.back().at;
    s.duration = timed ? endAt - startAt : s.end - s.start;
    if (records.empty())
        return s;
    s.period = period ? std::max<LocalSeconds>(1, *period) : MedianInterval(records);
    const std::size_t reference = ChargeFigures(records, s);
    ProcessorFigures(records, reference, s);
    PowerFigures(records, reference, s);
    LinePowerFigures(records, 3 * s.period, s);
    return s;
}

} // namespace tallyvolt::report
