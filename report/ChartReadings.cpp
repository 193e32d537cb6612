// The chart's two readings of the logs.
#include "report/ChartReadings.h"

#include <algorithm>
#include <cmath>

namespace tallyvolt::report {

int RunHeight(const RunFacts& run)
{
    return kPanelHeight + (run.hasPower ? kPowerPanelHeight : 0);
}

void SetScales(std::vector<RunFacts>& runs)
{
    LocalSeconds longest = 0;
    for (const RunFacts& run : runs)
        longest = std::max(longest, run.last - run.first);
    const OverlayAxis axis = OverlayAxisFor(longest);
    for (RunFacts& run : runs) {
        run.panel = PanelScale(run.first, run.last);
        run.overlay = OverlayScale(run.first, axis);
    }
}

namespace {

Thinner ThinnerOver(const XScale& scale)
{
    return Thinner(scale.x0, scale.x1, scale.columns);
}

void Point(Thinner& thinner, const XScale& scale, const Record& r, std::optional<double> value)
{
    if (value)
        thinner.Add(scale.X(r.time), *value);
    else
        thinner.Break();
}

} // namespace

RunThinners::RunThinners(const RunFacts& facts)
    : m_facts(facts), m_processor(ThinnerOver(facts.panel)), m_charge(ThinnerOver(facts.panel)),
      m_power(ThinnerOver(facts.panel)), m_overlay(ThinnerOver(facts.overlay))
{
}

void RunThinners::Add(const Record& r)
{
    if (m_previous && (r.at - m_previous->at > m_facts.gap || r.time < m_previous->time)) {
        for (Thinner* t : {&m_processor, &m_charge, &m_power, &m_overlay})
            t->Break();
    }
    m_previous = r;
    Point(m_processor, m_facts.panel, r, r.cpu ? std::optional<double>(*r.cpu) : std::nullopt);
    const std::optional<double> charge = r.charge ? std::optional<double>(*r.charge) : std::nullopt;
    Point(m_charge, m_facts.panel, r, charge);
    Point(m_overlay, m_facts.overlay, r, charge);
    Point(m_power, m_facts.panel, r, r.power);
    Mark(r);
}

RunLines RunThinners::Finish()
{
    RunLines lines;
    lines.processor = m_processor.Finish();
    lines.charge = m_charge.Finish();
    lines.power = m_power.Finish();
    lines.overlayCharge = m_overlay.Finish();
    lines.changes = std::move(m_changes);
    return lines;
}

void RunThinners::Mark(const Record& r)
{
    constexpr double kPixelsApart = 8;
    if (r.ac == LinePower::Unknown)
        return;
    if (m_known != LinePower::Unknown && r.ac != m_known) {
        const XScale& scale = m_facts.panel;
        const double minApart = kPixelsApart * (scale.x1 - scale.x0) / scale.columns;
        std::vector<double>& marks =
            r.ac == LinePower::On ? m_changes.pluggedIn : m_changes.unplugged;
        const double x = scale.X(r.time);
        if (marks.empty() || std::fabs(x - marks.back()) >= minApart)
            marks.push_back(x);
    }
    m_known = r.ac;
}

void FactsReading::Record(const Run& run, const report::Record& r)
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

void FactsReading::RunEnded(const Run&)
{
    if (!m_open)
        return; // no samples, nothing to draw
    m_runs.back().gap =
        3 * (m_period ? std::max<LocalSeconds>(1, *m_period) : m_intervals->Median());
    m_intervals.reset();
    m_open = false;
}

void ThinningReading::Record(const Run&, const report::Record& r)
{
    if (!m_thinners) {
        if (m_lines.size() >= m_runs.size())
            return; // not read the first time: the logs changed in between
        m_thinners.emplace(m_runs[m_lines.size()]);
    }
    m_thinners->Add(r);
}

void ThinningReading::RunEnded(const Run&)
{
    if (!m_thinners)
        return;
    m_lines.push_back(m_thinners->Finish());
    m_thinners.reset();
}

} // namespace tallyvolt::report
