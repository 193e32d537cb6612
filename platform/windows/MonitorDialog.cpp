// The monitor's dialog on Win32: set-up, the sampling timer, the system menu, the tray's
// callback, placement in WM_WINDOWPOSCHANGING, and the end of the run (also at logoff).
#include "resources/Resource.h"

#include "platform/Geometry.h"
#include "platform/windows/Dpi.h"
#include "platform/windows/MonitorDialog.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowMessages.h"
#include "platform/windows/WindowsTrayIcon.h"

#include <vector>

namespace tallyvolt::win {
namespace {

Rect ToRect(const RECT& r)
{
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list)
{
    reinterpret_cast<std::vector<Rect>*>(list)->push_back(ToRect(*area));
    return TRUE;
}

// The work area (the screen less its task bars) of the monitor that holds most of `frame`.
Rect WorkAreaAt(const Rect& frame)
{
    const RECT r{frame.x, frame.y, frame.Right(), frame.Bottom()};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info))
        return ToRect(info.rcWork);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return ToRect(work);
}

INT_PTR CALLBACK AboutProcedure(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(window, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// Positions at or beyond this are where Windows parks minimised windows.
constexpr int kMinimizedPosition = -32000;

} // namespace

void RegisterDialogClass(HINSTANCE instance)
{
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = ::DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN));
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOWTEXT + 1));
    wc.lpszClassName = L"Tallyvolt";
    // A failure shows as a dialog that cannot be created.
    ::RegisterClassW(&wc);
}

MonitorDialog::MonitorDialog(tallyvolt::MonitorEvents& monitor, WindowsTrayIcon& tray,
                             std::function<void()> endRun)
    : m_monitor(monitor), m_tray(tray), m_endRun(std::move(endRun))
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    m_bigIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXICON),
                                                ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    m_smallIcon = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 16, 16, LR_SHARED));
    m_taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
}

MonitorDialog::~MonitorDialog()
{
    if (m_scaledFont)
        ::DeleteObject(m_scaledFont);
}

void MonitorDialog::Run()
{
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                      &MonitorDialog::Procedure, reinterpret_cast<LPARAM>(this));
    // A dialog that could not be created still ends the run as usual.
    if (!m_window)
        m_monitor.TearDownDialog();
}

INT_PTR CALLBACK MonitorDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MonitorDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<MonitorDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_window = window;
    } else {
        self = reinterpret_cast<MonitorDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR MonitorDialog::Result(LRESULT value)
{
    ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, value);
    return TRUE;
}

INT_PTR MonitorDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_taskbarCreated && m_taskbarCreated != 0) {
        m_tray.TaskbarCreated();
        return FALSE;
    }
    switch (message) {
    case WM_INITDIALOG:
        SetUp();
        return FALSE; // the focus is set
    case WM_SYSCOMMAND:
        if (tallyvolt::DeliverSysCommand(m_monitor, static_cast<int>(wParam)))
            return Result(0);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_UPDATE && HIWORD(wParam) == BN_CLICKED) {
            m_monitor.UpdatePressed();
            return TRUE;
        }
        // Esc, the close box and Close on the system menu.
        if (LOWORD(wParam) == IDCANCEL) {
            End();
            ::EndDialog(m_window, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_TIMER:
        m_monitor.Timer(static_cast<int>(wParam));
        return FALSE;
    case WM_TRAYNOTIFY:
        return Result(tallyvolt::DeliverTrayNotify(m_monitor, static_cast<int>(lParam)));
    case WM_WINDOWPOSCHANGING:
        PositionChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return Result(0);
    case WM_SIZE:
        // Brought back by hand from the task bar: a tray that comes later leaves it alone.
        if (wParam == SIZE_RESTORED && m_monitor.IsWaitingForTray())
            m_monitor.WindowRestored();
        return FALSE;
    case WM_DPICHANGED:
        return DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_bigIcon);
    case WM_QUERYENDSESSION:
        return Result(TRUE);
    case WM_ENDSESSION:
        // Logoff or shutdown: the process may be stopped as soon as this returns, so the run
        // ends here, as Close ends it: footer and position written.
        if (wParam) {
            End();
            if (m_endRun)
                m_endRun();
        }
        return Result(0);
    default:
        return FALSE;
    }
}

