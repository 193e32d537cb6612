// tallyvolt-report: reads Tallyvolt's logs and says how fast the battery drained, run by run.
#include "platform/FileOpening.h"
#include "report/Compare.h"
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Options.h"
#include "report/Plot.h"
#include "report/SummaryText.h"
#include "report/ZoneRules.h"
#include "resources/Version.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tallyvolt::report;

constexpr const char* kProgram = "tallyvolt-report";

int BadUsage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 message.c_str(), kProgram);
    return 2;
}

// Writes everything to `out`; false on a write error (a full disk, a closed pipe).
bool WriteAll(std::FILE* out, std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

void ReportSkipped(const ParsedFile& file)
{
    for (const SkippedLine& skipped : file.skipped)
        std::fprintf(stderr, "%s:%u: skipped: %s\n", file.file.c_str(), skipped.line,
                     skipped.reason.c_str());
    if (file.skippedCount > file.skipped.size())
        std::fprintf(stderr, "%s: %llu more lines skipped\n", file.file.c_str(),
                     static_cast<unsigned long long>(file.skippedCount - file.skipped.size()));
}

// Passes each run on to the summary or the rows, and to the chart's first reading.
class ReportSink : public RunSink
{
public:
    ReportSink(RunSink& output, RunSink* chart) : m_output(output), m_chart(chart) {}
    void Record(const Run& run, const tallyvolt::report::Record& record) override
    {
        m_output.Record(run, record);
        if (m_chart)
            m_chart->Record(run, record);
    }
    void RunEnded(const Run& run) override
    {
        m_output.RunEnded(run);
        if (m_chart)
            m_chart->RunEnded(run);
    }

private:
    RunSink& m_output;
    RunSink* m_chart;
};

// Makes standard input readable a second time from where it is now: a file is, and a pipe is
// copied to a temporary file first. Returns where the reading starts, -1 when it cannot.
off_t RewindableStandardInput()
{
    const off_t at = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    if (at >= 0)
        return at;
    std::FILE* copy = std::tmpfile();
    if (!copy)
        return -1;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(got), copy) !=
            static_cast<std::size_t>(got))
            break;
    }
    if (std::fflush(copy) != 0 || ::dup2(fileno(copy), STDIN_FILENO) < 0) {
        std::fclose(copy);
        return -1;
    }
    std::fclose(copy); // standard input keeps the file open
    return ::lseek(STDIN_FILENO, 0, SEEK_SET);
}

// Whether some record of the logs has the power column, for the rows' columns: the rows are
// written as they are read, so this is known first. `input` is where standard input starts.
bool AnyPowerRecord(const ReportOptions& options, off_t input)
{
    ReadOptions survey = options.read;
    survey.powerRecordsOnly = true;
    for (const std::string& path : options.logs) {
        if (path == "-" && input < 0)
            continue;
        ParsedFile file;
        std::string error;
        const bool found = ReadLog(path, survey, &file, &error) && file.powerRecord;
        if (path == "-")
            ::lseek(STDIN_FILENO, input, SEEK_SET);
        if (found)
            return true;
    }
    return false;
}

// Reads every log into `sink`, naming skipped lines and files that cannot be read or are no
// log; runs are numbered across all files. Sets *status to 1 on any such failure. Returns the
// logs that were read.
std::vector<std::string> ReadLogs(const ReportOptions& options, SummaryWriter* summary,
                                  RunSink& sink, const std::function<void(std::string_view)>& write,
                                  int* status)
{
    std::vector<std::string> read;
    int nextRun = 1;
    bool firstFile = true;
    for (const std::string& path : options.logs) {
        ParsedFile file;
        std::string error;
        if (!ReadLog(path, options.read, &file, &error, &sink, nextRun)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            *status = 1;
            if (summary)
                summary->FileText(file); // what was read of it is not shown
            continue;
        }
        ReportSkipped(file);
        if (file.lines == 0) {
            std::fprintf(stderr, "%s: %s: empty, nothing to report\n", kProgram, file.file.c_str());
        } else if (!file.isTallyvoltLog) {
            std::fprintf(stderr,
                         "%s: %s: not a Tallyvolt log (none of its %u lines is a record, a start "
                         "header or a stop footer)\n",
                         kProgram, file.file.c_str(), file.lines);
            *status = 1;
            if (summary)
                summary->FileText(file);
            continue;
        }
        read.push_back(path);
        nextRun += static_cast<int>(file.runCount);
        if (summary) {
            if (!firstFile)
                write("\n");
            write(summary->FileText(file));
        }
        firstFile = false;
    }
    return read;
}

// The chart, from the first reading done with the summary or rows and a second one now.
bool DrawChart(ChartBuilder& chart, const ReportOptions& options,
               const std::vector<std::string>& logs, off_t input)
{
    std::string error;
    bool drawn = chart.Plan(&error);
    for (std::size_t i = 0; drawn && i < logs.size(); ++i) {
        if (logs[i] == "-")
            ::lseek(STDIN_FILENO, input, SEEK_SET);
        ParsedFile file;
        drawn = ReadLog(logs[i], options.read, &file, &error, &chart.SecondReading());
    }
    drawn = drawn && chart.Draw(&error);
    if (!drawn)
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return drawn;
}

