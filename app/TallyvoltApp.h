// CTallyvoltApp: the application object on wxWidgets; its start-up routine does the whole run.
#pragma once

#include "platform/Toolkit.h"

#include <wx/app.h>

class CTallyvoltApp : public wxApp, public tallyvolt::Toolkit
{
public:
    // Names the program's window class before any window exists.
    bool PrepareApplication();
    // The whole run: single-instance check, settings, log, monitor, position, footer. Always
    // false: the toolkit's own main loop is never entered.
    bool StartInstance();

    void ShowMessage(const char* message, tallyvolt::MessageKind kind) override;
    std::unique_ptr<tallyvolt::TrayIcon> CreateTray(tallyvolt::MonitorEvents& monitor) override;
    void RunMonitorWindow(tallyvolt::MonitorEvents& dlg, tallyvolt::TrayIcon& tray,
                          tallyvolt::SingleInstance& instance,
                          tallyvolt::TerminationSignals* signals,
                          const std::function<void()>& endRun) override;

private:
    bool OnInit() override;
    int OnRun() override;

    int m_exitCode = 0;
};
