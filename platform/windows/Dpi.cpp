// DPI look-ups and the scaling of a dialog whose DPI changed.
#include "platform/windows/Dpi.h"

#include <vector>

namespace tallyvolt::win {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using GetThreadContextFunction = HANDLE(WINAPI*)();
using ContextsEqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

template <typename Function> Function User32(const char* name)
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32)
        return nullptr;
    // The cast is how a looked-up function gets its type back.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

UINT SystemDpi()
{
    static const auto getDpiForSystem = User32<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem)
        return getDpiForSystem();
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

} // namespace

UINT WindowDpi(HWND window)
{
    static const auto getDpiForWindow = User32<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    return SystemDpi();
}

UINT TaskbarDpi()
{
    return WindowDpi(::FindWindowW(L"Shell_TrayWnd", nullptr));
}

int SmallIconSize(UINT dpi)
{
    static const auto forDpi = User32<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (forDpi)
        if (const int size = forDpi(SM_CXSMICON, dpi); size > 0)
            return size;
    // Before Windows 10 the system's size is the only one there is.
    return ::GetSystemMetrics(SM_CXSMICON);
}

bool DialogsScaleThemselves()
{
    static const auto getContext = User32<GetThreadContextFunction>("GetThreadDpiAwarenessContext");
    static const auto equal = User32<ContextsEqualFunction>("AreDpiAwarenessContextsEqual");
    // Both functions came with Windows 10 1607, the awareness version 2 with 1703.
    return getContext && equal && equal(getContext(), kPerMonitorV2);
}

int ScaleToDpi(int value, UINT oldDpi, UINT newDpi)
{
    return ::MulDiv(value, static_cast<int>(newDpi), static_cast<int>(oldDpi));
}

void ScaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, const RECT& suggested, HFONT& scaledFont)
{
    if (oldDpi == 0 || newDpi == 0)
        return;
    // The controls' font at the new size: its height is in pixels. The dialog keeps answering
    // WM_GETFONT with its template's font, so a font scaled before is the one to start from.
    HFONT font = nullptr;
    HFONT current = scaledFont;
    if (!current)
        current = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (current) {
        LOGFONTW look{};
        if (::GetObjectW(current, sizeof look, &look) == sizeof look) {
            look.lfHeight = ScaleToDpi(look.lfHeight, oldDpi, newDpi);
            font = ::CreateFontIndirectW(&look);
        }
    }
    auto scale = [&](LONG value) { return ScaleToDpi(static_cast<int>(value), oldDpi, newDpi); };
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        ::SetWindowPos(child, nullptr, scale(r.left), scale(r.top), scale(r.right - r.left),
                       scale(r.bottom - r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        if (font)
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (font) {
        if (scaledFont)
            ::DeleteObject(scaledFont);
        scaledFont = font;
    }
    // The client area scales; the frame around it is the system's, the same at every DPI
    // for a program that scales itself.
    RECT client{};
    ::GetClientRect(dialog, &client);
    RECT frame{0, 0, scale(client.right), scale(client.bottom)};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    ::SetWindowPos(dialog, nullptr, suggested.left, suggested.top, frame.right - frame.left,
                   frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace tallyvolt::win
