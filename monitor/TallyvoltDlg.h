// CTallyvoltDlg: the monitor, holder of every piece of run state: settings, the log, the
// remembered window position and the run's statistics.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/RunFigures.h"
#include "monitor/Placement.h"
#include "platform/DialogWindow.h"
#include "platform/LogFile.h"
#include "platform/MonitorServices.h"
#include "platform/TrayIcon.h"

class CTallyvoltDlg
{
public:
    explicit CTallyvoltDlg(tallyvolt::MonitorServices services);
    ~CTallyvoltDlg();
    CTallyvoltDlg(const CTallyvoltDlg&) = delete;
    CTallyvoltDlg& operator=(const CTallyvoltDlg&) = delete;

    // Settings. Each setter returns false for an unacceptable value and then changes nothing.

    // "TAB", "COMMA" or "SEMICOLON", exactly so.
    bool SetDelimiter(const std::string& name);
    // 1: header, column line and footer around the records; 0: records only.
    bool SetExtraInfo(int value);
    // 1: a "Power Draw" column in the log, the average power in the footer and a "Power:"
    // figure in the window; 0: none of these.
    bool SetPowerDraw(int value);
    // 1 to 600 seconds.
    bool SetUpdatePeriod(int seconds);
    // 0 or 1.
    bool SetStartMinimized(int value);
    // "x y": takes the numbers it finds in that order; a missing or out-of-range number and
    // everything after it leave the rest of the position as it was.
    void SetWindowPosition(const std::string& value);
    // "x y" of the remembered position, just "x" when only that is known, nullopt when
    // nothing is known.
    std::optional<std::string> GetWindowPosition() const;

    // The settings file, which the log may never be.
    void SetSettingsPath(std::string path) { m_settingsPath = std::move(path); }

    // Log. OpenLog opens `path` for appending and, with extra info on, writes the start
    // header; true only when the log is open and the header (if due) was written.
    bool OpenLog(const std::string& path);
    // With extra info on, writes the stop footer; then closes the log.
    void CloseLog();
    bool IsLogOpen() const { return m_log != nullptr; }

    // Dialog. SetUpDialog runs once the window exists and before it is first shown: it starts
    // the processor statistic, takes the first sample, starts the sampling timer and, to start
    // minimised, puts the icon in the tray.
    bool SetUpDialog(tallyvolt::DialogWindow& window, tallyvolt::TrayIcon& tray);
    // The sampling timer fired: a sample, then the full period again from its end.
    void OnTimer(int id);
    // An extra sample; the timer goes on as it was.
    void OnUpdateButton();
    // The window is going away: stops the processor statistic and the timer, removes the
    // tray icon.
    bool TearDownDialog();

    // Window commands (the low four bits are ignored): About, Always on Top, and minimise or
    // Hide in Tray, which hide the window into the tray, or iconify it where no tray takes
    // the icon.
    // False for commands left to the window's default handling.
    bool OnSysCommand(int command);
    // A mouse message on the tray icon: a left button press restores the window (1); anything
    // else does nothing (0).
    int OnTrayNotify(int iconId, int mouseMessage);
    // Another copy asked for the window: it comes to the front, unless it lives in the tray.
    void OnSurfaceRequest();
    bool IsInTray() const { return m_inTray; }
    // The shown window can go into the tray now: a tray host is there to take the icon.
    bool CanHideInTray() const;
    // A tray host has appeared: a window that was iconified only because no tray took its
    // icon goes into that tray now.
    void OnTrayHostAppeared();
    // The user brought the iconified window back by hand: a tray that appears later leaves
    // it alone.
    void OnWindowRestored();
    // Iconified only for want of a tray, and waiting for one.
    bool IsWaitingForTray() const { return m_waitingForTray; }

    // Placement. Where the window first shows, from the remembered position.
    tallyvolt::Point FirstPlacement(int width, int height, const tallyvolt::Rect& primaryWorkArea,
                                    const std::vector<tallyvolt::Rect>& displays);
    // The window has come to rest at `frame` (after a move, a resize or its first show) on a
    // display whose work area is `workArea`. A moved window snaps to the work area's edges:
    // returns where it must go when that differs from where it is. The remembered position
    // follows the visible window only.
    std::optional<tallyvolt::Point> OnWindowSettled(const tallyvolt::Rect& frame,
                                                    const tallyvolt::Rect& workArea, bool visible);
    bool IsTopmost() const { return m_topmost; }

