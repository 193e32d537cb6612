// Files opened by their UTF-8 names on Linux: the names are the bytes the system takes.
#include "platform/FileOpening.h"

#include <fcntl.h>

namespace tallyvolt {

int OpenFileForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

std::FILE* OpenFileStream(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

// Terminals take the bytes as they are.
void ShowUtf8InConsole() {}

} // namespace tallyvolt
