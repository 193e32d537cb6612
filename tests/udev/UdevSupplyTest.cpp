// The power reader followed by udev's events, on umockdev's fake sysfs: supplies added,
// removed and changed, announced the way udev announces them. Run under umockdev-wrapper.
#include "fakes/TempFolder.h"
#include "platform/linux/SysfsPowerSource.h"
#include "platform/linux/UdevSupplyMonitor.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <string>
#include <tuple>

namespace fs = std::filesystem;
using tallyvolt::SysfsPowerSource;
using tallyvolt::UdevSupplyMonitor;
using tallyvolt::test::ReadFile;
using tallyvolt::test::TempFolder;
using tallyvolt::test::WriteFile;

namespace {

const std::string kTrees = TALLYVOLT_TEST_DATA_DIR "/power_supply";
const char* const kRoot = "/sys/class/power_supply";

using Reading = std::tuple<int, int, int>; // AC line, battery flags, percent

Reading Read(SysfsPowerSource& source)
{
    const PowerStatus status = source.Read();
    return {status.linePower, status.batteryState, status.chargePercent};
}

class UdevSupplyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_testbed = umockdev_testbed_new();
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run the tests under umockdev-wrapper";
        // udev's runtime folder as a running udev leaves it.
        fs::create_directory(m_udevRuntime / "udev");
        WriteFile(m_udevRuntime / "udev/control", "");
    }
    void TearDown() override
    {
        if (m_testbed)
            g_object_unref(m_testbed);
    }

    // A battery with its attributes and the same values in its uevent, as the kernel shows
    // them; the device's sysfs path.
    std::string AddBattery(const char* name, const char* energyNow, const char* status)
    {
        gchar* path = umockdev_testbed_add_device(
            m_testbed, "power_supply", name, nullptr, "type", "Battery", "present", "1", "status",
            status, "energy_now", energyNow, "energy_full", "40000000", nullptr,
            "POWER_SUPPLY_TYPE", "Battery", "POWER_SUPPLY_PRESENT", "1", "POWER_SUPPLY_STATUS",
            status, "POWER_SUPPLY_ENERGY_NOW", energyNow, "POWER_SUPPLY_ENERGY_FULL", "40000000",
            nullptr);
        std::string result = path;
        g_free(path);
        return result;
    }
    std::string AddAdapter(const char* name, const char* online)
    {
        gchar* path = umockdev_testbed_add_device(
            m_testbed, "power_supply", name, nullptr, "type", "Mains", "online", online, nullptr,
            "POWER_SUPPLY_TYPE", "Mains", "POWER_SUPPLY_ONLINE", online, nullptr);
        std::string result = path;
        g_free(path);
        return result;
    }
    // Changes a value in the attribute file and the uevent alike; sends no event. The testbed
    // writes a new uevent file in place of the old one, which only a listing notices.
    void Set(const std::string& device, const char* attribute, const char* key, const char* value)
    {
        umockdev_testbed_set_attribute(m_testbed, device.c_str(), attribute, value);
        umockdev_testbed_set_property(m_testbed, device.c_str(), key, value);
    }
    // Rewrites a value in the uevent file itself, as sysfs renders the same file anew: what
    // a battery's charge does between events.
    void Rewrite(const std::string& device, const std::string& key, const std::string& value)
    {
        gchar* root = umockdev_testbed_get_root_dir(m_testbed);
        const std::string path = std::string(root) + device + "/uevent";
        g_free(root);
        std::string text = ReadFile(path);
        const std::size_t start = text.find(key + "=");
        ASSERT_NE(start, std::string::npos) << key;
        const std::size_t end = text.find('\n', start);
        text.replace(start, end - start, key + "=" + value);
        std::ofstream(path, std::ios::in | std::ios::out | std::ios::trunc) << text;
    }
    void Remove(const std::string& device)
    {
        umockdev_testbed_uevent(m_testbed, device.c_str(), "remove");
        umockdev_testbed_remove_device(m_testbed, device.c_str());
    }

    // The reader as the program makes it, its events watched.
    std::unique_ptr<SysfsPowerSource> FollowedSource()
    {
        auto source = std::make_unique<SysfsPowerSource>(
            kRoot, UdevSupplyMonitor::Open(m_udevRuntime / "udev"));
        m_handle = source->WatchChanges();
        EXPECT_GE(m_handle, 0);
        return source;
    }
    // What the event loop does: waits until the descriptor is readable and hands it over.
    void TakeEvents(SysfsPowerSource& source)
    {
        pollfd ready = {m_handle, POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 5000), 1) << "no event came";
        source.TakeChanges();
        ready.revents = 0;
        EXPECT_EQ(::poll(&ready, 1, 0), 0) << "events left untaken";
    }

    UMockdevTestbed* m_testbed = nullptr;
    TempFolder m_udevRuntime;
    int m_handle = -1;
};

