// The real program's processor figures against the machine's own counters: the first record
// under a busy core and at rest, and the footer's average over a run with no battery.
#include "e2e/Session.h"

#include "fakes/BusyCore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

// One look at the machine's and the program's processor time, in clock ticks.
struct TickSample
{
    std::chrono::steady_clock::time_point at;
    long long busy = 0;    // the machine's busy ticks, all processors
    long long total = 0;   // the machine's ticks, busy and idle
    long long program = 0; // the program's own user and system ticks
};

// The machine's `cpu` line of /proc/stat (guest time is inside user) and utime and stime of
// the program (fields 14 and 15 of /proc/PID/stat, after the name, which may hold blanks).
TickSample LookAt(pid_t pid)
{
    TickSample sample;
    sample.at = std::chrono::steady_clock::now();
    std::ifstream machine("/proc/stat");
    std::string label;
    long long v[8] = {};
    machine >> label;
    for (long long& value : v)
        machine >> value;
    const long long idle = v[3] + v[4];
    sample.total = v[0] + v[1] + v[2] + v[5] + v[6] + v[7] + idle;
    sample.busy = sample.total - idle;

    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(std::min(text.rfind(')') + 2, text.size())));
    std::string skip;
    for (int i = 3; i < 14; ++i)
        fields >> skip;
    long long user = 0, system = 0;
    fields >> user >> system;
    sample.program = user + system;
    return sample;
}

// The busiest the rest of the machine (all but the program) was over any stretch of 90 ms or
// more, in percent: what a figure measured over such a stretch while the program itself
// slept could have seen.
double BusiestOthers(const std::vector<TickSample>& samples)
{
    double busiest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        for (std::size_t j = i + 1; j < samples.size(); ++j) {
            if (samples[j].at - samples[i].at < 90ms)
                continue;
            const long long total = samples[j].total - samples[i].total;
            const long long others =
                samples[j].busy - samples[i].busy - (samples[j].program - samples[i].program);
            if (total > 0)
                busiest = std::max(busiest, 100.0 * std::max(0LL, others) / total);
        }
    return busiest;
}

class Processor : public E2eTest
{
protected:
    // The first record's processor figure of a run, which then ends.
    std::optional<int> FirstFigure(Program& program)
    {
        WaitForRecords(1, 20s);
        const std::vector<Record> records = Records(Log());
        if (records.empty())
            return std::nullopt;
        EXPECT_EQ(CloseMonitor(program), 0);
        return records[0].cpu;
    }
};

} // namespace

// Regression: the statistic was read again microseconds after its start, so every run's first
// record said 0 % whatever the load.
TEST_F(Processor, FirstRecordMeasuresTheLoadOfTheMomentBusyOrAtRest)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\n");
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    {
        BusyCore busy;
        Program program(Work(), Env());
        const std::optional<int> first = FirstFigure(program);
        ASSERT_TRUE(first) << program.Errors();
        // One core of two busy is 50 %; the counters tick coarsely over a tenth of a second.
        EXPECT_GE(*first * static_cast<int>(cores), 60) << Log();
    }

    // At rest, the first figure is no more than the other programs of this shared machine
    // used at their busiest: the program's own start-up and its wait do not count.
    std::remove((Work() + "/run.log").c_str());
    Program program(Work(), Env());
    std::vector<TickSample> samples;
    WaitUntil(
        [&] {
            samples.push_back(LookAt(program.Pid()));
            return !Records(Log()).empty();
        },
        20s);
    const std::optional<int> first = FirstFigure(program);
    ASSERT_TRUE(first) << program.Errors();
    const double others = BusiestOthers(samples);
    EXPECT_LE(*first, others + 20) << samples.size() << " samples; " << Log();
}

// Regression: with no battery the processor average restarted at every sample, and the footer
// gave the last sample's usage as the run's average.
TEST_F(Processor, WithoutABatteryTheFooterAverageIsTheRecordsTimeWeightedMean)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\n");
    Program program(Work(), Env(), Battery("lime2-axp20x-no-battery"));
    ASSERT_EQ(program.WaitForWindows("Tallyvolt", 20s).size(), 1u) << program.Errors();
    {
        // A known load for most of the run, then rest: a last sample far from the mean.
        BusyCore first;
        BusyCore second;
        std::this_thread::sleep_for(10s);
    }
    std::this_thread::sleep_for(5s);
    ASSERT_EQ(CloseMonitor(program), 0);

    const std::string log = Log();
    const std::vector<Record> records = Records(log);
    ASSERT_GE(records.size(), 12u) << log;
    EXPECT_EQ(records[0].charge, 255);
    double weighted = 0;
    for (std::size_t i = 1; i < records.size(); ++i)
        weighted +=
            records[i].cpu * static_cast<double>(records[i].seconds - records[i - 1].seconds);
    const double mean = weighted / static_cast<double>(records.back().seconds - records[0].seconds);
    std::smatch footer;
    ASSERT_TRUE(std::regex_search(
        log, footer, std::regex(R"(Battery Burn Rate: Undefined\tCPU Average:(\d+\.\d\d)%\r\n)")))
        << log;
    EXPECT_NEAR(std::stod(footer[1]), mean, 5.0) << log;
}
