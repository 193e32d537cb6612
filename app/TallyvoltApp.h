// CTallyvoltApp: the application object; its start-up routine does the whole run.
#pragma once

#include <wx/app.h>

class CTallyvoltApp : public wxApp
{
public:
    // Names the program's window class before any window exists.
    bool PrepareApplication();
    // The whole run: single-instance check, settings, log, monitor, position, footer. Always
    // false: the toolkit's own main loop is never entered.
    bool StartInstance();

private:
    bool OnInit() override;
    int OnRun() override;

    int m_exitCode = 0;
};
