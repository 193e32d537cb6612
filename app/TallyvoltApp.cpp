// Start-up and shutdown of the program.
#include "app/TallyvoltApp.h"

#include "app/ApplySettings.h"
#include "monitor/MonitorWindow.h"
#include "monitor/TallyvoltDlg.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"
#include "platform/SingleInstance.h"
#include "platform/WindowClass.h"
#include "platform/WindowingSystem.h"
#include "resources/Resource.h"

#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/generic/msgdlgg.h>

#include <cstdio>

wxIMPLEMENT_APP_NO_MAIN(CTallyvoltApp);

int main(int argc, char** argv)
{
    wxDISABLE_DEBUG_SUPPORT();
    // Before GTK starts: on a Wayland session that offers X11 as well, the window runs on X11,
    // where it can open where it was left, be snapped and stay on top.
    tallyvolt::ChooseToolkitBackend();
    return wxEntry(argc, argv);
}

namespace {

enum class MessageKind
{
    Error,
    Exclamation,
};

void ShowMessage(const char* message, MessageKind kind)
{
    // Also on standard error, for starts from a terminal or a session script.
    std::fprintf(stderr, "tallyvolt: %s\n", message);
    // GTK 3's own message dialog no longer shows the error or warning icon; the generic one
    // draws it from the icon theme.
    wxGenericMessageDialog box(nullptr, wxString::FromUTF8(message), tallyvolt::text::kAppName,
                               wxOK | wxCENTRE |
                                   (kind == MessageKind::Error ? wxICON_ERROR : wxICON_EXCLAMATION));
    box.ShowModal();
}

} // namespace

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
    return true;
}

bool CTallyvoltApp::StartInstance()
{
    using namespace tallyvolt;

    // One copy per user, claimed atomically: two copies started together cannot both win.
    std::unique_ptr<SingleInstance> instance = CreateSingleInstance();
    switch (instance->TryAcquire()) {
    case SingleInstance::Claim::AlreadyRunning:
        ShowMessage(text::kAlreadyRunning, MessageKind::Exclamation);
        instance->AskRunningCopyToSurface();
        return false;
    case SingleInstance::Claim::Unavailable:
        std::fprintf(stderr, "tallyvolt: no private runtime folder to check for another "
                             "running copy; starting anyway\n");
        break;
    case SingleInstance::Claim::Acquired:
        break;
    }

    std::unique_ptr<Clock> clock = CreateSystemClock();
    std::unique_ptr<PowerSource> power = CreatePowerSource();
    std::unique_ptr<ProcessorStatistic> processor = CreateProcessorStatistic();
    CTallyvoltDlg dlg({*clock, *power, *processor});
    SettingsFile settings(JoinPath(CurrentDirectory(), text::kSettingsFileName),
                          text::kSettingsSection);
    settings.Load();
    if (settings.State() == ReadResult::Unreadable)
        std::fprintf(stderr, "tallyvolt: cannot read %s; using the defaults and leaving it as "
                             "it is\n", settings.Path().c_str());

    if (const char* refusal = ApplySettings(dlg, settings, DefaultLogPath())) {
        ShowMessage(refusal, MessageKind::Error);
        m_exitCode = 1;
        return false;
    }

    const std::optional<std::string> positionRead = dlg.GetWindowPosition();
    {
        MonitorWindow window(dlg);
        window.ListenForSurfaceRequests(*instance);
        window.Run();
    }

    // A position never known is not written: there is nothing true to write. One that did not
    // change (a run spent in the tray) leaves the file exactly as it was.
    const std::optional<std::string> position = dlg.GetWindowPosition();
    if (position && position != positionRead)
        settings.WriteString("WindowPosition", *position);
    dlg.CloseLog();
    return false;
}
