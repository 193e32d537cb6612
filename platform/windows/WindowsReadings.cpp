// The power status, processor usage and clocks on Windows.
#include "platform/Clock.h"
#include "platform/FirstInterval.h"
#include "platform/PowerSource.h"
#include "platform/ProcessorStatistic.h"
#include "platform/windows/BatteryRate.h"
#include "platform/windows/SystemTimes.h"

#include <windows.h>

#include <time.h>

namespace tallyvolt {
namespace win {

std::optional<std::uint32_t> UsageBetween(const SystemTimes& before, const SystemTimes& after)
{
    auto delta = [](std::uint64_t a, std::uint64_t b) { return b > a ? b - a : 0; };
    const std::uint64_t idle = delta(before.idle, after.idle);
    const std::uint64_t total = delta(before.kernel, after.kernel) + delta(before.user, after.user);
    if (total == 0)
        return std::nullopt;
    const std::uint64_t busy = total > idle ? total - idle : 0;
    return static_cast<std::uint32_t>(busy * 100 / total);
}

} // namespace win

namespace {

std::uint64_t Ticks(const FILETIME& t)
{
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

class SystemPowerSource : public PowerSource
{
public:
    PowerStatus Read() override
    {
        SYSTEM_POWER_STATUS raw{};
        PowerStatus status;
        if (::GetSystemPowerStatus(&raw)) {
            status.linePower = raw.ACLineStatus;
            status.batteryState = raw.BatteryFlag;
            status.chargePercent = raw.BatteryLifePercent;
        }
        // Every battery device is opened and asked for its rate: only with PowerDraw=1.
        if (m_drawReading == PowerDrawReading::Read)
            status.powerWatts = win::PowerDrawFrom(win::ReadBatteryRates());
        return status;
    }

    void SetPowerDrawReading(PowerDrawReading reading) override { m_drawReading = reading; }

private:
    PowerDrawReading m_drawReading = PowerDrawReading::Skipped;
};

class SystemTimesStatistic : public ProcessorStatistic
{
public:
    void StartCollecting() override
    {
        m_last = Read();
        if (m_last)
            m_first.Start();
        else
            m_first.Cancel();
    }

    std::optional<std::uint32_t> ReadUsage() override
    {
        if (m_last)
            m_first.WaitOut();
        const std::optional<win::SystemTimes> now = Read();
        if (!now)
            return std::nullopt;
        std::optional<std::uint32_t> usage;
        if (m_last)
            usage = win::UsageBetween(*m_last, *now);
        // Two samples in the same instant (Update pressed twice) repeat the last figure.
        if (!usage)
            return m_lastUsage;
        m_last = now;
        m_lastUsage = usage;
        return usage;
    }

    void StopCollecting() override
    {
        m_last.reset();
        m_lastUsage = 0;
        m_first.Cancel();
    }

private:
    static std::optional<win::SystemTimes> Read()
    {
        FILETIME idle, kernel, user;
        if (!::GetSystemTimes(&idle, &kernel, &user))
            return std::nullopt;
        return win::SystemTimes{Ticks(idle), Ticks(kernel), Ticks(user)};
    }

    std::optional<win::SystemTimes> m_last;
    std::optional<std::uint32_t> m_lastUsage = 0;
    FirstInterval m_first;
};

class WindowsClock : public Clock
{
public:
    std::time_t Now() override { return std::time(nullptr); }

    // GetTickCount64 goes on through sleep and hibernation and ignores changes of the wall
    // clock (the interrupt-time counters without bias stop during suspend).
    std::int64_t ElapsedSeconds() override
    {
        return static_cast<std::int64_t>(::GetTickCount64() / 1000);
    }

    std::tm LocalTime(std::time_t t) override
    {
        std::tm out{};
        ::localtime_s(&out, &t);
        return out;
    }
};

} // namespace

std::unique_ptr<PowerSource> CreatePowerSource()
{
    return std::make_unique<SystemPowerSource>();
}

std::unique_ptr<ProcessorStatistic> CreateProcessorStatistic()
{
    return std::make_unique<SystemTimesStatistic>();
}

std::unique_ptr<Clock> CreateSystemClock()
{
    return std::make_unique<WindowsClock>();
}

} // namespace tallyvolt
