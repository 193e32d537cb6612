// Runs compared: the figures of each run, taken record by record, and their texts.
#include "report/Compare.h"

#include "report/SummaryText.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace tallyvolt::report {

namespace {

// Two decimals, never "-0.00".
std::string Fixed(double value, int decimals = 2)
{
    std::string text = Format("%.*f", decimals, value);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-')
        text.erase(0, 1);
    return text;
}

std::optional<Change> ChangeFrom(const std::optional<Interval>& first,
                                 const std::optional<Interval>& now)
{
    if (!first || !now || first->value == 0.0)
        return std::nullopt;
    return Change{(now->value - first->value) / std::fabs(first->value) * 100.0,
                  !now->Overlaps(*first)};
}

std::string ChangeText(const std::optional<Change>& change)
{
    if (!change)
        return "-";
    return (change->percent >= 0 ? "+" : "") + Fixed(change->percent, 1) + "% " +
           (change->beyondNoise ? "beyond noise" : "within noise");
}

std::string IntervalText(const std::optional<Interval>& interval)
{
    if (!interval)
        return "-";
    if (!std::isfinite(interval->low) || !std::isfinite(interval->high))
        return Fixed(interval->value) + " (one reading, no interval)";
    return Fixed(interval->value) + " (" + Fixed(interval->low) + " to " + Fixed(interval->high) +
           ")";
}

std::string HoursText(double hours)
{
    return DurationText(static_cast<LocalSeconds>(hours * 3600.0 + 0.5));
}

} // namespace

RunComparer::RunComparer(std::string label, std::optional<Instant> started) : m_started(started)
{
    m_row.label = std::move(label);
}

void RunComparer::Add(const Record& r)
{
    if (!m_first) {
        m_first = r.at;
        m_cpu.Restart(r.at);
        m_powerOverTime.Restart(r.at);
    }
    m_last = r.at;
    ++m_row.samples;
    if (r.charge) {
        m_charge.Add(static_cast<double>(r.at), *r.charge);
        m_lastCharge = r.at;
    }
    if (r.cpu)
        m_cpu.Add(*r.cpu, r.at);
    m_row.hasPower = m_row.hasPower || r.hasPower;
    if (r.power) {
        // Each power counts for the time since the previous one, as in the time-weighted
        // average: the mean is that average, and the energy follows from it.
        m_power.Add(*r.power, m_lastPower ? static_cast<double>(r.at - *m_lastPower) : 0.0);
        m_powerOverTime.Add(*r.power, r.at);
        m_lastPower = r.at;
    }
}

CompareRow RunComparer::Finish(const std::optional<Footer>& footer) const
{
    CompareRow row = m_row;
    const Instant start = m_started ? *m_started : m_first.value_or(0);
    const Instant end = footer ? footer->at : m_last.value_or(start);
    row.duration = end - start;
    if (const std::optional<std::string> problem = m_charge.Problem()) {
        row.drainProblem = *problem;
    } else {
        // Percent per second, rising; the rate is the fall per hour.
        const Interval slope = m_charge.Slope();
        row.drainRate = Interval{-slope.value * 3600.0, -slope.high * 3600.0, -slope.low * 3600.0};
        const double chargeNow = m_charge.At(static_cast<double>(*m_lastCharge));
        if (row.drainRate->value > 0)
            row.hoursToEmpty = std::max(0.0, chargeNow) / row.drainRate->value;
    }
    row.power = m_power.Mean();
    if (m_powerOverTime.HasValue())
        row.energyWh =
            m_powerOverTime.Value() * static_cast<double>(*m_lastPower - *m_first) / 3600.0;
    if (m_cpu.HasValue())
        row.cpuAverage = m_cpu.Value();
    return row;
}

void SetChanges(std::vector<CompareRow>& rows)
{
    for (std::size_t i = 1; i < rows.size(); ++i) {
        rows[i].drainChange = ChangeFrom(rows[0].drainRate, rows[i].drainRate);
        rows[i].powerChange = ChangeFrom(rows[0].power, rows[i].power);
    }
}

RunComparer& CompareWriter::Current(const Run& run)
{
    if (!m_current) {
        if (run.file != m_file) {
            m_file = run.file;
            m_runInFile = 0;
        }
        m_current.emplace(run.file + ":" + std::to_string(++m_runInFile),
                          run.started ? std::optional<Instant>(run.startedAt) : std::nullopt);
    }
    return *m_current;
}

void CompareWriter::Record(const Run& run, const report::Record& record)
{
    Current(run).Add(record);
}

void CompareWriter::RunEnded(const Run& run)
{
    m_rows.push_back(Current(run).Finish(run.footer));
    m_current.reset();
}

