// Files opened by their UTF-8 names, and the command line and console in UTF-8: the program's
// paths are UTF-8 on every system, and Windows takes them through its wide functions, so that
// names outside the code page (C:\Users\Łukasz, C:\Users\田中) open and print as they are.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tallyvolt {

// A descriptor open for reading in binary mode, not inherited by child processes; -1 with
// errno set on failure.
int OpenFileForReading(const std::string& path);

// A C stream on `path` opened with the fopen `mode`; nullptr with errno set on failure.
std::FILE* OpenFileStream(const std::string& path, const char* mode);

// The program's arguments in UTF-8, the program's name first. Windows hands main() its
// arguments in the code page; they are taken again from the wide command line.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes a console that the program writes to show UTF-8 text, until the program ends.
void ShowUtf8InConsole();

} // namespace tallyvolt
