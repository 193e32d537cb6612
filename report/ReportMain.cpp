// tallyvolt-report: reads Tallyvolt's logs and says how fast the battery drained, run by run.
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Plot.h"
#include "report/SummaryText.h"

#include <getopt.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tallyvolt::report;

constexpr const char* kProgram = "tallyvolt-report";

constexpr const char* kUsage =
    "Usage: tallyvolt-report [OPTION]... LOG...\n"
    "Summarise Tallyvolt logs run by run: duration, charge, burn rate, time to empty or full,\n"
    "processor usage, time on line power, plug and unplug events, and gaps.\n"
    "A LOG of \"-\" reads standard input.\n"
    "\n"
    "  --csv              one row per record as CSV instead of the summary:\n"
    "                     run,time,charge,ac,state,cpu\n"
    "  --json             the same rows as a JSON array of objects\n"
    "  --plot FILE        draw charge and processor usage over time into FILE (.svg or .png),\n"
    "                     one panel per run\n"
    "  --overlay          with --plot: all runs in one panel, over the time since each start\n"
    "  --period SECONDS   the sampling period, for finding gaps (default: the median interval\n"
    "                     of each run)\n"
    "  -o, --output FILE  write the summary, CSV or JSON to FILE instead of standard output\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "\n"
    "Lines that are no part of a log are skipped and named on standard error as FILE:LINE.\n"
    "Exit status: 0 on success, 1 when a file cannot be read or is not a Tallyvolt log,\n"
    "2 on bad usage.\n";

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

} // namespace

int main(int argc, char** argv)
{
    enum
    {
        kCsv = 1000,
        kJson,
        kPlot,
        kOverlay,
        kPeriod
    };
    static const option kOptions[] = {{"csv", no_argument, nullptr, kCsv},
                                      {"json", no_argument, nullptr, kJson},
                                      {"plot", required_argument, nullptr, kPlot},
                                      {"overlay", no_argument, nullptr, kOverlay},
                                      {"period", required_argument, nullptr, kPeriod},
                                      {"output", required_argument, nullptr, 'o'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};

    std::optional<RowFormat> rows;
    PlotOptions plot;
    ReadOptions read;
    std::string outputPath;
    opterr = 0;
    for (;;) {
        const int option = getopt_long(argc, argv, ":o:hV", kOptions, nullptr);
        if (option == -1)
            break;
        switch (option) {
        case kCsv:
        case kJson: {
            const RowFormat format = option == kCsv ? RowFormat::Csv : RowFormat::Json;
            if (rows && *rows != format)
                return BadUsage("--csv and --json cannot be used together");
            rows = format;
            break;
        }
        case kPlot:
            plot.path = optarg;
            if (plot.path.empty())
                return BadUsage("--plot needs a file name");
            break;
        case kOverlay:
            plot.overlay = true;
            break;
        case kPeriod: {
            const std::string_view text = optarg;
            long long seconds = 0;
            const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
            if (ec != std::errc() || ptr != text.data() + text.size() || seconds < 1 ||
                seconds > 86400LL * 366)
                return BadUsage("--period takes a whole number of seconds from 1 upwards, not '" +
                                std::string(text) + "'");
            read.period = seconds;
            break;
        }
        case 'o':
            outputPath = optarg;
            break;
        case 'h':
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case 'V':
            std::printf("%s %s\n", kProgram, TALLYVOLT_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case ':':
            return BadUsage(std::string("option '") + argv[optind - 1] + "' needs a value");
        default:
            return BadUsage(std::string("unknown option '") + argv[optind - 1] + "'");
        }
    }
    if (optind >= argc)
        return BadUsage("no log named");
    if (plot.overlay && plot.path.empty())
        return BadUsage("--overlay goes with --plot");
    plot.period = read.period;

    int status = 0;
    std::vector<ParsedFile> files;
    int runNumber = 0;
    for (int i = optind; i < argc; ++i) {
        ParsedFile file;
        std::string error;
        if (!ReadLog(argv[i], read, &file, &error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            status = 1;
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
            status = 1;
            continue;
        }
        for (Run& run : file.runs)
            run.number = ++runNumber;
        files.push_back(std::move(file));
    }

    std::FILE* out = stdout;
    if (!outputPath.empty() && outputPath != "-") {
        out = std::fopen(outputPath.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "%s: %s: %s\n", kProgram, outputPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    const std::string outputName = out == stdout ? "standard output" : outputPath;
    bool written = true;
    if (rows) {
        WriteRows(files, *rows,
                  [&](std::string_view text) { written = written && WriteAll(out, text); });
    } else {
        bool first = true;
        for (const ParsedFile& file : files) {
            if (!first)
                written = written && WriteAll(out, "\n");
            first = false;
            written = written && WriteAll(out, FileSummaryText(file, read.period));
        }
    }
    if (std::fflush(out) != 0 || std::ferror(out))
        written = false;
    if (out != stdout && std::fclose(out) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, outputName.c_str(), std::strerror(errno));
        status = 1;
    }

    if (!plot.path.empty()) {
        std::vector<Run> runs;
        for (ParsedFile& file : files)
            for (Run& run : file.runs)
                runs.push_back(std::move(run));
        std::string error;
        if (!PlotRuns(runs, plot, &error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            status = 1;
        }
    }
    return status;
}
