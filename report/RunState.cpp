// A run's figures as running sums.
#include "report/RunState.h"

#include <algorithm>

namespace tallyvolt::report {

void IntervalTally::Add(LocalSeconds length, LinePower before, LocalSeconds from)
{
    const Start start{m_total++, from};
    if (length < 0 || length >= kCounted) {
        m_long.push_back({length, before, start});
        return;
    }
    if (m_lengths.empty())
        m_lengths.resize(static_cast<std::size_t>(kCounted));
    Length& l = m_lengths[static_cast<std::size_t>(length)];
    ++l.count;
    if (before != LinePower::Unknown) {
        ++l.known;
        if (before == LinePower::On)
            ++l.on;
    }
    if (l.startsDropped)
        return;
    l.starts.push_back(start);
    if (++m_keptStarts > kKeptStarts)
        DropMostCommonStarts();
}

void IntervalTally::DropMostCommonStarts()
{
    // The commonest length is the sampling period's, which is no gap: its starts go first.
    Length* most = nullptr;
    for (Length& l : m_lengths)
        if (!l.startsDropped && (!most || l.starts.size() > most->starts.size()))
            most = &l;
    m_keptStarts -= most->starts.size();
    most->starts = {};
    most->startsDropped = true;
}

LocalSeconds IntervalTally::Median() const
{
    if (m_total == 0)
        return 1;
    const std::uint64_t k = m_total / 2; // the median's place among the sorted intervals
    // Below the counted lengths come the negative ones, above them the long ones.
    std::vector<LocalSeconds> below, above;
    for (const Long& l : m_long)
        (l.length < 0 ? below : above).push_back(l.length);
    std::sort(below.begin(), below.end());
    std::sort(above.begin(), above.end());
    if (k < below.size())
        return std::max<LocalSeconds>(1, below[k]);
    std::uint64_t seen = below.size();
    for (std::size_t length = 0; length < m_lengths.size(); ++length) {
        seen += m_lengths[length].count;
        if (k < seen)
            return std::max<LocalSeconds>(1, static_cast<LocalSeconds>(length));
    }
    return std::max<LocalSeconds>(1, above[k - seen]);
}

std::pair<LocalSeconds, LocalSeconds> IntervalTally::LinePowerTime(LocalSeconds gap) const
{
    LocalSeconds on = 0, known = 0;
    for (std::size_t length = 0; length < m_lengths.size(); ++length) {
        const auto seconds = static_cast<LocalSeconds>(length);
        if (seconds > gap)
            break;
        on += seconds * static_cast<LocalSeconds>(m_lengths[length].on);
        known += seconds * static_cast<LocalSeconds>(m_lengths[length].known);
    }
    for (const Long& l : m_long) {
        if (l.length > gap || l.before == LinePower::Unknown)
            continue;
        known += l.length;
        if (l.before == LinePower::On)
            on += l.length;
    }
    return {on, known};
}

std::vector<Gap> IntervalTally::Gaps(LocalSeconds gap, std::uint64_t* notListed) const
{
    std::vector<std::pair<Start, LocalSeconds>> found;
    *notListed = 0;
    for (std::size_t length = 0; length < m_lengths.size(); ++length) {
        const Length& l = m_lengths[length];
        if (static_cast<LocalSeconds>(length) <= gap)
            continue;
        if (l.startsDropped)
            *notListed += l.count;
        for (const Start& start : l.starts)
            found.push_back({start, static_cast<LocalSeconds>(length)});
    }
    for (const Long& l : m_long)
        if (l.length > gap)
            found.push_back({l.start, l.length});
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first.order < b.first.order; });
    std::vector<Gap> gaps;
    gaps.reserve(found.size());
    for (const auto& [start, length] : found)
        gaps.push_back({start.from, length});
    return gaps;
}

