// Start-up and shutdown of the program on wxWidgets: the toolkit's entry point, its message
// boxes and the monitor's window; the run itself is the start-up code's.
#include "app/TallyvoltApp.h"

#include "app/CommandEntry.h"
#include "platform/linux/WindowClass.h"
#include "platform/linux/WindowingSystem.h"
#include "platform/wx/DesktopTray.h"
#include "platform/wx/MonitorWindow.h"
#include "resources/Resource.h"

#include <wx/event.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
// After msgdlg.h, which it builds on.
#include <wx/generic/msgdlgg.h>

#include <cstdio>

wxIMPLEMENT_APP_NO_MAIN(CTallyvoltApp);

int main(int argc, char** argv)
{
    wxDISABLE_DEBUG_SUPPORT();
    // The options, and a run without a window, come before the toolkit: such a run never
    // brings it up, so it needs no display.
    return tallyvolt::RunCommandLine(argc, argv, [&] {
        // Before GTK starts: on a Wayland session that offers X11 as well, the window runs on
        // X11, where it can open where it was left, be snapped and stay on top.
        tallyvolt::ChooseToolkitBackend();
        // The toolkit gets the program's name only: the options are read already.
        int toolkitArgc = 1;
        return wxEntry(toolkitArgc, argv);
    });
}

bool CTallyvoltApp::OnInit()
{
    // The command line is not ours to parse: the base class's OnInit would reject unknown
    // arguments, and the program takes all its configuration from the settings file.
    return PrepareApplication();
}

int CTallyvoltApp::OnRun()
{
    StartInstance();
    return m_exitCode;
}

bool CTallyvoltApp::PrepareApplication()
{
    tallyvolt::RegisterWindowClass(tallyvolt::text::kAppName);
    // The icons are PNG images carried inside the program.
    wxImage::AddHandler(new wxPNGHandler);
    SetAppName(tallyvolt::text::kAppName);
    // No window of the program handles idle or update-UI events: without these modes the
    // toolkit would still walk every window with both events after each timer tick. Its own
    // per-window idle work (sizing, focus, pending redraws) runs either way.
    wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED);
    wxUpdateUIEvent::SetMode(wxUPDATE_UI_PROCESS_SPECIFIED);
    return true;
}

bool CTallyvoltApp::StartInstance()
{
    m_exitCode = tallyvolt::StartInstance(*this);
    return false;
}

void CTallyvoltApp::ShowMessage(const char* message, tallyvolt::MessageKind kind)
{
    // Also on standard error, for starts from a terminal or a session script.
    std::fprintf(stderr, "tallyvolt: %s\n", message);
    // GTK 3's own message dialog no longer shows the error or warning icon; the generic one
    // draws it from the icon theme.
    wxGenericMessageDialog box(
        nullptr, wxString::FromUTF8(message), tallyvolt::text::kAppName,
        wxOK | wxCENTRE |
            (kind == tallyvolt::MessageKind::Error ? wxICON_ERROR : wxICON_EXCLAMATION));
    box.ShowModal();
}

std::unique_ptr<tallyvolt::TrayIcon> CTallyvoltApp::CreateTray(tallyvolt::MonitorEvents& monitor)
{
    return std::make_unique<tallyvolt::DesktopTray>(monitor);
}

void CTallyvoltApp::RunMonitorWindow(tallyvolt::MonitorEvents& dlg, tallyvolt::TrayIcon& tray,
                                     tallyvolt::SingleInstance& instance,
                                     tallyvolt::TerminationSignals* signals,
                                     const std::function<void()>& /*endRun*/)
{
    // A logout reaches the program as a signal, which ends the loop: the run then ends as
    // after the close box.
    MonitorWindow window(dlg, tray, instance, signals);
    window.Run();
}