std::vector<CompareRow> CompareWriter::Rows() const
{
    std::vector<CompareRow> rows = m_rows;
    SetChanges(rows);
    return rows;
}

std::vector<CompareRow> CompareRuns(const std::vector<ParsedFile>& files)
{
    CompareWriter writer;
    for (const ParsedFile& file : files)
        for (const Run& run : file.runs) {
            for (const Record& record : run.records)
                writer.Record(run, record);
            writer.RunEnded(run);
        }
    return writer.Rows();
}

std::string CompareTable(const std::vector<CompareRow>& rows)
{
    const bool withPower =
        std::any_of(rows.begin(), rows.end(), [](const CompareRow& r) { return r.hasPower; });
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> head = {"Run", "Duration", "Samples", "Drain %/h (95% interval)",
                                     "To empty"};
    if (withPower)
        head.insert(head.end(), {"Power W (95% interval)", "Energy Wh"});
    head.insert(head.end(), {"CPU", "Drain vs first"});
    if (withPower)
        head.push_back("Power vs first");
    cells.push_back(head);
    for (const CompareRow& r : rows) {
        std::vector<std::string> line = {
            r.label, DurationText(r.duration), std::to_string(r.samples),
            r.drainRate ? IntervalText(r.drainRate) : "none: " + r.drainProblem,
            r.hoursToEmpty ? HoursText(*r.hoursToEmpty) : "-"};
        if (withPower)
            line.insert(line.end(), {r.hasPower ? IntervalText(r.power) : "-",
                                     r.energyWh ? Fixed(*r.energyWh) : "-"});
        line.push_back(r.cpuAverage ? Fixed(*r.cpuAverage) + "%" : "-");
        line.push_back(&r == &rows.front() ? "(first)" : ChangeText(r.drainChange));
        if (withPower)
            line.push_back(&r == &rows.front() ? "(first)" : ChangeText(r.powerChange));
        cells.push_back(line);
    }
    std::vector<std::size_t> widths(head.size(), 0);
    for (const auto& line : cells)
        for (std::size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    std::string out;
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            // Words to the left, figures to the right, two blanks between columns.
            const std::string pad(widths[i] - line[i].size(), ' ');
            const bool words = i == 0 || i + 1 == line.size() ||
                               (withPower && i + 2 == line.size()) || i == 3 ||
                               (withPower && i == 5);
            text += (i ? "  " : "") + (words ? line[i] + pad : pad + line[i]);
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out += text + "\n";
    }
    return out;
}

namespace {

constexpr const char* kCompareColumns[] = {
    "run",         "duration_s",       "samples",       "drain_pct_per_h",
    "drain_low",   "drain_high",       "drain_problem", "hours_to_empty",
    "power_w",     "power_low",        "power_high",    "energy_wh",
    "cpu_average", "drain_change_pct", "drain_noise",   "power_change_pct",
    "power_noise"};

// One run's figures, a field each, in the order of kCompareColumns.
void CompareRowFields(RowText& rows, std::string& out, const CompareRow& r)
{
    auto number = [&](const std::optional<double>& v, int decimals) {
        if (v)
            rows.Figure(out, Fixed(*v, decimals));
        else
            rows.Missing(out);
    };
    auto part = [](const std::optional<Interval>& i, double Interval::*field) {
        return i && std::isfinite((*i).*field) ? std::optional<double>((*i).*field) : std::nullopt;
    };
    auto change = [&](const std::optional<Change>& c) {
        number(c ? std::optional<double>(c->percent) : std::nullopt, 2);
        if (c)
            rows.Text(out, c->beyondNoise ? "beyond" : "within");
        else
            rows.Missing(out);
    };
    rows.Text(out, r.label);
    rows.Figure(out, std::to_string(r.duration));
    rows.Figure(out, std::to_string(r.samples));
    for (double Interval::*field : {&Interval::value, &Interval::low, &Interval::high})
        number(part(r.drainRate, field), 4);
    if (r.drainRate)
        rows.Missing(out);
    else
        rows.Text(out, r.drainProblem);
    number(r.hoursToEmpty, 3);
    for (double Interval::*field : {&Interval::value, &Interval::low, &Interval::high})
        number(part(r.power, field), 4);
    number(r.energyWh, 4);
    number(r.cpuAverage, 2);
    change(r.drainChange);
    change(r.powerChange);
}

} // namespace

std::string CompareRowsText(const std::vector<CompareRow>& rows, RowFormat format)
{
    RowText text(format, kCompareColumns, std::size(kCompareColumns), {"\n  ", ", ", ": "});
    std::string out;
    text.Start(out);
    for (const CompareRow& r : rows) {
        text.BeginRow(out);
        CompareRowFields(text, out, r);
        text.EndRow(out);
    }
    text.Finish(out);
    return out;
}

} // namespace tallyvolt::report
