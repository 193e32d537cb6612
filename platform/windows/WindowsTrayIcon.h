// The tray icon on Windows: one Shell_NotifyIcon icon, id 1, calling back with WM_TRAYNOTIFY.
#pragma once

#include "platform/TrayIcon.h"

#include <windows.h>

namespace tallyvolt::win {

class WindowsTrayIcon : public TrayIcon
{
public:
    WindowsTrayIcon() = default;
    ~WindowsTrayIcon() override;
    WindowsTrayIcon(const WindowsTrayIcon&) = delete;
    WindowsTrayIcon& operator=(const WindowsTrayIcon&) = delete;

    // The window that owns the icon and receives its messages; until then nothing is added.
    void AttachWindow(HWND window) { m_window = window; }

    bool Add(const TrayLook& look) override;
    void Modify(const TrayLook& look) override;
    void Delete() override;
    // The task bar's window, which holds the notification area, exists.
    bool HostPresent() const override;

    // The task bar was (re)created (Explorer restarted): the icon goes back in while the
    // window lives in the tray; a window waiting for a tray hears that one has come.
    void TaskbarCreated();
    // Draws the icon again at the size the task bar's DPI asks for now.
    void Redraw();

private:
    bool Send(DWORD command);

    HWND m_window = nullptr;
    TrayLook m_look;
    HICON m_icon = nullptr;
    bool m_added = false;
};

// The drawn battery of `look` as an icon of `size` pixels; nullptr on failure.
HICON CreateBatteryIcon(const TrayLook& look, int size);

} // namespace tallyvolt::win
