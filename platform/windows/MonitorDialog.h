// The monitor's window on Win32: the dialog of template IDD_MAIN, class "Tallyvolt".
#pragma once

#include "platform/DialogWindow.h"
#include "platform/MonitorEvents.h"
#include "platform/Toolkit.h"

#include <windows.h>

#include <functional>

namespace tallyvolt::win {

class WindowsTrayIcon;

// Registers the window class "Tallyvolt" that the dialog template names and by which a second
// copy finds the first.
void RegisterDialogClass(HINSTANCE instance);

class MonitorDialog : public DialogWindow
{
public:
    MonitorDialog(tallyvolt::MonitorEvents& monitor, WindowsTrayIcon& tray,
                  std::function<void()> endRun);
    ~MonitorDialog() override;
    MonitorDialog(const MonitorDialog&) = delete;
    MonitorDialog& operator=(const MonitorDialog&) = delete;
    // Runs the dialog modally until it is closed or the session ends.
    void Run();

    void SetFigure(int controlId, const std::string& text) override;
    void StartTimer(int id, std::uint32_t milliseconds) override;
    void StopTimer(int id) override;
    void Iconify() override;
    void Withdraw() override;
    void ShowNormal() override;
    void SetTopmost(bool topmost) override;
    void CheckMenuItem(int commandId, bool checked) override;
    void ShowAbout() override;

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void SetUp();
    void PositionChanging(WINDOWPOS& pos);
    INT_PTR DpiChanged(UINT dpi, const RECT& suggested);
    void End();
    INT_PTR Result(LRESULT value);

    tallyvolt::MonitorEvents& m_monitor;
    WindowsTrayIcon& m_tray;
    std::function<void()> m_endRun;
    HWND m_window = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    UINT m_taskbarCreated = 0;
    UINT m_dpi = 0;               // the DPI the dialog is drawn at
    HFONT m_scaledFont = nullptr; // the dialog's font, once scaled to another DPI
    bool m_placing = false;
    bool m_ended = false;
};

} // namespace tallyvolt::win
