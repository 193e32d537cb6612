// tallyvolt-report: reads Tallyvolt's logs and says how fast the battery drained, run by run.
#include "platform/FileOpening.h"
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Options.h"
#include "report/Plot.h"
#include "report/SummaryText.h"
#include "resources/Version.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
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

// Reads every log, naming skipped lines and files that cannot be read or are no log; runs are
// numbered across all files. Sets *status to 1 on any such failure.
std::vector<ParsedFile> ReadLogs(const ReportOptions& options, int* status)
{
    std::vector<ParsedFile> files;
    int runNumber = 0;
    for (const std::string& path : options.logs) {
        ParsedFile file;
        std::string error;
        if (!ReadLog(path, options.read, &file, &error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            *status = 1;
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
            continue;
        }
        for (Run& run : file.runs)
            run.number = ++runNumber;
        files.push_back(std::move(file));
    }
    return files;
}

enum class Output
{
    Written,
    NotWritten, // not whole: a full disk, a closed pipe
    NotOpened,
};

// The summary, or the rows, to the output file or standard output; the reason for a failure
// goes to standard error.
Output WriteOutput(const std::vector<ParsedFile>& files, const ReportOptions& options)
{
    const std::string& path = options.outputPath;
    std::FILE* out = stdout;
    if (!path.empty() && path != "-") {
        out = tallyvolt::OpenFileStream(path, "wb");
        if (!out) {
            std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), std::strerror(errno));
            return Output::NotOpened;
        }
    }
    const std::string outputName = out == stdout ? "standard output" : path;
    bool written = true;
    if (options.rows) {
        WriteRows(files, *options.rows,
                  [&](std::string_view text) { written = written && WriteAll(out, text); });
    } else {
        bool first = true;
        for (const ParsedFile& file : files) {
            if (!first)
                written = written && WriteAll(out, "\n");
            first = false;
            written = written && WriteAll(out, FileSummaryText(file, options.read.period));
        }
    }
    if (std::fflush(out) != 0 || std::ferror(out))
        written = false;
    if (out != stdout && std::fclose(out) != 0)
        written = false;
    if (written)
        return Output::Written;
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, outputName.c_str(), std::strerror(errno));
    return Output::NotWritten;
}

// The chart of all runs; the runs are moved out of `files`.
bool DrawChart(std::vector<ParsedFile>& files, const PlotOptions& plot)
{
    std::vector<Run> runs;
    for (ParsedFile& file : files)
        for (Run& run : file.runs)
            runs.push_back(std::move(run));
    std::string error;
    if (PlotRuns(runs, plot, &error))
        return true;
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return false;
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
    const ReportOptions& options = parsed.options;
    int status = 0;
    std::vector<ParsedFile> files = ReadLogs(options, &status);
    const Output output = WriteOutput(files, options);
    if (output == Output::NotOpened)
        return 1;
    if (output == Output::NotWritten)
        status = 1;
    if (!options.plot.path.empty() && !DrawChart(files, options.plot))
        status = 1;
    return status;
}
