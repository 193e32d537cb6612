// The monitor's sample, the dialog's life and the window commands, each handed to the part
// that holds the state.
#include "monitor/Monitor.h"

#include "log/LogText.h"
#include "resources/Resource.h"

namespace tallyvolt {

namespace {

constexpr std::size_t kTrayTipMax = 63; // the tray's tip holds 63 characters

} // namespace

Monitor::Monitor(MonitorServices services)
    : m_clock(services.clock), m_power(services.power), m_processor(services.processor),
      m_log(services.clock, std::move(services.logFiles), m_settings)
{
}

bool Monitor::SetPowerDraw(int value)
{
    if (!m_settings.SetPowerDraw(value))
        return false;
    m_power.SetPowerDrawReading(m_settings.PowerDraw() ? PowerDrawReading::Read
                                                       : PowerDrawReading::Skipped);
    return true;
}

void Monitor::SetWindowPosition(const std::string& value)
{
    m_placement.Remember(MonitorSettings::ReadPosition(value));
}

void Monitor::Update(bool refreshDialog)
{
    const PowerStatus power = m_power.Read();
    ShowInTray(power);
    // Elapsed time comes from a clock that counts suspend and ignores changes of the wall
    // clock, so the rate stays "per minute of the run"; the record's stamp is wall-clock time.
    const std::int64_t now = m_clock.ElapsedSeconds();
    const std::time_t wallNow = m_clock.Now();
    m_run.AddCharge(now, power.chargePercent);
    m_figures.burnRate = m_run.BurnRateText();
    const std::optional<std::uint32_t> usage = m_processor.ReadUsage();
    TakeProcessorUsage(now, usage);
    TakePowerDraw(now, power);
    const std::string record = WriteRecord(power, usage, wallNow);
    if (m_sampleObserver)
        m_sampleObserver(power, record);
    // A window hidden in the tray shows nothing: its figures are brought up to date when it
    // comes back, and until then no sample costs a label update.
    if (refreshDialog && !m_tray.InTray())
        ShowFigures();
}

void Monitor::ShowInTray(const PowerStatus& power)
{
    m_figures.battery = tallyvolt::BatteryText(power.chargePercent);
    m_tray.Show({(std::string(text::kAppName) + ": " + m_figures.battery).substr(0, kTrayTipMax),
                 power.chargePercent, power.linePower == 1});
}

void Monitor::TakeProcessorUsage(std::int64_t now, std::optional<std::uint32_t> usage)
{
    m_figures.cpu = usage ? std::to_string(*usage) + "%" : "Unknown";
    m_run.AddUsage(now, usage);
}

void Monitor::TakePowerDraw(std::int64_t now, const PowerStatus& power)
{
    if (!m_settings.PowerDraw())
        return;
    m_figures.power = tallyvolt::PowerText(power.powerWatts);
    m_run.AddPower(now, power.powerWatts);
}

std::string Monitor::WriteRecord(const PowerStatus& power, std::optional<std::uint32_t> usage,
                                 std::time_t wallNow)
{
    m_log.ReopenIfDeleted();
    const std::optional<std::string> powerColumn =
        m_settings.PowerDraw() ? std::optional<std::string>(m_figures.power) : std::nullopt;
    std::string record = Record(m_settings.Delimiter(), FormatTimeStamp(m_clock.LocalTime(wallNow)),
                                power.chargePercent, AcText(power.linePower),
                                StateText(power.batteryState), usage, powerColumn);
    m_log.Append(record);
    return record;
}

void Monitor::ShowFigures()
{
    if (m_window)
        m_shown.Show(*m_window, m_figures, m_settings.PowerDraw());
}

bool Monitor::SetUpDialog(DialogWindow& window, TrayIcon& tray)
{
    m_window = &window;
    m_topmost = false;
    m_tray.Attach(&tray);
    // A panel that comes up after the program (a session start) still gets a window that is
    // waiting for one.
    tray.OnHostAppeared([this] { TrayHostAppeared(); });
    m_processor.StartCollecting();
    m_run.Restart();
    // The first record goes out now, before the first tick and before the window shows.
    Update(true);
    window.StartTimer(TIMER_SAMPLE, m_settings.UpdatePeriodMs());
    // Started minimised, the window stays hidden with its icon in the tray; with no tray to
    // take the icon it starts iconified instead, never hidden with nothing to bring it back,
    // until a tray turns up.
    if (m_settings.StartMinimized() && !m_tray.Enter())
        window.Iconify();
    return true;
}

void Monitor::Timer(int id)
{
    if (id != TIMER_SAMPLE || !m_window)
        return;
    // The period counts from the end of each sample.
    m_window->StopTimer(TIMER_SAMPLE);
    Update(true);
    m_window->StartTimer(TIMER_SAMPLE, m_settings.UpdatePeriodMs());
}

bool Monitor::TearDownDialog()
{
    m_processor.StopCollecting();
    if (m_window)
        m_window->StopTimer(TIMER_SAMPLE);
    m_tray.Detach();
    m_window = nullptr;
    return true;
}

bool Monitor::ShowAbout()
{
    if (!m_window)
        return false;
    m_window->ShowAbout();
    return true;
}

bool Monitor::ToggleAlwaysOnTop()
{
    if (!m_window)
        return false;
    m_topmost = !m_topmost;
    m_window->CheckMenuItem(ID_MENU_TOPMOST, m_topmost);
    m_window->SetTopmost(m_topmost);
    return true;
}

bool Monitor::HideInTray()
{
    if (!m_window)
        return false;
    // Into the tray when a tray host takes the icon; otherwise the usual iconified window, so
    // the window is never hidden with nothing to bring it back. A tray that turns up later
    // takes it then.
    if (m_tray.Enter())
        m_window->Withdraw();
    else
        m_window->Iconify();
    return true;
}

bool Monitor::TrayActivated()
{
    if (!m_window)
        return false;
    // The flag goes first: while it is set nothing may show the window.
    m_tray.Leave();
    ShowFigures(); // the samples taken in the tray
    m_window->ShowNormal();
    m_tray.RemoveIcon();
    return true;
}

void Monitor::SurfaceRequested()
{
    if (m_window && !m_tray.InTray())
        m_window->ShowNormal();
}

void Monitor::TrayHostAppeared()
{
    // Only a window iconified because no tray took its icon; one the user has brought back
    // stays where they put it.
    if (!m_tray.Waiting() || !m_window || !m_tray.Enter())
        return;
    m_window->Withdraw();
}

} // namespace tallyvolt
