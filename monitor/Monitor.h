// The monitor: the façade the program's windows, trays and start-up talk to, over its parts:
// the validated settings, the run's log, the run's statistics, the tray state and the
// window's placement.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitor/MonitorSettings.h"
#include "monitor/Placement.h"
#include "monitor/RunLog.h"
#include "monitor/RunStatistics.h"
#include "monitor/ShownFigures.h"
#include "monitor/TrayState.h"
#include "monitor/WindowPlacement.h"
#include "platform/DialogWindow.h"
#include "platform/MonitorEvents.h"
#include "platform/MonitorServices.h"
#include "platform/TrayIcon.h"

namespace tallyvolt {

class Monitor : public MonitorEvents
{
public:
    explicit Monitor(MonitorServices services);
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Settings. Each setter returns false for an unacceptable value and then changes nothing.
    bool SetDelimiter(const std::string& name) { return m_settings.SetDelimiter(name); }
    bool SetExtraInfo(int value) { return m_settings.SetExtraInfo(value); }
    // Also tells the power source whether readings must include the power draw.
    bool SetPowerDraw(int value);
    bool SetUpdatePeriod(int seconds) { return m_settings.SetUpdatePeriod(seconds); }
    bool SetStartMinimized(int value) { return m_settings.SetStartMinimized(value); }
    // "x y": takes the numbers it finds in that order; a missing or out-of-range number and
    // everything after it leave the rest of the position as it was.
    void SetWindowPosition(const std::string& value);
    // "x y" of the remembered position, just "x" when only that is known, nullopt when
    // nothing is known.
    std::optional<std::string> GetWindowPosition() const { return m_placement.Text(); }

    // The settings file, which the log may never be.
    void SetSettingsPath(std::string path) { m_log.SetSettingsPath(std::move(path)); }

    // Log. OpenLog opens `path` for appending and, with extra info on, writes the start
    // header; true only when the log is open and the header (if due) was written.
    bool OpenLog(const std::string& path) { return m_log.Open(path); }
    // With extra info on, writes the stop footer; then closes the log.
    void CloseLog() { m_log.Close(m_run); }
    bool IsLogOpen() const { return m_log.IsOpen(); }

    // Dialog. SetUpDialog runs once the window exists and before it is first shown: it starts
    // the processor statistic, takes the first sample, starts the sampling timer and, to start
    // minimised, puts the icon in the tray.
    bool SetUpDialog(DialogWindow& window, TrayIcon& tray) override;
    // Events: see MonitorEvents.
    void Timer(int id) override;
    void UpdatePressed() override { Update(true); }
    // The window is going away: stops the processor statistic and the timer, removes the
    // tray icon.
    bool TearDownDialog() override;

    bool Minimize() override { return HideInTray(); }
    bool HideInTray() override;
    bool ToggleAlwaysOnTop() override;
    bool ShowAbout() override;
    bool TrayActivated() override;
    void TrayHostAppeared() override;
    void SurfaceRequested() override;
    void WindowRestored() override { m_tray.StopWaiting(); }

    bool IsInTray() const override { return m_tray.InTray(); }
    // The shown window can go into the tray now: a tray host is there to take the icon.
    bool CanHideInTray() const override { return m_window && m_tray.CanEnter(); }
    // Iconified only for want of a tray, and waiting for one.
    bool IsWaitingForTray() const override { return m_tray.Waiting(); }
    int WatchSupplyChanges() override { return m_power.WatchChanges(); }
    void SuppliesChanged() override { m_power.TakeChanges(); }

    // Placement. Where the window first shows, from the remembered position.
    Point FirstPlacement(int width, int height, const Rect& primaryWorkArea,
                         const std::vector<Rect>& displays) override
    {
        return m_placement.First(width, height, primaryWorkArea, displays);
    }
    // The window has come to rest at `frame` (after a move, a resize or its first show) on a
    // display whose work area is `workArea`. A moved window snaps to the work area's edges:
    // returns where it must go when that differs from where it is. The remembered position
    // follows the visible window only.
    std::optional<Point> OnWindowSettled(const Rect& frame, const Rect& workArea,
                                         bool visible) override
    {
        return m_placement.Settled(frame, workArea, visible && !m_tray.InTray());
    }
    bool IsTopmost() const override { return m_topmost; }

    // One sample: reads power and processor, advances the burn rate and the processor
    // average, appends a record to the log and, if asked, shows the figures.
    void Update(bool refreshDialog);
    void SetSampleObserver(SampleObserver observer) override
    {
        m_sampleObserver = std::move(observer);
    }

    const std::string& BatteryText() const { return m_figures.battery; }
    const std::string& BurnRateText() const { return m_run.BurnRateText(); }
    const std::string& CpuText() const { return m_figures.cpu; }
    const std::string& PowerText() const { return m_figures.power; }
    // The time-weighted mean of the run's known powers; none before any.
    std::optional<double> PowerAverage() const { return m_run.PowerAverage(); }
    double CpuAverage() const { return m_run.CpuAverage(); }
    const std::string& TrayTip() const { return m_tray.Look().tip; }

    const std::string& Delimiter() const { return m_settings.Delimiter(); }
    bool ExtraInfo() const { return m_settings.ExtraInfo(); }
    bool PowerDraw() const override { return m_settings.PowerDraw(); }
    std::uint32_t UpdatePeriodMs() const { return m_settings.UpdatePeriodMs(); }
    bool StartMinimized() const { return m_settings.StartMinimized(); }
    std::optional<std::int32_t> RememberedX() const { return m_placement.X(); }
    std::optional<std::int32_t> RememberedY() const { return m_placement.Y(); }

private:
    // The steps of a sample.
    void ShowInTray(const PowerStatus& power);
    void TakeProcessorUsage(std::int64_t now, std::optional<std::uint32_t> usage);
    void TakePowerDraw(std::int64_t now, const PowerStatus& power);
    std::string WriteRecord(const PowerStatus& power, std::optional<std::uint32_t> usage,
                            std::time_t wallNow);
    void ShowFigures();

    Clock& m_clock;
    PowerSource& m_power;
    ProcessorStatistic& m_processor;
    DialogWindow* m_window = nullptr; // while the dialog exists

    MonitorSettings m_settings;
    RunLog m_log;
    RunStatistics m_run;
    TrayState m_tray;
    WindowPlacement m_placement;
    SampleObserver m_sampleObserver;
    Figures m_figures;    // the latest sample's display texts
    ShownFigures m_shown; // what the window's controls show now
    bool m_topmost = false;
};

} // namespace tallyvolt
