// The monitor's window on wxWidgets: three figures (four with the power draw), the Update button
// and the sampling timer, run as a shown top-level window with an event loop of its own.
#pragma once

#include "platform/DialogWindow.h"
#include "platform/MonitorEvents.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayIcon.h"
#include "platform/linux/GLibTimer.h"

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
    // The window of `monitor`, whose icon goes to `tray`. It comes to the front whenever a
    // second copy asks through `instance`, and ends the run as its close box does when
    // `signals` (may be null) report a request to end.
    MonitorWindow(tallyvolt::MonitorEvents& monitor, tallyvolt::TrayIcon& tray,
                  tallyvolt::SingleInstance& instance, tallyvolt::TerminationSignals* signals);
    ~MonitorWindow() override;

    // Sets the monitor up, shows the window and runs until the run ends.
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

    tallyvolt::MonitorEvents& m_monitor;
    // The sampling timer is stopped and started again around every sample: it runs on one GLib
    // source for the window's life, and hands its ticks on as m_sampleTimer's events.
    wxTimer m_sampleTimer;
    tallyvolt::GLibTimer m_sampleTicks;
    // X11 tells of a move only once it is over, and a drag may arrive as several; the snap
    // waits for them to stop.
    wxTimer m_settleTimer;
    tallyvolt::TrayIcon& m_tray;
    // X11 window managers take no items from programs for their window menu; the same
    // commands live in a context menu on the window instead.
    std::unique_ptr<wxMenu> m_windowMenu;
    wxButton* m_updateButton = nullptr;
    wxStaticText* m_battery = nullptr;
    wxStaticText* m_cpu = nullptr;
    wxStaticText* m_burnRate = nullptr;
    wxStaticText* m_power = nullptr; // only with PowerDraw=1
    wxGUIEventLoop* m_loop = nullptr;
    tallyvolt::SingleInstance& m_instance;
    std::unique_ptr<ReadableHandler> m_surfaceHandler;
    wxEventLoopSource* m_surfaceSource = nullptr;
    tallyvolt::TerminationSignals* m_signals;
    std::unique_ptr<ReadableHandler> m_signalHandler;
    wxEventLoopSource* m_signalSource = nullptr;
    std::unique_ptr<ReadableHandler> m_supplyHandler;
    wxEventLoopSource* m_supplySource = nullptr;
    bool m_ending = false;
};
