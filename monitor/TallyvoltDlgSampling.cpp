// One sample: the readings, the run's statistics, the log record and the figures.
#include "monitor/TallyvoltDlg.h"

#include "log/LogText.h"
#include "resources/Resource.h"

namespace {

constexpr std::uint8_t kNoReference = 255;
constexpr std::size_t kTrayTipMax = 63; // the tray's tip holds 63 characters

} // namespace

void CTallyvoltDlg::Update(bool refreshDialog)
{
    const PowerStatus power = m_power.Read();
    const std::string acText = tallyvolt::AcText(power.acLineStatus);
    const std::string stateText = tallyvolt::StateText(power.batteryFlag);
    const std::uint8_t percent = power.batteryLifePercent;
    m_batteryText = tallyvolt::BatteryText(percent);
    // The icon changes only when what it shows changes: setting it costs the desktop a redraw.
    const tallyvolt::TrayLook look{
        (std::string(tallyvolt::text::kAppName) + ": " + m_batteryText).substr(0, kTrayTipMax),
        percent, power.acLineStatus == 1};
    if (look != m_trayLook) {
        m_trayLook = look;
        if (m_inTray && m_tray)
            m_tray->Modify(look);
    }

    // Elapsed time comes from a clock that counts suspend and ignores changes of the wall
    // clock, so the rate stays "per minute of the run"; the record's stamp is wall-clock time.
    const std::int64_t now = m_clock.ElapsedSeconds();
    const std::time_t wallNow = m_clock.Now();

    // The processor and power averages run from the run's first sample, whatever the charge:
    // the footer names them the run's averages.
    if (!m_averagesStarted) {
        m_cpuAverage.Restart(now);
        m_powerAverage.Restart(now);
        m_averagesStarted = true;
    }
    // Until a known charge has been seen, every sample takes the burn rate's reference anew.
    if (m_startPercentage == kNoReference) {
        m_startPercentage = percent;
        m_startTime = now;
    }
    const std::int64_t elapsed = now - m_startTime;

    // An unknown charge after the reference says nothing about the drain; counting it as 255%
    // would show a huge negative rate. Such a sample leaves the rate as it was.
    const bool chargeKnown = percent <= 100;
    if (chargeKnown || m_startPercentage == kNoReference) {
        m_burnRateText = "Undefined";
        if (elapsed != 0)
            m_burnRateText =
                tallyvolt::BurnRateText(tallyvolt::BurnRate(m_startPercentage, percent, elapsed));
    }

    const std::optional<std::uint32_t> usage = m_processor.ReadUsage();
    m_cpuText = usage ? std::to_string(*usage) + "%" : "Unknown";
    if (usage)
        m_cpuAverage.Add(*usage, now);

    if (m_powerDraw) {
        m_powerText = tallyvolt::PowerText(power.powerWatts);
        if (power.powerWatts)
            m_powerAverage.Add(*power.powerWatts, now);
    }

    ReopenLogIfDeleted();
    const std::optional<std::string> powerColumn =
        m_powerDraw ? std::optional<std::string>(m_powerText) : std::nullopt;
    const std::string record =
        tallyvolt::Record(m_delimiter, tallyvolt::FormatTimeStamp(m_clock.LocalTime(wallNow)),
                          percent, acText, stateText, usage, powerColumn);
    if (m_log)
        m_log->Append(record);
    if (m_sampleObserver)
        m_sampleObserver(power, record);

    // A window hidden in the tray shows nothing: its figures are brought up to date when it
    // comes back, and until then no sample costs a label update.
    if (refreshDialog && !m_inTray)
        ShowFigures();
}

void CTallyvoltDlg::ShowFigures()
{
    if (!m_window)
        return;
    ShowFigure(IDC_BATTERY, m_batteryText, m_shownBattery);
    ShowFigure(IDC_BURNRATE, m_burnRateText, m_shownBurnRate);
    ShowFigure(IDC_CPU, m_cpuText, m_shownCpu);
    if (m_powerDraw)
        ShowFigure(IDC_POWER, m_powerText, m_shownPower);
}

std::optional<double> CTallyvoltDlg::PowerAverage() const
{
    if (!m_powerAverage.HasValue())
        return std::nullopt;
    return m_powerAverage.Value();
}

void CTallyvoltDlg::ShowFigure(int controlId, const std::string& text, std::string& shown)
{
    // Only a changed figure reaches the window: no redraw, no wake-up when nothing changed.
    if (text == shown)
        return;
    m_window->SetFigure(controlId, text);
    shown = text;
}
