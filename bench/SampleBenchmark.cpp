// The cost of one sample: the raw floor (read a battery's uevent and /proc/stat, format a
// record, one O_APPEND write) beside Update with the real Linux readers over the same
// fixture tree, the log write included and the window push left out.
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/linux/ProcStatStatistic.h"
#include "platform/linux/SysfsPowerSource.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const std::string kTree =
    std::string(TALLYVOLT_TEST_DATA_DIR) + "/power_supply/thinkpad-energy-ac-offline";

std::string TempLog()
{
    std::string folder = "/tmp/tallyvolt-bench-XXXXXX";
    if (!::mkdtemp(folder.data()))
        std::abort();
    return folder + "/bench.log";
}

// What any battery logger must do at the least, written as plainly as possible.
void RawSample(benchmark::State& state)
{
    const std::string log = TempLog();
    const int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    const std::string uevent = kTree + "/BAT0/uevent";
    char buffer[8192];
    char record[128];
    for (auto _ : state) {
        int fd = ::open(uevent.c_str(), O_RDONLY);
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        fd = ::open("/proc/stat", O_RDONLY);
        n += ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        std::time_t now = std::time(nullptr);
        std::tm local;
        ::localtime_r(&now, &local);
        const int length = std::snprintf(
            record, sizeof record, "%02d/%02d/%02d %02d:%02d:%02d\t%d%%\tOff\tHigh\t%d%%\r\n",
            local.tm_mon + 1, local.tm_mday, local.tm_year % 100, local.tm_hour, local.tm_min,
            local.tm_sec, static_cast<int>(n % 100), static_cast<int>(n % 7));
        benchmark::DoNotOptimize(::write(out, record, static_cast<std::size_t>(length)));
    }
    ::close(out);
    std::remove(log.c_str());
}
BENCHMARK(RawSample);

void UpdateSample(benchmark::State& state)
{
    const std::string log = TempLog();
    auto clock = tallyvolt::CreateSystemClock();
    tallyvolt::SysfsPowerSource power(kTree);
    // Without the wait before a run's first reading, which is no cost of a sample.
    tallyvolt::ProcStatStatistic processor("/proc/stat", std::chrono::milliseconds(0));
    tallyvolt::Monitor dlg({*clock, power, processor, &tallyvolt::CreateLogFile});
    if (!dlg.SetExtraInfo(0) || !dlg.OpenLog(log))
        std::abort();
    processor.StartCollecting();
    for (auto _ : state)
        dlg.Update(false);
    dlg.CloseLog();
    std::remove(log.c_str());
}
BENCHMARK(UpdateSample);

} // namespace

BENCHMARK_MAIN();
