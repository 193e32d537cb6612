// One running copy per user session on Windows: a named mutex, held from the first moment, so
// that two copies started together cannot both run; the running copy's window is found by its
// class name to surface it.
#include "platform/SingleInstance.h"
#include "platform/windows/WideText.h"

#include <windows.h>

namespace tallyvolt {
namespace {

constexpr wchar_t kWindowClass[] = L"Tallyvolt";
// How long a second copy waits for the running copy's window to appear (both started
// together: the first has its claim but not yet its window).
constexpr DWORD kWindowWaitMilliseconds = 2000;

HWND RunningCopyWindow()
{
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = ::FindWindowW(kWindowClass, nullptr))
            return window;
        if (waited >= kWindowWaitMilliseconds)
            return nullptr;
        ::Sleep(50);
    }
}

class MutexInstance : public SingleInstance
{
public:
    explicit MutexInstance(std::wstring name) : m_name(std::move(name)) {}
    ~MutexInstance() override
    {
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }

    Claim TryAcquire() override
    {
        if (m_mutex)
            return Claim::Acquired;
        // "Local\": per session, so each user who is logged on runs a copy of their own.
        HANDLE mutex = ::CreateMutexW(nullptr, TRUE, m_name.c_str());
        if (!mutex)
            return Claim::Unavailable;
        if (::GetLastError() == ERROR_ALREADY_EXISTS) {
            ::CloseHandle(mutex);
            return Claim::AlreadyRunning;
        }
        m_mutex = mutex;
        return Claim::Acquired;
    }

    bool AskRunningCopyToSurface() override
    {
        HWND running = RunningCopyWindow();
        if (!running)
            return false;
        // A copy living in the tray keeps itself hidden: it refuses the show.
        ::ShowWindow(running, SW_SHOWNORMAL);
        ::BringWindowToTop(running);
        ::SetForegroundWindow(running);
        return true;
    }

    int SurfaceRequestHandle() const override { return -1; }
    bool TakeSurfaceRequests() override { return false; }

private:
    std::wstring m_name;
    HANDLE m_mutex = nullptr;
};

} // namespace

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& runtimeFolder)
{
    // The tests name a claim of their own; the program uses the session's.
    std::wstring name = L"Local\\Tallyvolt.SingleInstance";
    if (!runtimeFolder.empty())
        name += L"." + win::Widen(runtimeFolder);
    for (wchar_t& c : name.replace(0, 6, L"Local_"))
        if (c == L'\\')
            c = L'_';
    name.replace(0, 6, L"Local\\");
    return std::make_unique<MutexInstance>(std::move(name));
}

} // namespace tallyvolt
