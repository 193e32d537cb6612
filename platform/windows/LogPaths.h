// How the log's path is told apart from the settings file's on Windows.
#pragma once

#include <string>

namespace tallyvolt::win {

// Whether `a` and `b` name the same file, compared as full paths without regard to case, as
// the file system compares them. Either path may name no file yet. False when either is empty.
bool SameFileName(const std::string& a, const std::string& b);

} // namespace tallyvolt::win
