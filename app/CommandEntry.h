// The program's entry for every toolkit.
#pragma once

#include <functional>

namespace tallyvolt {

// Reads the command line, prints the help, the version or a usage error, runs without a window,
// or calls `runWindow` for the window. The exit status.
int RunCommandLine(int argc, const char* const* argv, const std::function<int()>& runWindow);

} // namespace tallyvolt
