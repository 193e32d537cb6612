// Files opened by their UTF-8 names on Windows, through the wide functions; the command line
// from its wide form; UTF-8 in the console.
#include "platform/FileOpening.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>

namespace tallyvolt {
namespace {

UINT g_consoleCodePage = 0; // the console's own, given back at exit

void GiveBackConsoleCodePage()
{
    ::SetConsoleOutputCP(g_consoleCodePage);
}

bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != FALSE;
}

} // namespace

int OpenFileForReading(const std::string& path)
{
    return ::_wopen(win::Widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

std::FILE* OpenFileStream(const std::string& path, const char* mode)
{
    // "N": not inherited, as the descriptors above.
    return ::_wfopen(win::Widen(path).c_str(), win::Widen(std::string(mode) + "N").c_str());
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(win::Narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void ShowUtf8InConsole()
{
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    // Windows 7's console counts characters, not bytes, as written in code page 65001, so a
    // program writing UTF-8 there sees short writes; it keeps its own code page (names outside
    // it show as that code page shows them).
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    const DWORDLONG condition =
        ::VerSetConditionMask(::VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                              VER_MINORVERSION, VER_GREATER_EQUAL);
    if (!::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition))
        return;
    const UINT current = ::GetConsoleOutputCP();
    if (current == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8))
        return;
    // The console outlives the program: the window it was started from gets its code page back.
    g_consoleCodePage = current;
    std::atexit(&GiveBackConsoleCodePage);
}

} // namespace tallyvolt
