// Fakes for the monitor's platform: a power source and a processor statistic that return
// what the test sets, a window that records what it is asked to do, and a bundle of them.
#pragma once

#include "fakes/FakeClock.h"
#include "platform/DialogWindow.h"
#include "platform/MonitorServices.h"
#include "platform/TrayIcon.h"

#include <map>
#include <vector>

namespace tallyvolt::test {

class FakePower : public PowerSource
{
public:
    PowerStatus Read() override { return next; }
    void SetPowerDrawReading(PowerDrawReading reading) override { drawReading = reading; }
    void Set(std::uint8_t percent, std::uint8_t ac, std::uint8_t flag)
    {
        next.chargePercent = percent;
        next.linePower = ac;
        next.batteryState = flag;
    }

    PowerStatus next;
    PowerDrawReading drawReading = PowerDrawReading::Skipped;
};

class FakeProcessor : public ProcessorStatistic
{
public:
    void StartCollecting() override { ++starts; }
    std::optional<std::uint32_t> ReadUsage() override { return next; }
    void StopCollecting() override { ++stops; }

    std::optional<std::uint32_t> next = 0;
    int starts = 0;
    int stops = 0;
};

class FakeWindow : public DialogWindow
{
public:
    void SetFigure(int controlId, const std::string& text) override
    {
        figures[controlId] = text;
        calls.push_back("figure " + std::to_string(controlId) + " " + text);
    }
    void StartTimer(int id, std::uint32_t milliseconds) override
    {
        calls.push_back("start " + std::to_string(id) + " " + std::to_string(milliseconds));
    }
    void StopTimer(int id) override { calls.push_back("stop " + std::to_string(id)); }
    void Iconify() override { calls.push_back("iconify"); }
    void Withdraw() override { calls.push_back("withdraw"); }
    void ShowNormal() override { calls.push_back("show"); }
    void SetTopmost(bool topmost) override
    {
        calls.push_back(topmost ? "topmost on" : "topmost off");
    }
    void CheckMenuItem(int commandId, bool checked) override
    {
        calls.push_back("check " + std::to_string(commandId) + (checked ? " on" : " off"));
    }
    void ShowAbout() override { calls.push_back("about"); }

    std::map<int, std::string> figures;
    std::vector<std::string> calls;
};

// A tray whose host takes the icon or not, as the test says.
class FakeTray : public TrayIcon
{
public:
    bool Add(const TrayLook& look) override
    {
        calls.push_back("add " + look.tip);
        shown = hostPresent;
        if (shown)
            current = look;
        return hostPresent;
    }
    void Modify(const TrayLook& look) override
    {
        calls.push_back("modify " + look.tip);
        if (shown)
            current = look;
    }
    void Delete() override
    {
        calls.push_back("delete");
        shown = false;
    }

    bool HostPresent() const override { return hostPresent; }

    // A panel starts: the host takes icons from now on, and says so.
    void HostComes()
    {
        hostPresent = true;
        HostAppeared();
    }

    bool hostPresent = true;
    bool shown = false;
    TrayLook current;
    std::vector<std::string> calls;
};

struct FakeServices
{
    explicit FakeServices(std::time_t now = 1796648709) : clock(now) {}
    // The log files are the real ones of this system, in folders the tests choose.
    MonitorServices Get() { return {clock, power, processor, &CreateLogFile}; }

    FakeClock clock;
    FakePower power;
    FakeProcessor processor;
};

} // namespace tallyvolt::test