void MonitorDialog::SetUp()
{
    // The window menu's own items, after a separator each.
    if (HMENU menu = ::GetSystemMenu(m_window, FALSE)) {
        wchar_t text[64];
        if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_TOPMOST, text, 64) > 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, ID_MENU_TOPMOST, text);
        }
        if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTMENU, text, 64) > 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, ID_MENU_ABOUT, text);
        }
    }
    ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    m_tray.AttachWindow(m_window);
    m_dpi = WindowDpi(m_window);
    // The power row is there only with PowerDraw=1; otherwise the dialog is as it always was.
    if (!m_monitor.PowerDraw()) {
        constexpr int kPowerLabel = 1005;
        ::DestroyWindow(::GetDlgItem(m_window, IDC_POWER));
        ::DestroyWindow(::GetDlgItem(m_window, kPowerLabel));
        RECT row{0, 0, 0, 10}; // one row, in dialog units
        ::MapDialogRect(m_window, &row);
        RECT outer{};
        ::GetWindowRect(m_window, &outer);
        ::SetWindowPos(m_window, nullptr, 0, 0, outer.right - outer.left,
                       outer.bottom - outer.top - row.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_monitor.SetUpDialog(*this, m_tray);

    // The first place, before the first show: the remembered one, or centred on the primary
    // monitor's work area; never wholly off every monitor.
    RECT frame{};
    ::GetWindowRect(m_window, &frame);
    RECT primary{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0);
    std::vector<Rect> displays;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&displays));
    const Point place = m_monitor.FirstPlacement(frame.right - frame.left, frame.bottom - frame.top,
                                                 ToRect(primary), displays);
    m_placing = true;
    ::SetWindowPos(m_window, nullptr, place.x, place.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_placing = false;
    ::SetFocus(::GetDlgItem(m_window, IDC_UPDATE));
}

void MonitorDialog::PositionChanging(WINDOWPOS& pos)
{
    // Nothing shows the window while it lives in the tray: not the dialog's first show, not a
    // second copy's request. The tray icon's press clears the flag first.
    if (m_monitor.IsInTray())
        pos.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    // A show that does not move is where the window first becomes visible: its place counts
    // as the remembered one, unsnapped.
    const bool moves = !(pos.flags & SWP_NOMOVE);
    const bool shows = (pos.flags & SWP_SHOWWINDOW) != 0;
    if (m_placing || m_ended || (!moves && !shows))
        return;
    RECT current{};
    ::GetWindowRect(m_window, &current);
    const int x = moves ? pos.x : current.left;
    const int y = moves ? pos.y : current.top;
    if (x <= kMinimizedPosition || y <= kMinimizedPosition || ::IsIconic(m_window))
        return;
    const int width = (pos.flags & SWP_NOSIZE) ? current.right - current.left : pos.cx;
    const int height = (pos.flags & SWP_NOSIZE) ? current.bottom - current.top : pos.cy;
    const Rect frame{x, y, width, height};
    const bool visible = ::IsWindowVisible(m_window) || (pos.flags & SWP_SHOWWINDOW);
    // Snapped to the edges of the work area of the monitor it is going to, while it is being
    // dragged; the remembered position follows.
    const std::optional<Point> snapped =
        m_monitor.OnWindowSettled(frame, WorkAreaAt(frame), visible);
    if (snapped && moves) {
        pos.x = snapped->x;
        pos.y = snapped->y;
    }
}

INT_PTR MonitorDialog::DpiChanged(UINT dpi, const RECT& suggested)
{
    // Moved to a screen of another scale, or the scale changed: the task bar may have changed
    // with it.
    m_tray.Redraw();
    const UINT old = m_dpi;
    m_dpi = dpi;
    // Per-monitor v2: the dialog manager rescales the controls, their font and the window.
    if (DialogsScaleThemselves())
        return FALSE;
    ScaleDialog(m_window, old, dpi, suggested, m_scaledFont);
    return Result(0);
}

void MonitorDialog::End()
{
    if (m_ended)
        return;
    m_monitor.TearDownDialog();
    m_ended = true;
}

void MonitorDialog::SetFigure(int controlId, const std::string& text)
{
    ::SetDlgItemTextW(m_window, controlId, Widen(text).c_str());
}

void MonitorDialog::StartTimer(int id, std::uint32_t milliseconds)
{
    ::SetTimer(m_window, static_cast<UINT_PTR>(id), milliseconds, nullptr);
}

void MonitorDialog::StopTimer(int id)
{
    ::KillTimer(m_window, static_cast<UINT_PTR>(id));
}

void MonitorDialog::Iconify()
{
    if (!::IsIconic(m_window))
        ::ShowWindow(m_window, SW_MINIMIZE);
}

void MonitorDialog::Withdraw()
{
    ::ShowWindow(m_window, SW_HIDE);
}

void MonitorDialog::ShowNormal()
{
    if (::IsIconic(m_window))
        ::OpenIcon(m_window);
    ::ShowWindow(m_window, SW_SHOWNORMAL);
    ::SetForegroundWindow(m_window);
}

void MonitorDialog::SetTopmost(bool topmost)
{
    ::SetWindowPos(m_window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void MonitorDialog::CheckMenuItem(int commandId, bool checked)
{
    ::CheckMenuItem(::GetSystemMenu(m_window, FALSE), static_cast<UINT>(commandId),
                    MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MonitorDialog::ShowAbout()
{
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), m_window,
                      &AboutProcedure, 0);
}

} // namespace tallyvolt::win
