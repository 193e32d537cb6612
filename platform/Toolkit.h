// What the start-up asks of the toolkit that draws the program: its message boxes, and the
// monitor's window, run until the run ends.
#pragma once

#include <functional>
#include <memory>

#include "platform/MonitorEvents.h"
#include "platform/TrayIcon.h"

namespace tallyvolt {

class SingleInstance;
class TerminationSignals;

enum class MessageKind
{
    Error,
    Exclamation,
};

class Toolkit
{
public:
    virtual ~Toolkit() = default;
    // Shows `message` in a modal box captioned with the program's name, and on standard error.
    virtual void ShowMessage(const char* message, MessageKind kind) = 0;
    // The tray icon of the monitor's window, on this toolkit's trays; presses on it reach
    // `monitor`. Asked once, before RunMonitorWindow; a toolkit with no window gives an icon that
    // no tray ever takes.
    virtual std::unique_ptr<TrayIcon> CreateTray(MonitorEvents& monitor) = 0;
    // Builds the monitor's window for `monitor` with `tray` (the one CreateTray made) as its tray
    // icon, shows it (unless the run starts in the tray) and runs it until the user closes it or
    // `signals` (may be null) report a request to end. A second copy's request to surface arrives
    // through `instance`. `endRun` is the rest of the run (position and footer written; it runs
    // once): a toolkit told that the session is ending, after which the process may be stopped at
    // any moment, calls it itself before it lets the session go on.
    virtual void RunMonitorWindow(MonitorEvents& monitor, TrayIcon& tray, SingleInstance& instance,
                                  TerminationSignals* signals,
                                  const std::function<void()>& endRun) = 0;
    // False for a run with no window and no tray icon: nothing a second copy could surface.
    virtual bool HasWindow() const { return true; }
};

// The whole run on `toolkit`, from the single-instance check to the stop footer; the exit
// status. The start-up code provides it for every toolkit's entry point.
int StartInstance(Toolkit& toolkit);

} // namespace tallyvolt
