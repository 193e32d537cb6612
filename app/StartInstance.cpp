// The run, the same on every system: one copy per user, the settings, the log, the monitor's
// window, the remembered position and the stop footer, in that order.
#include "app/ApplySettings.h"
#include "app/Wiring.h"
#include "monitor/Monitor.h"
#include "platform/Paths.h"
#include "platform/Toolkit.h"
#include "resources/Resource.h"
#include "settings/SettingsFile.h"

#include <cstdio>
#include <functional>

namespace tallyvolt {
namespace {

// The platform's parts that exist before the settings are read.
struct RunParts
{
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<PowerSource> power;
    std::unique_ptr<ProcessorStatistic> processor;
    LogFileFactory logFiles;
    std::string settingsPath;   // the settings file in the current folder
    std::string defaultLogPath; // the log when the settings name none
};

RunParts CreateRunParts()
{
    RunParts parts;
    parts.instance = CreateSingleInstance();
    parts.clock = CreateSystemClock();
    parts.power = CreatePowerSource();
    parts.processor = CreateProcessorStatistic();
    parts.logFiles = &CreateLogFile;
    parts.settingsPath = JoinPath(CurrentDirectory(), text::kSettingsFileName);
    parts.defaultLogPath = DefaultLogPath();
    return parts;
}

} // namespace

int StartInstance(Toolkit& toolkit)
{
    RunParts parts = CreateRunParts();

    // One copy per user, claimed atomically: two copies started together cannot both win.
    switch (parts.instance->TryAcquire()) {
    case SingleInstance::Claim::AlreadyRunning:
        toolkit.ShowMessage(text::kAlreadyRunning, MessageKind::Exclamation);
        // A run without a window surfaces no window of another copy either.
        if (toolkit.HasWindow())
            parts.instance->AskRunningCopyToSurface();
        return 0;
    case SingleInstance::Claim::Unavailable:
        std::fprintf(stderr, "tallyvolt: no private runtime folder to check for another "
                             "running copy; starting anyway\n");
        break;
    case SingleInstance::Claim::Acquired:
        if (!toolkit.HasWindow())
            parts.instance->StopHearingSurfaceRequests();
        break;
    }

    Monitor dlg({*parts.clock, *parts.power, *parts.processor, parts.logFiles});
    SettingsFile settings(parts.settingsPath, text::kSettingsSection);
    settings.Load();
    if (settings.State() == ReadResult::Unreadable)
        std::fprintf(stderr,
                     "tallyvolt: cannot read %s; using the defaults and leaving it as "
                     "it is\n",
                     settings.Path().c_str());

    if (const char* refusal = ApplySettings(dlg, settings, parts.defaultLogPath)) {
        toolkit.ShowMessage(refusal, MessageKind::Error);
        return 1;
    }

    const std::optional<std::string> positionRead = dlg.GetWindowPosition();
    bool ended = false;
    const std::function<void()> endRun = [&] {
        if (ended)
            return;
        ended = true;
        // A position never known is not written: there is nothing true to write. One that did
        // not change (a run spent in the tray) leaves the file exactly as it was.
        const std::optional<std::string> position = dlg.GetWindowPosition();
        if (position && position != positionRead)
            settings.WriteString("WindowPosition", *position);
        dlg.CloseLog();
    };
    {
        std::unique_ptr<TrayIcon> tray = toolkit.CreateTray(dlg);
        // From the window's first show, a logout, a shutdown or kill ends the run as the close
        // box does: footer and position written, the claim released.
        std::unique_ptr<TerminationSignals> signals = CatchEndRequests();
        toolkit.RunMonitorWindow(dlg, *tray, *parts.instance, signals.get(), endRun);
    }
    endRun();
    return 0;
}

} // namespace tallyvolt