    // One sample: reads power and processor, advances the burn rate and the processor
    // average, appends a record to the log and, if asked, shows the figures.
    void Update(bool refreshDialog);
    // Called after every sample with its reading and its record as the log gets it (line end
    // included); empty for none.
    using SampleObserver = std::function<void(const PowerStatus&, const std::string& record)>;
    void SetSampleObserver(SampleObserver observer) { m_sampleObserver = std::move(observer); }
    // A descriptor that becomes readable when power supplies come, go or change, for the
    // window's event loop to watch from now on; -1 where each sample finds out by itself.
    int WatchSupplyChanges() { return m_power.WatchChanges(); }
    // The descriptor from WatchSupplyChanges() became readable.
    void OnSuppliesChanged() { m_power.TakeChanges(); }

    const std::string& BatteryText() const { return m_batteryText; }
    const std::string& BurnRateText() const { return m_burnRateText; }
    const std::string& CpuText() const { return m_cpuText; }
    const std::string& PowerText() const { return m_powerText; }
    // The time-weighted mean of the run's known powers; none before any.
    std::optional<double> PowerAverage() const;
    double CpuAverage() const { return m_cpuAverage.Value(); }
    const std::string& TrayTip() const { return m_trayLook.tip; }

    const std::string& Delimiter() const { return m_delimiter; }
    bool ExtraInfo() const { return m_extraInfo; }
    bool PowerDraw() const { return m_powerDraw; }
    std::uint32_t UpdatePeriodMs() const { return m_updatePeriod; }
    bool StartMinimized() const { return m_startMinimized; }
    std::optional<std::int32_t> RememberedX() const { return m_rememberedX; }
    std::optional<std::int32_t> RememberedY() const { return m_rememberedY; }

private:
    std::string TimeStampNow();
    // A log deleted during the run is opened afresh at its path.
    void ReopenLogIfDeleted();
    void ShowFigures();
    void ShowFigure(int controlId, const std::string& text, std::string& shown);

    tallyvolt::Clock& m_clock;
    tallyvolt::PowerSource& m_power;
    tallyvolt::ProcessorStatistic& m_processor;
    tallyvolt::LogFileFactory m_logFiles;
    tallyvolt::DialogWindow* m_window = nullptr; // while the dialog exists
    tallyvolt::TrayIcon* m_tray = nullptr;       // while the dialog exists

    // Settings.
    std::string m_delimiter = "\t";
    bool m_extraInfo = true;
    bool m_powerDraw = false;
    std::uint32_t m_updatePeriod = 60000; // milliseconds
    bool m_startMinimized = false;
    std::optional<std::int32_t> m_rememberedX; // outer top-left corner, screen pixels
    std::optional<std::int32_t> m_rememberedY;
    std::string m_settingsPath;

    // Log.
    std::unique_ptr<tallyvolt::LogFile> m_log;
    std::string m_logPath; // as given to OpenLog
    SampleObserver m_sampleObserver;

    // Display texts and run statistics.
    std::string m_batteryText;
    std::string m_burnRateText;
    std::string m_cpuText;
    std::string m_powerText = "Unknown";
    tallyvolt::TimeWeightedAverage m_cpuAverage;   // since the first sample, elapsed clock
    tallyvolt::TimeWeightedAverage m_powerAverage; // the same, over known powers
    bool m_averagesStarted = false;                // the first sample has restarted them
    std::int64_t m_startTime = 0;                  // burn rate's reference, elapsed clock
    std::uint8_t m_startPercentage = 255;          // 255: no reference taken yet

    // Tray and window state.
    tallyvolt::TrayLook m_trayLook; // tip and picture: shown, or to show once in the tray
    bool m_inTray = false;
    bool m_waitingForTray = false;
    bool m_topmost = false;
    std::optional<tallyvolt::Point> m_settledAt; // where the window last came to rest
    // What each figure control shows now, so unchanged figures are not redrawn.
    // They start as the controls' initial texts.
    std::string m_shownBattery = "100%";
    std::string m_shownCpu = "0%";
    std::string m_shownBurnRate = "Undefined";
    std::string m_shownPower = "Unknown";
};
