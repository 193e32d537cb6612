// tallyvolt-report run from a shell, as its users run it: what it printed and its exit status.
#pragma once

#include "fakes/TempFolder.h"

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace tallyvolt::test {

struct Result
{
    int status = -1; // -1 when the shell did not exit normally
    std::string out, err;
};

// Runs `command` (shell words that name TALLYVOLT_REPORT_BINARY) with its standard output and
// error caught in the files "out" and "err" of `folder`.
inline Result RunReport(const std::string& command, const TempFolder& folder)
{
    const std::string caught = command + " >'" + folder / "out" + "' 2>'" + folder / "err" + "'";
    const int raw = std::system(caught.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(folder / "out");
    result.err = ReadFile(folder / "err");
    return result;
}

} // namespace tallyvolt::test