void RunState::Add(const Record& r)
{
    ++m_samples;
    if (m_last)
        m_intervals.Add(r.at - m_last->at, m_last->ac, m_last->time);
    if (!m_first)
        m_first = r;
    m_last = r;

    // The charge, and the reference of the burn rate: the first known charge.
    if (!r.charge) {
        ++m_unknownCharge;
    } else {
        const int charge = *r.charge;
        if (!m_chargeFirst)
            m_chargeFirst = {{charge, r.at}};
        m_chargeLast = {{charge, r.at}};
        m_chargeFit.Add(static_cast<double>(r.at), charge);
        m_chargeMin = std::min(m_chargeMin.value_or(100), charge);
        m_chargeMax = std::max(m_chargeMax.value_or(0), charge);
    }

    // Processor and power, as the program averages them: from the run's first record, whatever
    // the charge, each weighted by the time since the previous known one.
    if (m_samples == 1) {
        m_cpu.Restart(r.at);
        m_power.Restart(r.at);
        m_powerStart = r.at;
    }
    if (r.cpu) {
        m_cpuMin = std::min(m_cpuMin.value_or(100), *r.cpu);
        m_cpuMax = std::max(m_cpuMax.value_or(0), *r.cpu);
        m_cpu.Add(*r.cpu, r.at);
    }
    m_hasPower = m_hasPower || r.hasPower;
    if (r.power) {
        m_powerMin = std::min(m_powerMin.value_or(*r.power), *r.power);
        m_powerMax = std::max(m_powerMax.value_or(*r.power), *r.power);
        m_power.Add(*r.power, r.at);
        m_powerLast = r.at;
    }

    if (r.ac != LinePower::Unknown) {
        if (m_lastKnownAc && *m_lastKnownAc != r.ac)
            ++(r.ac == LinePower::On ? m_plugs : m_unplugs);
        m_lastKnownAc = r.ac;
    }
}

void RunState::SetCharge(RunSummary& s) const
{
    if (!m_chargeFirst)
        return;
    const auto [first, firstAt] = *m_chargeFirst;
    const auto [last, lastAt] = *m_chargeLast;
    s.chargeStart = first;
    s.chargeEnd = last;
    s.chargeMin = m_chargeMin;
    s.chargeMax = m_chargeMax;
    if (lastAt != firstAt) {
        s.burnRate = BurnRate(first, last, lastAt - firstAt);
        if (*s.burnRate > 0)
            s.minutesToEmpty = last / *s.burnRate;
        else if (*s.burnRate < 0)
            s.minutesToFull = (100 - last) / -*s.burnRate;
    }
}

RunSummary RunState::Finish(const Run& run, std::optional<LocalSeconds> period) const
{
    RunSummary s;
    s.samples = m_samples;
    s.start = run.started ? *run.started : m_first ? m_first->time : 0;
    s.end = run.footer ? run.footer->time : m_last ? m_last->time : s.start;
    // Durations on the run's moments, as a stopwatch would give them; a lone stop footer has
    // nothing but its stamp to go by.
    const bool timed = run.headerLine || m_first;
    const Instant startAt = run.headerLine ? run.startedAt : m_first ? m_first->at : 0;
    const Instant endAt = run.footer ? run.footer->at : m_last ? m_last->at : startAt;
    s.duration = timed ? endAt - startAt : s.end - s.start;
    s.fittedCharges = m_chargeFit.Count();
    if (const std::optional<std::string> problem = m_chargeFit.Problem()) {
        s.fitProblem = *problem;
    } else {
        // The slope is the rise in percent per second; the rate is the fall per hour.
        const Interval slope = m_chargeFit.Slope();
        s.fittedRate = Interval{-slope.value * 3600.0, -slope.high * 3600.0, -slope.low * 3600.0};
    }
    if (!m_first)
        return s;
    s.unknownCharge = m_unknownCharge;
    s.period = period ? std::max<LocalSeconds>(1, *period) : m_intervals.Median();

    SetCharge(s);
    if (m_cpu.HasValue())
        s.cpuAverage = m_cpu.Value();
    s.cpuMin = m_cpuMin;
    s.cpuMax = m_cpuMax;
    s.hasPower = m_hasPower;
    s.powerMin = m_powerMin;
    s.powerMax = m_powerMax;
    if (m_power.HasValue()) {
        s.powerAverage = m_power.Value();
        s.energyWh = *s.powerAverage * static_cast<double>(*m_powerLast - m_powerStart) / 3600.0;
    }

    // Line power over the sampled time: each interval counts for the state at its start;
    // intervals longer than three periods are gaps and count for nothing.
    const LocalSeconds gap = 3 * s.period;
    const auto [onTime, knownTime] = m_intervals.LinePowerTime(gap);
    if (knownTime > 0)
        s.linePowerShare = static_cast<double>(onTime) / static_cast<double>(knownTime);
    else if (m_lastKnownAc && m_samples == 1)
        s.linePowerShare = *m_lastKnownAc == LinePower::On ? 1.0 : 0.0;
    s.plugs = m_plugs;
    s.unplugs = m_unplugs;
    s.gaps = m_intervals.Gaps(gap, &s.gapsNotListed);
    return s;
}

} // namespace tallyvolt::report
