// Reading tallyvolt-report's command line with getopt_long.
#include "report/Options.h"

#include <getopt.h>

#include <charconv>

namespace tallyvolt::report {

const char* const kUsage =
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
    "  --compare          one table row per run (FILE:RUN): duration, samples, the drain rate\n"
    "                     in %/h fitted by least squares with its 95% interval, time to\n"
    "                     empty, power and energy, processor average; each run after the\n"
    "                     first with its change from the first, \"beyond noise\" when the\n"
    "                     intervals do not overlap, \"within noise\" otherwise (--csv and\n"
    "                     --json give the same rows)\n"
    "  --period SECONDS   the sampling period, for finding gaps (default: the median interval\n"
    "                     of each run)\n"
    "  --tz ZONE          read the log's stamps as local time of ZONE, an IANA name such as\n"
    "                     Europe/Berlin (default: the zone TZ names, else this machine's)\n"
    "  -o, --output FILE  write the summary, CSV or JSON to FILE instead of standard output\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "\n"
    "Lines that are no part of a log are skipped and named on standard error as FILE:LINE.\n"
    "Exit status: 0 on success, 1 when a file cannot be read or is not a Tallyvolt log,\n"
    "2 on bad usage.\n";

namespace {

ParsedOptions Bad(std::string problem)
{
    ParsedOptions out;
    out.action = Action::BadUsage;
    out.problem = std::move(problem);
    return out;
}

// A whole number of seconds from 1 to a year.
std::optional<LocalSeconds> Period(std::string_view text)
{
    long long seconds = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || ptr != text.data() + text.size() || seconds < 1 ||
        seconds > 86400LL * 366)
        return std::nullopt;
    return seconds;
}

} // namespace

namespace {

enum
{
    kCsv = 1000,
    kJson,
    kPlot,
    kOverlay,
    kPeriod,
    kZone,
    kCompare
};

const option kOptions[] = {{"csv", no_argument, nullptr, kCsv},
                           {"json", no_argument, nullptr, kJson},
                           {"plot", required_argument, nullptr, kPlot},
                           {"overlay", no_argument, nullptr, kOverlay},
                           {"period", required_argument, nullptr, kPeriod},
                           {"tz", required_argument, nullptr, kZone},
                           {"compare", no_argument, nullptr, kCompare},
                           {"output", required_argument, nullptr, 'o'},
                           {"help", no_argument, nullptr, 'h'},
                           {"version", no_argument, nullptr, 'V'},
                           {nullptr, 0, nullptr, 0}};

// Takes an option of a report, with its `value`, into `o`; `given` is the option as written.
// Returns what is wrong with it, empty when nothing is.
std::string TakeOption(int option, const char* value, const char* given, ReportOptions& o)
{
    switch (option) {
    case kCsv:
    case kJson: {
        const RowFormat format = option == kCsv ? RowFormat::Csv : RowFormat::Json;
        if (o.rows && *o.rows != format)
            return "--csv and --json cannot be used together";
        o.rows = format;
        return {};
    }
    case kPlot:
        o.plot.path = value;
        return o.plot.path.empty() ? "--plot needs a file name" : "";
    case kOverlay:
        o.plot.overlay = true;
        return {};
    case kCompare:
        o.compare = true;
        return {};
    case kPeriod:
        o.read.period = Period(value);
        if (!o.read.period)
            return "--period takes a whole number of seconds from 1 upwards, not '" +
                   std::string(value) + "'";
        return {};
    case kZone:
        o.zone = value;
        return o.zone.empty() ? "--tz needs the name of a time zone, such as Europe/Berlin" : "";
    case 'o':
        o.outputPath = value;
        return {};
    case ':':
        return std::string("option '") + given + "' needs a value";
    default:
        return std::string("unknown option '") + given + "'";
    }
}

} // namespace

ParsedOptions ParseOptions(int argc, char** argv)
{
    ParsedOptions parsed;
    ReportOptions& o = parsed.options;
    opterr = 0;
    optind = 0; // 0, not 1: getopt starts afresh, as it must for a second command line
    for (;;) {
        const int option = getopt_long(argc, argv, ":o:hV", kOptions, nullptr);
        if (option == -1)
            break;
        if (option == 'h' || option == 'V') {
            parsed.action = option == 'h' ? Action::ShowHelp : Action::ShowVersion;
            return parsed;
        }
        const std::string problem = TakeOption(option, optarg, argv[optind - 1], o);
        if (!problem.empty())
            return Bad(problem);
    }
    if (optind >= argc)
        return Bad("no log named");
    if (o.plot.overlay && o.plot.path.empty())
        return Bad("--overlay goes with --plot");
    o.plot.period = o.read.period;
    o.logs.assign(argv + optind, argv + argc);
    parsed.action = Action::Report;
    return parsed;
}

} // namespace tallyvolt::report
