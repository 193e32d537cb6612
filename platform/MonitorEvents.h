// What the windows, trays and run loops tell the monitor, in the program's own words; each
// toolkit turns its own messages into these.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"
#include "platform/Geometry.h"
#include "platform/PowerSource.h"
#include "platform/TrayIcon.h"

namespace tallyvolt {

class MonitorEvents
{
public:
    virtual ~MonitorEvents() = default;

    // The timer `id` fired; only the sampling timer takes a sample.
    virtual void Timer(int id) = 0;
    // The Update button: an extra sample, the timer goes on as it was.
    virtual void UpdatePressed() = 0;

    // The window commands. Each returns false when there is no window to act on, leaving the
    // command to the window's default handling.
    // Minimise and Hide in Tray hide the window into the tray, or iconify it where no tray
    // takes the icon.
    virtual bool Minimize() = 0;
    virtual bool HideInTray() = 0;
    virtual bool ToggleAlwaysOnTop() = 0;
    virtual bool ShowAbout() = 0;

    // A press on the tray icon: the window comes back from the tray.
    virtual bool TrayActivated() = 0;
    // A tray host has appeared: a window iconified for want of one goes into it now.
    virtual void TrayHostAppeared() = 0;
    // Another copy asked for the window: it comes to the front, unless it lives in the tray.
    virtual void SurfaceRequested() = 0;
    // The user brought the iconified window back by hand: a tray that appears later leaves it
    // alone.
    virtual void WindowRestored() = 0;
    // A descriptor that becomes readable when power supplies come, go or change, for the run
    // loop to watch from now on; -1 where each sample finds out by itself.
    virtual int WatchSupplyChanges() = 0;
    // The descriptor from WatchSupplyChanges() became readable.
    virtual void SuppliesChanged() = 0;
    // A run loop without a window hears of every sample: its reading and its record as the log
    // gets it (line end included). An empty observer stops that.
    using SampleObserver = std::function<void(const PowerStatus&, const std::string& record)>;
    virtual void SetSampleObserver(SampleObserver observer) = 0;

    // The window's life. SetUpDialog runs once the window exists and before it first shows
    // (the first sample, the timer, the tray for a minimised start); TearDownDialog as it goes
    // away.
    virtual bool SetUpDialog(DialogWindow& window, TrayIcon& tray) = 0;
    virtual bool TearDownDialog() = 0;
    // Where a window of `width` × `height` first shows.
    virtual Point FirstPlacement(int width, int height, const Rect& primaryWorkArea,
                                 const std::vector<Rect>& displays) = 0;
    // The window has come to rest at `frame` in `workArea`: where it must snap to, when that
    // differs from `frame`.
    virtual std::optional<Point> OnWindowSettled(const Rect& frame, const Rect& workArea,
                                                 bool visible) = 0;

    // What the window asks before it draws its controls and menus.
    virtual bool PowerDraw() const = 0; // the fourth figure, "Power:"
    virtual bool IsTopmost() const = 0;
    virtual bool CanHideInTray() const = 0;
    virtual bool IsInTray() const = 0;
    virtual bool IsWaitingForTray() const = 0;
};

} // namespace tallyvolt
