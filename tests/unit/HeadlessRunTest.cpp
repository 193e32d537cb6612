// The run without a window: its samples on the monitor's period, and each way it ends.
#include "app/HeadlessRun.h"
#include "log/LogText.h"
#include "monitor/Monitor.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

// Time passes only while the run waits; the clock of the monitor moves with it. A test may
// change the battery before each wait ends, or send a request to end on a given wait.
class FakeWait : public EndRequestWait
{
public:
    explicit FakeWait(FakeClock& clock) : m_clock(clock) {}

    std::int64_t NowMilliseconds() override { return m_now; }
    bool WaitUntil(std::int64_t deadline) override
    {
        ++waits;
        if (waits == requestOnWait)
            return true;
        EXPECT_GE(deadline, m_now);
        EXPECT_EQ(deadline % 1000, 0) << "samples fall on whole seconds of the run";
        m_clock.Advance((deadline - m_now) / 1000);
        m_now = deadline;
        if (beforeSample)
            beforeSample(waits);
        return false;
    }

    int waits = 0;
    int requestOnWait = -1;
    std::function<void(int)> beforeSample;

private:
    FakeClock& m_clock;
    std::int64_t m_now = 5000;
};

class Headless : public ::testing::Test
{
protected:
    Headless()
    {
        m_dlg.SetExtraInfo(0);
        m_dlg.SetUpdatePeriod(1);
        m_dlg.OpenLog(m_dir / "run.log");
        m_fakes.power.Set(50, 0, kBatteryHigh);
        m_fakes.processor.next = 7;
    }
    HeadlessEnd Run(const HeadlessOptions& options)
    {
        return RunHeadless(m_dlg, m_tray, m_wait, options,
                           [this](const std::string& line) { m_printed += line + "|"; });
    }
    std::string Log() const { return ReadFile(m_dir / "run.log"); }
    static std::string Line(const char* stamp, const char* charge, const char* ac = "Off")
    {
        return std::string(stamp) + "\t" + charge + "\t" + ac + "\tHigh\t7%";
    }

    TempFolder m_dir;
    FakeServices m_fakes; // 12/07/26 13:05:09
    FakeTray m_tray;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
    FakeWait m_wait{m_fakes.clock};
    std::string m_printed;
};

} // namespace

TEST_F(Headless, DurationTakesItsLastSampleAtTheEndEvenBetweenPeriods)
{
    m_dlg.SetUpdatePeriod(2);
    HeadlessOptions options;
    options.durationSeconds = 5;
    EXPECT_EQ(Run(options), HeadlessEnd::TimeIsUp);
    EXPECT_EQ(Log(), Line("12/07/26 13:05:09", "50%") + "\r\n" + Line("12/07/26 13:05:11", "50%") +
                         "\r\n" + Line("12/07/26 13:05:13", "50%") + "\r\n" +
                         Line("12/07/26 13:05:14", "50%") + "\r\n");
    EXPECT_EQ(m_printed, "") << "records go to standard output only when asked";
    EXPECT_EQ(m_fakes.processor.stops, 1);

    // A duration that ends on a tick takes that one sample, not two.
    tallyvolt::Monitor again(m_fakes.Get());
    again.SetExtraInfo(0);
    again.SetUpdatePeriod(1);
    ASSERT_TRUE(again.OpenLog(m_dir / "again.log"));
    options.durationSeconds = 3;
    options.records = true;
    EXPECT_EQ(RunHeadless(again, m_tray, m_wait, options,
                          [this](const std::string& line) { m_printed += line + "|"; }),
              HeadlessEnd::TimeIsUp);
    EXPECT_EQ(m_printed, Line("12/07/26 13:05:14", "50%") + "|" + Line("12/07/26 13:05:15", "50%") +
                             "|" + Line("12/07/26 13:05:16", "50%") + "|" +
                             Line("12/07/26 13:05:17", "50%") + "|");
    EXPECT_EQ(ReadFile(m_dir / "again.log"), [&] {
        std::string log = m_printed;
        for (std::size_t at; (at = log.find('|')) != std::string::npos;)
            log.replace(at, 1, "\r\n");
        return log;
    }());
}