TEST_F(UdevSupplyTest, BatteryAddedCountsOnceItsEventIsTaken)
{
    AddAdapter("AC", "0");
    AddBattery("BAT0", "20000000", "Discharging");
    const auto source = FollowedSource();
    EXPECT_EQ(Read(*source), Reading(0, 0, 50));

    AddBattery("BAT1", "40000000", "Discharging");
    // Until the event is taken the samples read the batteries they know and list nothing:
    // that is what keeps a sample down to one read per battery.
    EXPECT_EQ(Read(*source), Reading(0, 0, 50));
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryHigh, 75)); // 60 of 80 Wh
}

TEST_F(UdevSupplyTest, BatteryRemovedStopsCounting)
{
    AddAdapter("AC", "0");
    AddBattery("BAT0", "20000000", "Discharging");
    const std::string second = AddBattery("BAT1", "40000000", "Discharging");
    const auto source = FollowedSource();
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryHigh, 75));

    Remove(second);
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(0, 0, 50));
}

TEST_F(UdevSupplyTest, LastBatteryRemovedLeavesNoBattery)
{
    AddAdapter("AC", "1");
    const std::string battery = AddBattery("BAT0", "20000000", "Charging");
    const auto source = FollowedSource();
    EXPECT_EQ(Read(*source), Reading(1, tallyvolt::kBatteryCharging, 50));

    Remove(battery);
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(1, tallyvolt::kNoSystemBattery, 255));
}

TEST_F(UdevSupplyTest, BatteryValuesAreReadAtEverySampleAndItsStatusOnChange)
{
    AddAdapter("AC", "0");
    const std::string battery = AddBattery("BAT0", "20000000", "Discharging");
    const auto source = FollowedSource();
    EXPECT_EQ(Read(*source), Reading(0, 0, 50));

    // The charge moves with no event at all: each sample reads the battery's uevent.
    Rewrite(battery, "POWER_SUPPLY_ENERGY_NOW", "10000000");
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryLow, 25));

    // A status change comes with a change event; charging says the line is on.
    Set(battery, "status", "POWER_SUPPLY_STATUS", "Charging");
    umockdev_testbed_uevent(m_testbed, battery.c_str(), "change");
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(1, tallyvolt::kBatteryLow | tallyvolt::kBatteryCharging, 25));
}

TEST_F(UdevSupplyTest, AdapterGoesOnAndOffLineWithItsEvents)
{
    const std::string adapter = AddAdapter("AC", "0");
    AddBattery("BAT0", "36000000", "Full");
    const auto source = FollowedSource();
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryHigh, 90));

    Set(adapter, "online", "POWER_SUPPLY_ONLINE", "1");
    // The adapter stands as last listed until its event is taken.
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryHigh, 90));
    umockdev_testbed_uevent(m_testbed, adapter.c_str(), "change");
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(1, tallyvolt::kBatteryHigh, 90));

    Set(adapter, "online", "POWER_SUPPLY_ONLINE", "0");
    umockdev_testbed_uevent(m_testbed, adapter.c_str(), "change");
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(0, tallyvolt::kBatteryHigh, 90));

    // Unplugged altogether: nothing says where the line stands.
    Remove(adapter);
    TakeEvents(*source);
    EXPECT_EQ(Read(*source), Reading(255, tallyvolt::kBatteryHigh, 90));
}

TEST_F(UdevSupplyTest, WithoutUdevRunningEverySampleListsTheSupplies)
{
    // No control socket: udev is not running (a container), and no event would ever come.
    TempFolder noUdev;
    EXPECT_EQ(UdevSupplyMonitor::Open(noUdev.Path()), nullptr);
    AddBattery("BAT0", "20000000", "Discharging");
    SysfsPowerSource source(kRoot, UdevSupplyMonitor::Open(noUdev.Path()));
    EXPECT_EQ(source.WatchChanges(), -1);
    EXPECT_EQ(Read(source), Reading(255, 0, 50));

    const std::string adapter = AddAdapter("AC", "1");
    EXPECT_EQ(Read(source), Reading(1, 0, 50)); // the very next sample, no event taken
    Remove(adapter);
    EXPECT_EQ(Read(source), Reading(255, 0, 50));
}

TEST_F(UdevSupplyTest, TreeThatIsNotSysfsIsListedAtEverySample)
{
    // A copy of a recorded tree (as the end-to-end tests bind-mount over the real one) hears
    // nothing from udev: the monitor is there, but its events are not about this tree.
    TempFolder copy;
    const std::string root = copy / "root";
    fs::copy(kTrees + "/thinkpad-energy-ac-offline", root, fs::copy_options::recursive);
    SysfsPowerSource source(root, UdevSupplyMonitor::Open(m_udevRuntime / "udev"));
    EXPECT_EQ(source.WatchChanges(), -1);
    const Reading before = Read(source);
    EXPECT_EQ(std::get<0>(before), 0);

    fs::remove_all(root + "/AC");
    EXPECT_EQ(std::get<0>(Read(source)), 255); // gone at the very next sample
}

} // namespace
