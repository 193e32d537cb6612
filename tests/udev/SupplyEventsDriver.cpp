// Runs the real program over umockdev's fake sysfs and changes the supplies under it as a
// kernel would, each change announced by its event: an adapter off line and a battery at 50 %;
// two records on, the adapter goes on line; two records on, a second, full battery is added;
// two records on, the program is asked to end. Run under umockdev-wrapper:
//   tallyvolt_supply_events_driver PROGRAM LOG
#include <umockdev.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Lines of the log that are records (they start with the stamp's month).
int CountRecords(const char* log)
{
    std::ifstream in(log);
    int records = 0;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            ++records;
    return records;
}

// Waits until the log holds `count` records; false after 30 seconds without.
bool WaitForRecords(const char* log, int count)
{
    for (int i = 0; i < 600; ++i) {
        if (CountRecords(log) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "no record %d in %s\n", count, log);
    return false;
}

gchar* AddBattery(UMockdevTestbed* testbed, const char* name, const char* energyNow)
{
    return umockdev_testbed_add_device(
        testbed, "power_supply", name, nullptr, "type", "Battery", "present", "1", "status",
        "Discharging", "energy_now", energyNow, "energy_full", "40000000", nullptr,
        "POWER_SUPPLY_TYPE", "Battery", "POWER_SUPPLY_PRESENT", "1", "POWER_SUPPLY_STATUS",
        "Discharging", "POWER_SUPPLY_ENERGY_NOW", energyNow, "POWER_SUPPLY_ENERGY_FULL", "40000000",
        nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROGRAM LOG\n", argv[0]);
        return 2;
    }
    const char* log = argv[2];
    UMockdevTestbed* testbed = umockdev_testbed_new();
    gchar* adapter = umockdev_testbed_add_device(
        testbed, "power_supply", "AC", nullptr, "type", "Mains", "online", "0", nullptr,
        "POWER_SUPPLY_TYPE", "Mains", "POWER_SUPPLY_ONLINE", "0", nullptr);
    g_free(AddBattery(testbed, "BAT0", "20000000"));

    const pid_t program = ::fork();
    if (program == 0) {
        ::execl(argv[1], argv[1], static_cast<char*>(nullptr));
        _exit(127);
    }
    bool ok = WaitForRecords(log, 2);
    if (ok) {
        umockdev_testbed_set_attribute(testbed, adapter, "online", "1");
        umockdev_testbed_set_property(testbed, adapter, "POWER_SUPPLY_ONLINE", "1");
        umockdev_testbed_uevent(testbed, adapter, "change");
        ok = WaitForRecords(log, 4);
    }
    if (ok) {
        g_free(AddBattery(testbed, "BAT1", "40000000"));
        ok = WaitForRecords(log, 6);
    }
    ::kill(program, SIGTERM);
    int status = 0;
    ::waitpid(program, &status, 0);
    g_free(adapter);
    g_object_unref(testbed);
    return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
