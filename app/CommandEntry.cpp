// The program's entry, before any toolkit: the options, then a run with or without a window.
#include "app/CommandEntry.h"

#include "app/CommandLine.h"
#include "app/HeadlessRun.h"

#include <csignal>
#include <cstdio>

namespace tallyvolt {

int RunCommandLine(int argc, const char* const* argv, const std::function<int()>& runWindow)
{
    const CommandLine line = ParseCommandLine(argc > 0 ? argc - 1 : 0, argv + (argc > 0));
    switch (line.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(kHelpText, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::ShowVersion:
        std::fputs(VersionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::BadUsage:
        std::fprintf(stderr, "tallyvolt: %s\n", line.problem.c_str());
        return 2;
    case CommandLine::Action::RunHeadless: {
#ifdef SIGPIPE
        // A reader of the records that goes away (| head) must not kill the run before its
        // footer: the write fails, the run goes on.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        HeadlessToolkit toolkit(line.headless, [](const std::string& record) {
            // A reader at the other end of a pipe sees each record as it is taken.
            std::fputs(record.c_str(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
        return StartInstance(toolkit);
    }
    case CommandLine::Action::RunWindow:
        break;
    }
    return runWindow();
}

} // namespace tallyvolt
