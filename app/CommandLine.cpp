// Reading the program's command line. getopt is not there on Windows, so it is read by hand.
#include "app/CommandLine.h"

#include "resources/Version.h"

#include <charconv>
#include <string_view>

namespace tallyvolt {

const char* const kHelpText =
    "Usage: tallyvolt [OPTION]...\n"
    "Log the battery's charge and the processor's load, one record per sample, to the log\n"
    "named in tallyvolt.ini in the current folder, and show them in a small window.\n"
    "\n"
    "  --headless            run without a window or tray icon (no display needed); the run\n"
    "                        ends on SIGTERM, SIGINT or SIGHUP (on Windows on Ctrl+C,\n"
    "                        Ctrl+Break, taskkill, logoff or shutdown) with its stop footer\n"
    "  --duration SECONDS    with --headless: end the run after SECONDS, taking the last\n"
    "                        sample then\n"
    "  --until-charge PERCENT\n"
    "                        with --headless: end the run at the first sample whose known\n"
    "                        charge is at or below PERCENT while not on line power\n"
    "  --records             with --headless: write each record to standard output as well\n"
    "  --help                show this help and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "Settings (delimiter, log file, update period...) come from tallyvolt.ini alone.\n"
    "Exit status: 0 when the run ended normally or another copy is already running,\n"
    "1 when a setting is refused or the log cannot be opened, 2 on bad usage.\n";

std::string VersionText()
{
    return "tallyvolt (Tallyvolt) " TALLYVOLT_VERSION "\n";
}

namespace {

constexpr std::int64_t kLongestDuration = 366LL * 24 * 3600 * 10; // ten years

std::optional<std::int64_t> WholeNumber(std::string_view text, std::int64_t low, std::int64_t high)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

CommandLine Bad(std::string problem)
{
    CommandLine out;
    out.action = CommandLine::Action::BadUsage;
    out.problem = std::move(problem);
    return out;
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool headless = false;
    const char* needsHeadless = nullptr; // the first option that only a headless run takes
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() < 3 || arg.substr(0, 2) != "--")
            return Bad(arg == "-" || arg.empty() || arg[0] != '-'
                           ? "unexpected argument '" + std::string(arg) + "'"
                           : "unknown option '" + std::string(arg) + "'");
        const std::size_t equals = arg.find('=');
        const std::string name(arg.substr(0, equals));
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos)
            value = arg.substr(equals + 1);
        const bool takesValue = name == "--duration" || name == "--until-charge";
        if (takesValue && !value) {
            if (i + 1 >= argc)
                return Bad("option '" + name + "' needs a value");
            value = argv[++i];
        } else if (!takesValue && value) {
            return Bad("option '" + name + "' takes no value");
        }

        if (name == "--help") {
            line.action = CommandLine::Action::ShowHelp;
            return line;
        }
        if (name == "--version") {
            line.action = CommandLine::Action::ShowVersion;
            return line;
        }
        if (name == "--headless") {
            headless = true;
        } else if (name == "--records") {
            line.headless.records = true;
            needsHeadless = needsHeadless ? needsHeadless : "--records";
        } else if (name == "--duration") {
            line.headless.durationSeconds = WholeNumber(*value, 1, kLongestDuration);
            if (!line.headless.durationSeconds)
                return Bad("--duration takes a whole number of seconds from 1 upwards, not '" +
                           std::string(*value) + "'");
            needsHeadless = needsHeadless ? needsHeadless : "--duration";
        } else if (name == "--until-charge") {
            const std::optional<std::int64_t> percent = WholeNumber(*value, 0, 100);
            if (!percent)
                return Bad("--until-charge takes a whole percentage from 0 to 100, not '" +
                           std::string(*value) + "'");
            line.headless.untilCharge = static_cast<int>(*percent);
            needsHeadless = needsHeadless ? needsHeadless : "--until-charge";
        } else {
            return Bad("unknown option '" + name + "'");
        }
    }
    if (needsHeadless && !headless)
        return Bad(std::string(needsHeadless) + " goes with --headless");
    line.action = headless ? CommandLine::Action::RunHeadless : CommandLine::Action::RunWindow;
    return line;
}

} // namespace tallyvolt
