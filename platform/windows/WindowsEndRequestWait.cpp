// The wait of a run without a window on Windows: Ctrl+C, Ctrl+Break and the closing of its
// console through a console control handler; taskkill (WM_CLOSE), logoff and shutdown through a
// hidden top-level window, which has no class name a second copy looks for.
#include "platform/EndRequestWait.h"

#include <windows.h>

namespace tallyvolt {
namespace {

constexpr wchar_t kWindowClass[] = L"TallyvoltHeadless";

// The control handler runs on a thread of its own and has no context but globals.
HANDLE g_endRequested = nullptr; // a manual-reset event

BOOL WINAPI OnConsoleControl(DWORD type)
{
    if (g_endRequested)
        ::SetEvent(g_endRequested);
    switch (type) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process is ended as soon as the handler returns: the main thread writes the
        // footer meanwhile and ends the process itself. The system waits about 5 s at most.
        ::Sleep(10000);
        return TRUE;
    default:
        return TRUE; // Ctrl+C, Ctrl+Break: the main thread ends the run
    }
}

class WindowsEndRequestWait : public EndRequestWait
{
public:
    explicit WindowsEndRequestWait(std::function<void()> endRun) : m_endRun(std::move(endRun))
    {
        g_endRequested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &WindowsEndRequestWait::WindowProcedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kWindowClass;
        ::RegisterClassW(&windowClass);
        // Top-level, so that taskkill and the session's end reach it; never shown.
        m_window = ::CreateWindowExW(0, kWindowClass, L"Tallyvolt", WS_OVERLAPPED, 0, 0, 0, 0,
                                     nullptr, nullptr, instance, this);
    }

    ~WindowsEndRequestWait() override
    {
        if (m_window)
            ::DestroyWindow(m_window);
        ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
        // A handler still running holds on to the event; it goes when the process does.
    }

    std::int64_t NowMilliseconds() override
    {
        // GetTickCount64 goes on while the machine sleeps.
        return static_cast<std::int64_t>(::GetTickCount64());
    }

    bool WaitUntil(std::int64_t deadline) override
    {
        for (;;) {
            if (m_ended || ::WaitForSingleObject(g_endRequested, 0) == WAIT_OBJECT_0)
                return true;
            const std::int64_t left = deadline - NowMilliseconds();
            if (left <= 0)
                return false;
            const DWORD timeout = left > 60000 ? 60000 : static_cast<DWORD>(left);
            if (::MsgWaitForMultipleObjects(1, &g_endRequested, FALSE, timeout, QS_ALLINPUT) ==
                WAIT_OBJECT_0 + 1) {
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            }
        }
    }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self =
            reinterpret_cast<WindowsEndRequestWait*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_CLOSE: // taskkill without /F
            if (self)
                self->m_ended = true;
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // After this message the process may be ended at any moment: the footer is
            // written before it is answered.
            if (wParam && self) {
                self->m_ended = true;
                if (self->m_endRun)
                    self->m_endRun();
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    std::function<void()> m_endRun;
    HWND m_window = nullptr;
    bool m_ended = false;
};

} // namespace

std::unique_ptr<EndRequestWait> CreateEndRequestWait(TerminationSignals*,
                                                     std::function<void()> endRun)
{
    return std::make_unique<WindowsEndRequestWait>(std::move(endRun));
}

} // namespace tallyvolt
