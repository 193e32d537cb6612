// The program's command line: the window (no options), a run without one (--headless) and its
// ending conditions, and the GNU --help and --version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallyvolt {

// How a run without a window ends, besides a request from outside.
struct HeadlessOptions
{
    std::optional<std::int64_t> durationSeconds; // the last sample at the end of this time
    std::optional<int> untilCharge; // at the first known charge at or below it off line power
    bool records = false;           // each record on standard output as well
};

struct CommandLine
{
    enum class Action
    {
        RunWindow,
        RunHeadless,
        ShowHelp,
        ShowVersion,
        BadUsage, // `problem` says what, naming the option
    };
    Action action = Action::RunWindow;
    HeadlessOptions headless;
    std::string problem;
};

// Reads the arguments after the program's name, GNU style: "--duration 5" or "--duration=5".
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help and --version print.
extern const char* const kHelpText;
std::string VersionText();

} // namespace tallyvolt
