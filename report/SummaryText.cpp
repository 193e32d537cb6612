// The summary's text.
#include "report/SummaryText.h"

#include "log/LogText.h"
#include "report/Summary.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace tallyvolt::report {

// The program never sets a locale, so printf writes '.' as the decimal point.
std::string Format(const char* format, ...)
{
    char out[256];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out, sizeof out, format, args);
    va_end(args);
    return std::string(
        out, n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof out - 1));
}

namespace {

std::string Plural(std::uint64_t n, const char* one, const char* many)
{
    return Format("%" PRIu64 " %s", n, n == 1 ? one : many);
}

// Watts (or watt-hours) with two decimals, "0.00" for anything that rounds to nothing, never
// "-0.00", as the log writes them.
std::string Watts(double value, const char* unit)
{
    std::string text = PowerText(value); // "7.42W"
    text.pop_back();
    return text + " " + unit;
}

void Row(std::string& out, const char* label, const std::string& value)
{
    out += Format("  %-16s", label);
    out += value;
    out += '\n';
}

} // namespace

std::string DurationText(LocalSeconds seconds)
{
    if (seconds < 0)
        return "-" + DurationText(-seconds);
    static constexpr std::pair<LocalSeconds, const char*> kUnits[] = {
        {86400, "d"}, {3600, "h"}, {60, "min"}, {1, "s"}};
    std::string text;
    int shown = 0;
    for (const auto& [size, unit] : kUnits) {
        const LocalSeconds n = seconds / size;
        seconds %= size;
        if (n == 0 && shown == 0)
            continue;
        if (n == 0)
            break; // "2 h", not "2 h 0 min"
        if (!text.empty())
            text += ' ';
        text += Format("%" PRId64 " %s", static_cast<std::int64_t>(n), unit);
        if (++shown == 2)
            break;
    }
    return text.empty() ? "0 s" : text;
}

std::string ReadableTime(LocalSeconds t)
{
    std::string text = IsoTime(t);
    text[10] = ' ';
    return text;
}

