// The monitor's window on wxWidgets: three figures, the Update button and the sampling timer,
// run as a shown top-level window with an event loop of its own.
#pragma once

#include "monitor/TallyvoltDlg.h"
#include "platform/DialogWindow.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/EitherTrayIcon.h"
#include "platform/linux/SniTrayIcon.h"
#include "platform/wx/WxTrayIcon.h"

#include <wx/dialog.h>
#include <wx/evtloopsrc.h>
#include <wx/timer.h>

#include <functional>
#include <memory>

class wxButton;
class wxGUIEventLoop;
class wxMenu;
class wxStaticText;

// Calls back when a descriptor the event loop watches becomes readable.
class ReadableHandler : public wxEventLoopSourceHandler
{
public:
    explicit ReadableHandler(std::function<void()> onReadable) : m_onReadable(std::move(onReadable))
    {
    }
    void OnReadWaiting() override { m_onReadable(); }
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override {}

private:
    std::function<void()> m_onReadable;
};

class MonitorWindow : public wxDialog, public tallyvolt::DialogWindow
{
public:
    explicit MonitorWindow(CTallyvoltDlg& monitor);
    ~MonitorWindow() override;

    // Brings the window to the front whenever a second copy of the program asks for it.
    void ListenForSurfaceRequests(tallyvolt::SingleInstance& instance);
    // Sets the monitor up, shows the window and runs until the user closes it.
    void Run();
    // A second copy asked for the window.
    void Surface();

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
    void BuildControls();
    void BuildWindowMenu();
    void PlaceForFirstShow();
    void OnSettled();
    void EndRun();

    CTallyvoltDlg& m_monitor;
    wxTimer m_sampleTimer;
    // X11 tells of a move only once it is over, and a drag may arrive as several; the snap
    // waits for them to stop.
    wxTimer m_settleTimer;
    // A StatusNotifierItem where the session bus has a watcher with a host (KDE Plasma,
    // GNOME's AppIndicator extension, Wayland panels), otherwise the XEmbed icon.
    tallyvolt::SniTrayIcon m_sniTray;
    tallyvolt::WxTrayIcon m_xembedTray;
    tallyvolt::EitherTrayIcon m_tray{m_sniTray, m_xembedTray};
    // X11 window managers take no items from programs for their window menu; the same
    // commands live in a context menu on the window instead.
    std::unique_ptr<wxMenu> m_windowMenu;
    wxButton* m_updateButton = nullptr;
    wxStaticText* m_battery = nullptr;
    wxStaticText* m_cpu = nullptr;
    wxStaticText* m_burnRate = nullptr;
    wxGUIEventLoop* m_loop = nullptr;
    tallyvolt::SingleInstance* m_instance = nullptr;
    std::unique_ptr<ReadableHandler> m_surfaceHandler;
    wxEventLoopSource* m_surfaceSource = nullptr;
    std::unique_ptr<tallyvolt::TerminationSignals> m_signals;
    std::unique_ptr<ReadableHandler> m_signalHandler;
    wxEventLoopSource* m_signalSource = nullptr;
    bool m_ending = false;
};
