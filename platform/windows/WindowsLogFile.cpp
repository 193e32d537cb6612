// The log on Windows: opened for appending only, shared for reading only, one WriteFile per
// record.
#include "platform/LogFile.h"
#include "platform/windows/LogPaths.h"
#include "platform/windows/WideText.h"

#include <windows.h>

namespace tallyvolt {
namespace win {

bool SameFileName(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    auto full = [](const std::string& path) {
        const std::wstring wide = Widen(path);
        const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (size == 0)
            return wide;
        std::wstring out(size, L'\0');
        const DWORD length = ::GetFullPathNameW(wide.c_str(), size, out.data(), nullptr);
        out.resize(length < size ? length : 0);
        for (wchar_t& c : out)
            if (c == L'/')
                c = L'\\';
        return out.empty() ? wide : out;
    };
    const std::wstring fa = full(a), fb = full(b);
    // The file system ignores case: TALLYVOLT.INI on the desktop is tallyvolt.ini there.
    return ::CompareStringOrdinal(fa.data(), static_cast<int>(fa.size()), fb.data(),
                                  static_cast<int>(fb.size()), TRUE) == CSTR_EQUAL;
}

} // namespace win

namespace {

// Volume and file index of an open file, or of `path` when it exists.
bool FileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    return ::GetFileInformationByHandle(file, &info) != 0;
}

bool SameFile(HANDLE open, const std::string& otherPath)
{
    if (otherPath.empty())
        return false;
    HANDLE other = ::CreateFileW(win::Widen(otherPath).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    const bool same = FileIdentity(open, a) && FileIdentity(other, b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    ::CloseHandle(other);
    return same;
}

class WindowsLogFile : public LogFile
{
public:
    ~WindowsLogFile() override { Close(); }

    bool Open(const std::string& path, const std::string& protectedPath) override
    {
        if (m_file != INVALID_HANDLE_VALUE)
            return false;
        // Compared by name first: the settings file need not exist yet to be protected.
        if (win::SameFileName(path, protectedPath))
            return false;
        // Created when missing, never truncated; others may read, not write. Write access
        // beside append access lets a record cut short by a full disk be cut away again.
        HANDLE file = ::CreateFileW(
            win::Widen(path).c_str(), FILE_APPEND_DATA | FILE_WRITE_DATA | SYNCHRONIZE,
            FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
        // A directory or a device is no log; another name of the settings file neither.
        if (::GetFileType(file) != FILE_TYPE_DISK || SameFile(file, protectedPath)) {
            ::CloseHandle(file);
            if (created)
                ::DeleteFileW(win::Widen(path).c_str());
            return false;
        }
        m_file = file;
        return true;
    }

    bool Append(const std::string& text) override
    {
        if (m_file == INVALID_HANDLE_VALUE)
            return false;
        // At the end, whatever happened to the file meanwhile; we are its only writer.
        LARGE_INTEGER before{};
        const LARGE_INTEGER zero{};
        const bool sized = ::SetFilePointerEx(m_file, zero, &before, FILE_END);
        DWORD written = 0;
        // One WriteFile of whole bytes.
        if (::WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size())
            return true;
        // A full disk can take part of a record: cut it away again, so the log only ever holds
        // whole lines. We are the only writer, so the part that went out is the file's end.
        if (written > 0 && sized)
            TruncateTo(before);
        return false;
    }

    bool IsDeleted() const override
    {
        FILE_STANDARD_INFO info{};
        return m_file != INVALID_HANDLE_VALUE &&
               ::GetFileInformationByHandleEx(m_file, FileStandardInfo, &info, sizeof info) &&
               (info.DeletePending || info.NumberOfLinks == 0);
    }

    void Close() override
    {
        if (m_file != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }

private:
    void TruncateTo(LARGE_INTEGER size)
    {
        if (::SetFilePointerEx(m_file, size, nullptr, FILE_BEGIN))
            ::SetEndOfFile(m_file);
    }

    HANDLE m_file = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<LogFile> CreateLogFile()
{
    return std::make_unique<WindowsLogFile>();
}

} // namespace tallyvolt
