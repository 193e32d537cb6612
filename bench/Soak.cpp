// Soak: a million samples through the monitor's sampling with fake readings and a fake clock,
// writing a real log, with the window hidden in the tray so the tip updates run too. Prints
// the memory growth, the log's size and its line count.
//   tallyvolt_soak [SAMPLES] [FOLDER]
#include "monitor/Monitor.h"
#include "resources/Resource.h"

#include "fakes/FakeServices.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Resident set in kB, from /proc/self/status.
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const long samples = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::string folder = std::string(argc > 2 ? argv[2] : "/tmp") + "/tallyvolt-soak-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string logPath = folder + "/soak.log";

    tallyvolt::test::FakeServices fakes;
    tallyvolt::test::FakeWindow window;
    tallyvolt::test::FakeTray tray;
    tallyvolt::Monitor dlg(fakes.Get());
    if (!dlg.SetUpdatePeriod(1) || !dlg.SetExtraInfo(1) || !dlg.OpenLog(logPath)) {
        std::fprintf(stderr, "cannot open %s\n", logPath.c_str());
        return 1;
    }
    fakes.power.Set(100, 0, tallyvolt::kBatteryHigh);
    dlg.SetUpDialog(window, tray);
    dlg.Minimize();

    const long before = ResidentKb();
    const auto start = std::chrono::steady_clock::now();
    for (long i = 1; i < samples; ++i) {
        fakes.clock.Advance(1);
        fakes.power.next.chargePercent = static_cast<std::uint8_t>(100 - (i / 36000) % 101);
        fakes.power.next.linePower = static_cast<std::uint8_t>((i / 7200) % 2);
        fakes.processor.next = static_cast<std::uint32_t>((i * 37) % 101);
        dlg.Timer(TIMER_SAMPLE);
        // The fakes keep a diary of calls; the program itself keeps nothing per sample.
        if (window.calls.size() > 1000)
            window.calls.clear();
        if (tray.calls.size() > 1000)
            tray.calls.clear();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = ResidentKb();
    dlg.TearDownDialog();
    dlg.CloseLog();

    std::ifstream log(logPath, std::ios::binary);
    long lines = 0;
    long bytes = 0;
    for (std::string line; std::getline(log, line); ++lines)
        bytes += static_cast<long>(line.size()) + 1;
    std::printf("samples: %ld in %.2f s (%.2f us each)\n", samples, seconds,
                seconds * 1e6 / static_cast<double>(samples));
    std::printf("resident set: %ld kB before, %ld kB after, growth %ld kB (limit 1024)\n", before,
                after, after - before);
    // Header and column line, one record a sample, then the footer's two lines and empty line.
    std::printf("log: %ld bytes, %ld lines (expected %ld)\n", bytes, lines, samples + 5);
    std::remove(logPath.c_str());
    ::rmdir(folder.c_str());
    return after - before < 1024 && lines == samples + 5 ? 0 : 1;
}