namespace {

// The run's heading, its times, samples and charge.
void AppendRunStart(std::string& out, const Run& run, const RunSummary& s)
{
    out += Format("\nRun %d", run.number);
    if (run.headerLine)
        out += Format(", started at line %u", run.headerLine);
    else if (run.splitAtGap)
        out += ", told apart by gaps (the log has no start headers)";
    else
        out += ", without a start header";
    out += '\n';
    Row(out, "Start", ReadableTime(s.start));
    Row(out, "End", ReadableTime(s.end));
    Row(out, "Duration", DurationText(s.duration));
    std::string sampleText = Format("%zu", s.samples);
    if (s.unknownCharge)
        sampleText += Format(" (%zu with the charge unknown)", s.unknownCharge);
    Row(out, "Samples", sampleText);
    if (s.chargeStart)
        Row(out, "Charge",
            Format("%d%% at start, %d%% at end; lowest %d%%, highest %d%%", *s.chargeStart,
                   *s.chargeEnd, *s.chargeMin, *s.chargeMax));
    else
        Row(out, "Charge", "unknown");
}

// How fast the charge went, and the time to empty or full at that rate; the program's own
// figures, from the stop footer, beside the ones worked out here.
void AppendRates(std::string& out, const RunSummary& s, const Footer* footer)
{
    std::string rate = s.burnRate
                           ? Format("%.2f %%/minute, %.2f %%/hour", *s.burnRate, *s.burnRate * 60.0)
                           : std::string("undefined (no two known charges at "
                                         "different times)");
    if (footer)
        rate += "; stop footer: " +
                (footer->burnRateText.empty() ? std::string("missing") : footer->burnRateText);
    Row(out, "Burn rate", rate);
    Row(out, "Fitted rate",
        s.fittedRate
            ? Format("%.2f %%/hour, 95%% interval %.2f to %.2f (least squares over %zu "
                     "known charges)",
                     s.fittedRate->value, s.fittedRate->low, s.fittedRate->high, s.fittedCharges)
            : "undefined (" + s.fitProblem + ")");
    if (s.minutesToEmpty)
        Row(out, "Time to empty",
            DurationText(static_cast<LocalSeconds>(*s.minutesToEmpty * 60.0 + 0.5)) +
                " at that rate");
    else if (s.minutesToFull)
        Row(out, "Time to full",
            DurationText(static_cast<LocalSeconds>(*s.minutesToFull * 60.0 + 0.5)) +
                " at that rate");
}

// Processor usage, the power draw and energy, and line power.
void AppendUsage(std::string& out, const RunSummary& s, const Footer* footer)
{
    std::string processor =
        s.cpuAverage ? Format("%.2f%% on average (time-weighted); lowest %u%%, highest %u%%",
                              *s.cpuAverage, *s.cpuMin, *s.cpuMax)
                     : std::string("unknown");
    if (footer)
        processor += footer->cpuAverage ? Format("; stop footer: %.2f%%", *footer->cpuAverage)
                                        : std::string("; stop footer: missing");
    Row(out, "Processor", processor);
    if (s.hasPower || (footer && footer->hasPower)) {
        std::string power =
            s.powerAverage ? Watts(*s.powerAverage, "W") + " on average (time-weighted); lowest " +
                                 Watts(*s.powerMin, "W") + ", highest " + Watts(*s.powerMax, "W")
                           : std::string("unknown");
        if (footer && footer->hasPower)
            power += footer->averagePower ? "; stop footer: " + Watts(*footer->averagePower, "W")
                                          : std::string("; stop footer: unknown");
        Row(out, "Power draw", power);
        if (s.energyWh)
            Row(out, "Energy used", Watts(*s.energyWh, "Wh"));
    }
    std::string power = s.linePowerShare ? Format("%.1f%% of the time", *s.linePowerShare * 100.0)
                                         : std::string("unknown");
    power += "; " + Plural(static_cast<std::uint64_t>(s.plugs), "plug-in", "plug-ins") + ", " +
             Plural(static_cast<std::uint64_t>(s.unplugs), "unplug", "unplugs");
    Row(out, "Line power", power);
}

// Gaps in the sampling, clocks set back, and how the run ended.
void AppendEnding(std::string& out, const Run& run, const RunSummary& s, const Footer* footer)
{
    if (s.gaps.empty() && !s.gapsNotListed) {
        Row(out, "Gaps",
            "none over " + DurationText(3 * s.period) + " (period " + DurationText(s.period) + ")");
    } else {
        Row(out, "Gaps",
            Plural(s.gaps.size() + s.gapsNotListed, "gap", "gaps") + " over " +
                DurationText(3 * s.period) + " (period " + DurationText(s.period) + "):");
        for (const Gap& gap : s.gaps)
            Row(out, "", "  after " + ReadableTime(gap.from) + ", " + DurationText(gap.length));
        if (s.gapsNotListed)
            Row(out, "",
                "  and " + Plural(s.gapsNotListed, "gap", "gaps") +
                    " more, among too many to list");
    }
    for (const ClockSetBack& back : run.setBacks)
        Row(out, "Clock set back",
            "by " + DurationText(back.by) + " at line " + std::to_string(back.line) + ": " +
                ReadableTime(back.to) + " after " + ReadableTime(back.from) + " (taken as " +
                DurationText(back.interval) + " apart)" +
                (back.putRightAt ? "; put right again at line " + std::to_string(back.putRightAt)
                                 : std::string()));
    if (footer)
        Row(out, "Stop footer", Format("line %u", footer->line));
    else if (run.headerLine)
        Row(out, "Stop footer", "none: the run did not end cleanly");
}

// A run's block.
void AppendRunText(std::string& out, const Run& run, const RunSummary& s)
{
    const Footer* footer = run.footer ? &*run.footer : nullptr;
    AppendRunStart(out, run, s);
    AppendRates(out, s, footer);
    AppendUsage(out, s, footer);
    AppendEnding(out, run, s, footer);
}

} // namespace

void SummaryWriter::Record(const Run&, const report::Record& record)
{
    m_state.Add(record);
}

void SummaryWriter::RunEnded(const Run& run)
{
    AppendRunText(m_runs, run, m_state.Finish(run, m_period));
    m_state = RunState{};
}

std::string SummaryWriter::FileText(const ParsedFile& file)
{
    std::string out = file.file + ": " + Plural(file.runCount, "run", "runs") + ", " +
                      Plural(file.samples, "sample", "samples");
    if (file.skippedCount)
        out += ", " + Plural(file.skippedCount, "line", "lines") + " skipped";
    out += '\n';
    out += m_runs;
    m_runs.clear();
    return out;
}

std::string FileSummaryText(const ParsedFile& file, std::optional<LocalSeconds> period)
{
    SummaryWriter writer(period);
    for (const Run& run : file.runs) {
        for (const report::Record& record : run.records)
            writer.Record(run, record);
        writer.RunEnded(run);
    }
    return writer.FileText(file);
}

} // namespace tallyvolt::report
