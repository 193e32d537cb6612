// Whole-file reads, atomic replacements and the program's folders on Windows. Paths are UTF-8
// inside the program and go to the W functions as UTF-16.
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

namespace tallyvolt {
namespace {

struct Handle
{
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
};

bool WriteAll(HANDLE file, const std::string& content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string& content)
{
    content.clear();
    Handle file;
    file.h = ::CreateFileW(win::Widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? ReadResult::Missing
                   : ReadResult::Unreadable;
    }
    LARGE_INTEGER size;
    if (::GetFileType(file.h) != FILE_TYPE_DISK || !::GetFileSizeEx(file.h, &size) ||
        static_cast<unsigned long long>(size.QuadPart) > limit)
        return ReadResult::Unreadable;
    content.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.h, content.data() + done, static_cast<DWORD>(content.size() - done),
                        &got, nullptr)) {
            content.clear();
            return ReadResult::Unreadable;
        }
        if (got == 0)
            break;
        done += got;
    }
    content.resize(done);
    return ReadResult::Ok;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content)
{
    const std::wstring target = win::Widen(path);
    const std::wstring temporary = target + L".tallyvolt-new";
    {
        Handle file;
        file.h = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.h == INVALID_HANDLE_VALUE)
            return false;
        if (!WriteAll(file.h, content) || !::FlushFileBuffers(file.h)) {
            ::CloseHandle(file.h);
            file.h = INVALID_HANDLE_VALUE;
            ::DeleteFileW(temporary.c_str());
            return false;
        }
    }
    // The old file's attributes go to the new one before it takes the old one's place. Windows'
    // ReplaceFileW carries them itself; Wine's does not.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) != 0)
        ::SetFileAttributesW(temporary.c_str(), attributes & kKept);
    // ReplaceFileW puts the new data in the old file's place and keeps what belongs to the old
    // file: its access rights, owner, attributes (hidden, say) and alternate streams, which a
    // rename of a new file over it would drop. A read-only file is refused and left alone.
    if (::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr))
        return true;
    // No old file to keep anything of (the first write), or the old one already gone when the
    // new could not take its name: one rename, so readers see no file or the whole new one.
    const DWORD error = ::GetLastError();
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) &&
        ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
        ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(temporary.c_str());
    return false;
}

std::string CurrentDirectory()
{
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return {};
    std::vector<wchar_t> buffer(size);
    const DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
    if (length == 0 || length >= size)
        return {};
    return win::Narrow(std::wstring(buffer.data(), length));
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '\\' || folder.back() == '/')
        return folder + name;
    return folder + "\\" + name;
}

std::string DefaultLogPath()
{
    PWSTR desktop = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &desktop)))
        folder = win::Narrow(desktop);
    ::CoTaskMemFree(desktop);
    return JoinPath(folder, "TALLYVOLT.INI");
}

} // namespace tallyvolt
