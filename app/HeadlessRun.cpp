// The sampling loop of a run without a window, and the command line that picks it.
#include "app/HeadlessRun.h"

#include "resources/Resource.h"

#include <cstdio>

namespace tallyvolt {
namespace {

// The monitor's window as a run without one has it: only its timer, kept as a deadline.
class TimerOnlyWindow : public DialogWindow
{
public:
    explicit TimerOnlyWindow(EndRequestWait& wait) : m_wait(wait) {}

    void SetFigure(int, const std::string&) override {}
    void StartTimer(int, std::uint32_t milliseconds) override
    {
        m_deadline = m_wait.NowMilliseconds() + milliseconds;
    }
    void StopTimer(int) override {}
    void Iconify() override {}
    void Withdraw() override {}
    void ShowNormal() override {}
    void SetTopmost(bool) override {}
    void CheckMenuItem(int, bool) override {}
    void ShowAbout() override {}

    std::int64_t Deadline() const { return m_deadline; }

private:
    EndRequestWait& m_wait;
    std::int64_t m_deadline = 0;
};

} // namespace

HeadlessEnd RunHeadless(MonitorEvents& dlg, TrayIcon& tray, EndRequestWait& wait,
                        const HeadlessOptions& options, const RecordWriter& writeRecord)
{
    bool chargeReached = false;
    dlg.SetSampleObserver([&](const PowerStatus& power, const std::string& record) {
        if (options.records && writeRecord)
            writeRecord(record.substr(0, record.find_last_not_of("\r\n") + 1));
        // Line power unknown counts as off: a run-down test must stop before the machine dies.
        const std::uint8_t charge = power.chargePercent;
        if (options.untilCharge && charge <= 100 && charge <= *options.untilCharge &&
            power.linePower != 1)
            chargeReached = true;
    });

    TimerOnlyWindow window(wait);
    const std::int64_t start = wait.NowMilliseconds();
    std::optional<std::int64_t> end;
    if (options.durationSeconds)
        end = start + *options.durationSeconds * 1000;
    dlg.SetUpDialog(window, tray); // the first sample

    HeadlessEnd why = HeadlessEnd::Requested;
    for (;;) {
        if (chargeReached) {
            why = HeadlessEnd::ChargeReached;
            break;
        }
        const bool last = end && *end <= window.Deadline();
        if (wait.WaitUntil(last ? *end : window.Deadline()))
            break;
        if (last) {
            dlg.UpdatePressed();
            why = chargeReached ? HeadlessEnd::ChargeReached : HeadlessEnd::TimeIsUp;
            break;
        }
        dlg.Timer(TIMER_SAMPLE);
    }
    dlg.TearDownDialog();
    dlg.SetSampleObserver(nullptr);
    return why;
}

namespace {

// The tray of a run without a window: nothing ever takes the icon.
class NoTrayIcon : public TrayIcon
{
public:
    bool Add(const TrayLook&) override { return false; }
    void Modify(const TrayLook&) override {}
    void Delete() override {}
    bool HostPresent() const override { return false; }
};

} // namespace

std::unique_ptr<TrayIcon> HeadlessToolkit::CreateTray(MonitorEvents&)
{
    return std::make_unique<NoTrayIcon>();
}

void HeadlessToolkit::ShowMessage(const char* message, MessageKind)
{
    std::fprintf(stderr, "tallyvolt: %s\n", message);
    std::fflush(stderr);
}

void HeadlessToolkit::RunMonitorWindow(MonitorEvents& dlg, TrayIcon& tray, SingleInstance&,
                                       TerminationSignals* signals,
                                       const std::function<void()>& endRun)
{
    const std::unique_ptr<EndRequestWait> wait = CreateEndRequestWait(signals, endRun);
    RunHeadless(dlg, tray, *wait, m_options, m_writeRecord);
}

} // namespace tallyvolt