// True when `output` is one of the logs: writing it would destroy the log before it is read.
bool OutputIsALog(const ReportOptions& options)
{
    struct stat out;
    if (options.outputPath.empty() || options.outputPath == "-" ||
        ::stat(options.outputPath.c_str(), &out) != 0 || out.st_ino == 0)
        return false;
    for (const std::string& path : options.logs) {
        struct stat in;
        if (path != "-" && ::stat(path.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino)
            return true;
    }
    return false;
}

// Writes the summary, the rows or the comparison of the logs with `write` as they are read,
// and gives the records to the chart's first reading too. `input` is where standard input
// starts. Sets *status to 1 when a log cannot be read or is none. Returns the logs read.
std::vector<std::string> WriteReport(const ReportOptions& options, off_t input, ChartBuilder* chart,
                                     const std::function<void(std::string_view)>& write,
                                     int* status)
{
    std::optional<SummaryWriter> summary;
    std::optional<RowWriter> rows;
    std::optional<CompareWriter> compare;
    if (options.compare)
        compare.emplace();
    else if (options.rows)
        rows.emplace(*options.rows, AnyPowerRecord(options, input), write);
    else
        summary.emplace(options.read.period);
    RunSink& output = compare ? static_cast<RunSink&>(*compare)
                      : rows  ? static_cast<RunSink&>(*rows)
                              : static_cast<RunSink&>(*summary);
    ReportSink sink(output, chart ? &chart->FirstReading() : nullptr);
    const std::vector<std::string> read =
        ReadLogs(options, summary ? &*summary : nullptr, sink, write, status);
    if (rows)
        rows->Finish();
    if (compare) {
        const std::vector<CompareRow> table = compare->Rows();
        write(options.rows ? CompareRowsText(table, *options.rows) : CompareTable(table));
    }
    return read;
}

// The report the options ask for; the exit status.
int Report(const ReportOptions& options)
{
    if (!options.zone.empty() && !ZoneRules::UseNamedZone(options.zone))
        return BadUsage("unknown time zone '" + options.zone +
                        "' (an IANA name such as Europe/Berlin is expected)");
    if (OutputIsALog(options)) {
        std::fprintf(stderr, "%s: %s: is one of the logs to read; not writing over it\n", kProgram,
                     options.outputPath.c_str());
        return 1;
    }

    // The output is written while the logs are read.
    const std::string& path = options.outputPath;
    std::FILE* out = stdout;
    if (!path.empty() && path != "-") {
        out = tallyvolt::OpenFileStream(path, "wb");
        if (!out) {
            std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), std::strerror(errno));
            return 1;
        }
    }
    bool written = true;
    const auto write = [&](std::string_view text) { written = written && WriteAll(out, text); };

    int status = 0;
    // Standard input is read twice for the rows' columns and for a chart.
    const bool plot = !options.plot.path.empty();
    const bool twice = (options.rows || plot) && std::find(options.logs.begin(), options.logs.end(),
                                                           "-") != options.logs.end();
    const off_t input = twice ? RewindableStandardInput() : 0;
    std::optional<ChartBuilder> chart;
    if (plot)
        chart.emplace(options.plot);
    const std::vector<std::string> read =
        WriteReport(options, input, chart ? &*chart : nullptr, write, &status);

    if (std::fflush(out) != 0 || std::ferror(out))
        written = false;
    if (out != stdout && std::fclose(out) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram,
                     out == stdout ? "standard output" : path.c_str(), std::strerror(errno));
        status = 1;
    }
    // A build that draws no charts has still written the rest; the chart is refused as a usage
    // it cannot serve.
    if (chart && !DrawChart(*chart, options, read, input))
        status = kDrawsCharts ? 1 : 2;
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // A run's records grow by doubling, to a few megabytes a run. Taken from the heap, and kept
    // there when freed, the memory one doubling leaves behind serves the next runs; as separate
    // mappings (glibc's way for large blocks) every doubling faulted in fresh pages: 13,700
    // page faults instead of 7,500 for a log of a million records.
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
    // Paths and messages in UTF-8 throughout, whatever the system's code page.
    tallyvolt::ShowUtf8InConsole();
    std::vector<std::string> arguments = tallyvolt::CommandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const ParsedOptions parsed = ParseOptions(static_cast<int>(arguments.size()), pointers.data());
    switch (parsed.action) {
    case Action::BadUsage:
        return BadUsage(parsed.problem);
    case Action::ShowHelp:
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case Action::ShowVersion:
        std::printf("%s %s\n", kProgram, TALLYVOLT_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case Action::Report:
        break;
    }
    return Report(parsed.options);
}