TEST_F(Headless, UntilChargeEndsAtTheFirstKnownChargeAtOrBelowItOffLinePower)
{
    // 22%, then 21% on line power, an unknown charge, 20% charging on line power: none ends
    // the run. 21% off line power does (at or below 21).
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> readings = {
        {21, 1}, {255, 0}, {20, 1}, {21, 0}, {15, 0}};
    m_fakes.power.Set(22, 0, kBatteryHigh);
    m_wait.beforeSample = [&](int wait) {
        m_fakes.power.next.chargePercent = readings[static_cast<std::size_t>(wait - 1)].first;
        m_fakes.power.next.linePower = readings[static_cast<std::size_t>(wait - 1)].second;
    };
    HeadlessOptions options;
    options.untilCharge = 21;
    options.durationSeconds = 600;
    EXPECT_EQ(Run(options), HeadlessEnd::ChargeReached);
    EXPECT_EQ(m_wait.waits, 4);
    EXPECT_EQ(Log(), Line("12/07/26 13:05:09", "22%") + "\r\n" +
                         Line("12/07/26 13:05:10", "21%", "On") + "\r\n" +
                         Line("12/07/26 13:05:11", "255%") + "\r\n" +
                         Line("12/07/26 13:05:12", "20%", "On") + "\r\n" +
                         Line("12/07/26 13:05:13", "21%") + "\r\n");

    // Unknown line power counts as off line: the run stops rather than let the machine die.
    tallyvolt::Monitor unknownLine(m_fakes.Get());
    m_fakes.power.Set(10, 255, kBatteryLow);
    m_wait.beforeSample = nullptr;
    EXPECT_EQ(RunHeadless(unknownLine, m_tray, m_wait, options, nullptr),
              HeadlessEnd::ChargeReached);
    EXPECT_EQ(m_wait.waits, 4) << "the first sample ends it, with no wait";
}

TEST_F(Headless, RequestToEndStopsTheWaitWithoutAnotherSample)
{
    m_wait.requestOnWait = 3;
    HeadlessOptions options;
    options.records = true;
    EXPECT_EQ(Run(options), HeadlessEnd::Requested);
    EXPECT_EQ(m_printed, Line("12/07/26 13:05:09", "50%") + "|" + Line("12/07/26 13:05:10", "50%") +
                             "|" + Line("12/07/26 13:05:11", "50%") + "|");
    EXPECT_EQ(m_fakes.processor.stops, 1);
    EXPECT_TRUE(m_tray.calls.empty() || m_tray.calls.back() == "delete");
    // After the run, samples from elsewhere no longer reach the writer.
    m_dlg.Update(true);
    EXPECT_EQ(std::count(m_printed.begin(), m_printed.end(), '|'), 3);
}

// A run without a window has no tray to hide in: minimising it never withdraws the window
// it does not have, and the tray's icon is never taken.
TEST(HeadlessToolkit, ItsTrayNeverTakesTheIcon)
{
    FakeServices fakes;
    Monitor monitor(fakes.Get());
    HeadlessToolkit toolkit({}, nullptr);
    EXPECT_FALSE(toolkit.HasWindow());
    const std::unique_ptr<TrayIcon> tray = toolkit.CreateTray(monitor);
    ASSERT_TRUE(tray);
    EXPECT_FALSE(tray->HostPresent());
    EXPECT_FALSE(tray->Add({"Tallyvolt: 50%", 50, false}));

    FakeWindow window;
    ASSERT_TRUE(monitor.SetUpDialog(window, *tray));
    EXPECT_TRUE(monitor.Minimize());
    EXPECT_FALSE(monitor.IsInTray());
    EXPECT_TRUE(monitor.IsWaitingForTray());
    EXPECT_EQ(window.calls.back(), "iconify");
    monitor.TearDownDialog();
}
