// Tests of the sysfs power reader over recorded and hand-made power-supply trees.
#include "platform/linux/SysfsPowerSource.h"
#include "fakes/TempFolder.h"
#include "log/LogText.h"

#include <gtest/gtest.h>

#include <regex>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using tallyvolt::SysfsPowerSource;
using tallyvolt::test::FileExists;
using tallyvolt::test::ReadFile;
using tallyvolt::test::TempFolder;
using tallyvolt::test::WriteFile;

namespace {

const std::string kTrees = TALLYVOLT_TEST_DATA_DIR "/power_supply";

using Reading = std::tuple<int, int, int>; // AC line, battery flags, percent

Reading Read(SysfsPowerSource& source)
{
    const PowerStatus status = source.Read();
    return {status.linePower, status.batteryState, status.chargePercent};
}

Reading ReadTree(const std::string& root)
{
    SysfsPowerSource source(root);
    return Read(source);
}

// A writable copy of one tree in a temporary folder of the test's own.
class TempTree
{
public:
    explicit TempTree(const std::string& tree)
    {
        fs::copy(kTrees + "/" + tree, Root(), fs::copy_options::recursive);
    }
    std::string Root() const { return m_folder / "root"; }
    std::string File(const std::string& supply, const std::string& name) const
    {
        return Root() + "/" + supply + "/" + name;
    }
    // Sets an attribute in its file and in the uevent alike, as the kernel shows them: a key is
    // in the uevent exactly when its attribute file exists.
    void Set(const std::string& supply, const std::string& name, const std::string& value)
    {
        WriteFile(File(supply, name), value + "\n");
        EditUevent(supply, name, &value);
    }
    void Remove(const std::string& supply, const std::string& name)
    {
        fs::remove(File(supply, name));
        EditUevent(supply, name, nullptr);
    }

private:
    void EditUevent(const std::string& supply, const std::string& name, const std::string* value)
    {
        if (!FileExists(File(supply, "uevent")))
            return;
        std::string key = "POWER_SUPPLY_";
        for (char c : name)
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::istringstream in(ReadFile(File(supply, "uevent")));
        std::string out;
        bool listed = false;
        for (std::string line; std::getline(in, line);) {
            if (line.compare(0, key.size() + 1, key + "=") == 0) {
                listed = true;
                if (value)
                    out += key + "=" + *value + "\n";
            } else {
                out += line + "\n";
            }
        }
        if (value && !listed)
            out += key + "=" + *value + "\n";
        WriteFile(File(supply, "uevent"), out);
    }

    TempFolder m_folder;
};

struct ExpectedRow
{
    std::string tree;
    int charge = 0;
    int acLine = 0;
    bool charging = false;
};

std::vector<ExpectedRow> LoadExpected()
{
    std::vector<ExpectedRow> rows;
    std::ifstream in(kTrees + "/EXPECTED.tsv");
    std::string what;
    std::getline(in, what); // header
    for (ExpectedRow row; std::getline(in, row.tree, '\t') && std::getline(in, what, '\t');) {
        in >> row.charge >> row.acLine >> row.charging >> std::ws;
        rows.push_back(row);
    }
    return rows;
}

void PrintTo(const ExpectedRow& row, std::ostream* out)
{
    *out << row.tree;
}

class RecordedTree : public testing::TestWithParam<ExpectedRow>
{
};

TEST_P(RecordedTree, ReadsAsRecorded)
{
    const ExpectedRow& row = GetParam();
    const auto [ac, flags, percent] = ReadTree(kTrees + "/" + row.tree);
    EXPECT_EQ(percent, row.charge);
    EXPECT_EQ(ac, row.acLine);
    EXPECT_EQ((flags & tallyvolt::kBatteryCharging) != 0, row.charging);
    EXPECT_EQ((flags & tallyvolt::kNoSystemBattery) != 0, row.charge == 255);

    // The uevent alone and the attribute files alone must each give the same reading.
    TempTree ueventOnly(row.tree), filesOnly(row.tree);
    std::vector<fs::path> doomed;
    for (const auto& supply : fs::directory_iterator(ueventOnly.Root()))
        for (const auto& file : fs::directory_iterator(supply))
            if (file.path().filename() != "uevent")
                doomed.push_back(file.path());
    for (const auto& supply : fs::directory_iterator(filesOnly.Root()))
        doomed.push_back(supply.path() / "uevent");
    for (const fs::path& path : doomed)
        fs::remove(path);
    EXPECT_EQ(ReadTree(ueventOnly.Root()), std::make_tuple(ac, flags, percent));
    EXPECT_EQ(ReadTree(filesOnly.Root()), std::make_tuple(ac, flags, percent));
}

INSTANTIATE_TEST_SUITE_P(PowerSupply, RecordedTree, testing::ValuesIn(LoadExpected()),
                         [](const testing::TestParamInfo<ExpectedRow>& row) {
                             std::string name = row.param.tree;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(SysfsPowerSource, ReadsOwnTreesExactly)
{
    using namespace tallyvolt;
    const std::vector<std::pair<std::string, Reading>> cases = {
        {"own-energy-single", {0, 0, 60}},
        {"own-charge-single", {1, kBatteryLow | kBatteryCharging, 20}},
        {"own-capacity-only", {255, kBatteryLow | kBatteryCritical, 4}},
        {"own-two-batteries-weighted", {0, kBatteryLow, 30}},
        {"own-mouse-beside-battery", {0, kBatteryHigh, 70}},
        {"own-no-battery-ac-online", {1, kNoSystemBattery, 255}},
        {"own-usbc-charger-online", {1, kBatteryHigh, 80}},
        {"own-mixed-units", {0, 0, 57}},
        {"own-garbage-and-missing", {1, kBatteryCharging, 255}},
    };
    for (const auto& [tree, expected] : cases)
        EXPECT_EQ(ReadTree(kTrees + "/" + tree), expected) << tree;
}

TEST(SysfsPowerSource, LevelFlagsAtTheirBoundaries)
{
    using namespace tallyvolt;
    const int lowCritical = kBatteryLow | kBatteryCritical;
    const std::vector<std::pair<std::string, Reading>> cases = {
        {"0", {255, lowCritical, 0}},
        {"4", {255, lowCritical, 4}},
        {"5", {255, kBatteryLow, 5}},
        {"32", {255, kBatteryLow, 32}},
        {"33", {255, 0, 33}},
        {"66", {255, 0, 66}},
        {"67", {255, kBatteryHigh, 67}},
        {"100", {255, kBatteryHigh, 100}},
        {"150", {255, kBatteryHigh, 100}},
    };
    TempTree tree("own-capacity-only");
    SysfsPowerSource source(tree.Root());
    for (const auto& [capacity, expected] : cases) {
        tree.Set("rk817-battery", "capacity", capacity);
        EXPECT_EQ(Read(source), expected) << "capacity " << capacity;
    }
}

TEST(SysfsPowerSource, UnreadableChargeIsUnknownWithoutLevelFlags)
{
    // A number followed by far more than any sysfs attribute holds.
    const std::string junk = "30000000" + std::string(100 * 1024, ' ');
    const std::vector<std::pair<std::string, std::function<void(TempTree&)>>> cases = {
        {"full of 0", [](TempTree& t) { t.Set("BAT0", "energy_full", "0"); }},
        {"empty full", [](TempTree& t) { t.Set("BAT0", "energy_full", ""); }},
        {"negative now", [](TempTree& t) { t.Set("BAT0", "energy_now", "-5"); }},
        {"now beyond an int", [](TempTree& t) { t.Set("BAT0", "energy_now", "2147483648"); }},
        {"huge now", [&junk](TempTree& t) { t.Set("BAT0", "energy_now", junk); }},
        {"presence garbage", [](TempTree& t) { t.Set("BAT0", "present", "yes"); }},
        {"no level at all",
         [](TempTree& t) {
             for (const char* name : {"energy_now", "energy_full", "capacity"})
                 t.Remove("BAT0", name);
         }},
        {"FIFO as now (a tree read from its attribute files)",
         [](TempTree& t) {
             fs::remove(t.File("BAT0", "uevent"));
             t.Remove("BAT0", "energy_now");
             ASSERT_EQ(::mkfifo(t.File("BAT0", "energy_now").c_str(), 0600), 0);
         }},
    };
    for (const auto& [what, change] : cases) {
        TempTree tree("own-energy-single");
        change(tree);
        EXPECT_EQ(ReadTree(tree.Root()), Reading(0, 0, 255)) << what;
    }
}

TEST(SysfsPowerSource, UeventKeysAreTakenWholeAmongLookalikes)
{
    // Keys that share their first letters, or their whole start, with those the reader uses,
    // lines that are not keys, and a last line with no line feed: each value must land in
    // exactly its own field. Misread, the design energy makes 33 %, the stray status a
    // charging battery, the stray type a mains adapter.
    TempFolder folder;
    fs::create_directories(folder / "BAT0");
    WriteFile(folder / "BAT0/uevent", "POWER_SUPPLY_NAME=BAT0\n"
                                      "POWER_SUPPLY_TYPEX=Mains\n"
                                      "POWER_SUPPLY_CAPACITY_LEVEL=Critical\n"
                                      "POWER_SUPPLY_ENERGY_FULL_DESIGN=90000000\n"
                                      "POWER_SUPPLY_ENERGY_NOW_AVG=1\n"
                                      "POWER_SUPPLY_STATUS_FLAGS=Charging\n"
                                      "POWER_SUPPLY_=7\n"
                                      "POWER_SUPPLY_ENERGY_FULL\n"
                                      "ENERGY_FULL=1\n"
                                      "\n"
                                      "POWER_SUPPLY_TYPE=Battery\n"
                                      "POWER_SUPPLY_PRESENT=1\n"
                                      "POWER_SUPPLY_STATUS=Discharging\n"
                                      "POWER_SUPPLY_ENERGY_NOW=30000000\n"
                                      "POWER_SUPPLY_ENERGY_FULL=40000000");
    EXPECT_EQ(ReadTree(folder.Path()), Reading(255, tallyvolt::kBatteryHigh, 75));
}

TEST(SysfsPowerSource, EnergyPairEdgeCases)
{
    TempTree tree("own-energy-single");
    SysfsPowerSource source(tree.Root());
    // Firmware that learned a smaller full than it counts reports now above full.
    tree.Set("BAT0", "energy_now", "60000000");
    EXPECT_EQ(Read(source), Reading(0, tallyvolt::kBatteryHigh, 100));
    // Guards against using half a pair: energy_now with no energy_full to divide by.
    tree.Remove("BAT0", "energy_full");
    EXPECT_EQ(Read(source), Reading(0, 0, 60));
}

TEST(SysfsPowerSource, FollowsChangesBetweenReads)
{
    using namespace tallyvolt;
    TempTree tree("own-two-batteries-weighted");
    const std::string spare = tree.Root() + "/../BAT1";
    fs::copy(tree.Root() + "/BAT1", spare, fs::copy_options::recursive);
    SysfsPowerSource source(tree.Root());
    EXPECT_EQ(Read(source), Reading(0, kBatteryLow, 30));
    fs::remove_all(tree.Root() + "/BAT1"); // ultrabay battery pulled
    EXPECT_EQ(Read(source), Reading(0, kBatteryLow, 12));
    tree.Set("BAT0", "energy_now", "EIO");
    EXPECT_EQ(Read(source), Reading(0, 0, 255));
    tree.Set("BAT0", "energy_now", "10000000");
    fs::copy(spare, tree.Root() + "/BAT1", fs::copy_options::recursive); // and put back
    tree.Set("AC", "online", "1");
    EXPECT_EQ(Read(source), Reading(1, kBatteryLow, 30));
    for (const char* supply : {"AC", "BAT0", "BAT1"})
        fs::remove_all(tree.Root() + "/" + supply);
    EXPECT_EQ(Read(source), Reading(255, kNoSystemBattery, 255));
    fs::remove(tree.Root());
    EXPECT_EQ(Read(source), Reading(255, 255, 255));
}

TEST(SysfsPowerSource, LinePowerStates)
{
    using namespace tallyvolt;
    const std::vector<std::tuple<std::string, std::function<void(TempTree&)>, int>> cases = {
        // USB Power Delivery ports say 2 when online with a programmable supply.
        {"online 2", [](TempTree& t) { t.Set("AC", "online", "2"); }, 1},
        {"USB_PD type", [](TempTree& t) { t.Set("AC", "type", "USB_PD"); }, 1},
        {"unreadable online beside an offline adapter",
         [](TempTree& t) {
             fs::copy(t.Root() + "/AC", t.Root() + "/AC2", fs::copy_options::recursive);
             t.Set("AC", "online", "0");
             t.Set("AC2", "online", "on");
         },
         255},
        {"a peripheral's charging port",
         [](TempTree& t) {
             t.Set("AC", "type", "USB");
             t.Set("AC", "scope", "Device");
         },
         255},
    };
    for (const auto& [what, change, acLine] : cases) {
        TempTree tree("own-no-battery-ac-online");
        change(tree);
        EXPECT_EQ(ReadTree(tree.Root()), Reading(acLine, kNoSystemBattery, 255)) << what;
    }
    // The status can lag an unplug by a second or two, but a charging battery means line power.
    TempTree lagging("own-charge-single");
    lagging.Set("ADP1", "online", "0");
    EXPECT_EQ(ReadTree(lagging.Root()), Reading(1, kBatteryLow | kBatteryCharging, 20));
}

TEST(SysfsPowerSource, ReadsTheLayoutOfRealSysfs)
{
    // In sysfs the class folder holds links to device folders, and scope may say Unknown.
    TempTree tree("own-energy-single");
    TempFolder linked;
    for (const char* supply : {"AC", "BAT0"})
        fs::create_symlink(tree.Root() + "/" + supply, linked / supply);
    WriteFile(linked / "stray-file", "1\n");
    tree.Set("BAT0", "scope", "Unknown");
    EXPECT_EQ(ReadTree(linked.Path()), Reading(0, 0, 60));

    // A uevent too large to be one is passed over for the attribute files, even where its
    // start looks sound.
    WriteFile(tree.File("BAT0", "uevent"),
              "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_ENERGY_NOW=0\n" +
                  std::string(100 * 1024, '\n'));
    EXPECT_EQ(ReadTree(linked.Path()), Reading(0, 0, 60));
}

} // namespace

TEST(SysfsPowerSource, KeptFilesFollowChangesInPlaceAndReplacements)
{
    using namespace tallyvolt;
    TempTree tree("own-energy-single");
    SysfsPowerSource source(tree.Root());
    const auto first = source.Read();
    // Changed in place, as sysfs changes: the file kept open reads the new value.
    tree.Set("BAT0", "energy_now", "10000000");
    const auto inPlace = source.Read();
    // Replaced under its name, as copies of sysfs may be: read by name again.
    const std::string uevent = ReadFile(tree.File("BAT0", "uevent"));
    WriteFile(tree.File("BAT0", "uevent.new"),
              std::regex_replace(uevent, std::regex("ENERGY_NOW=\\d+"), "ENERGY_NOW=20000000"));
    fs::rename(tree.File("BAT0", "uevent.new"), tree.File("BAT0", "uevent"));
    const auto replaced = source.Read();
    EXPECT_NE(first.chargePercent, inPlace.chargePercent);
    EXPECT_EQ(replaced.chargePercent, 2 * inPlace.chargePercent);
}

namespace {

// The power draw as the log writes it, from one reading.
std::string PowerOf(SysfsPowerSource& source)
{
    return tallyvolt::PowerText(source.Read().powerWatts);
}

} // namespace

TEST(SysfsPowerSourcePower, RecordedAndOwnTrees)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        // power_now, discharging off line power
        {"thinkpad-energy-ac-offline", "5.00W"},
        // power_now 0 with status Unknown
        {"thinkpad-energy-now-above-full", "0.00W"},
        // 413 mA at 12.729 V, charging
        {"dell-charge-voltage-charging", "-5.26W"},
        // charging at 0 A: never -0.00W
        {"toshiba-acad-online-charging", "0.00W"},
        // 1 mA at 12.439 V, status Unknown, no line power reported
        {"toshiba-unknown-at-full-on-ac", "0.01W"},
        // a UPS reports power_now, but it is not the machine's battery
        {"rpi5-ups-type-ups", "Unknown"},
        // a peripheral's battery never counts
        {"logitech-g935-headset", "Unknown"},
        {"own-no-battery-ac-online", "Unknown"},
        // an empty bay whose driver still reports current and voltage
        {"lime2-axp20x-no-battery", "Unknown"},
        // 6.25 W from power_now (signed by its driver) and 0.25 A at 12 V
        {"own-two-batteries-power", "9.25W"},
    };
    for (const auto& [tree, expected] : cases) {
        SysfsPowerSource source(kTrees + "/" + tree);
        EXPECT_EQ(PowerOf(source), expected) << tree;
    }
}

TEST(SysfsPowerSourcePower, SignFollowsEachBatterysStatusAndTheLine)
{
    TempTree tree("own-two-batteries-power");
    SysfsPowerSource source(tree.Root());
    tree.Set("BAT0", "status", "Full"); // off line power: it gives all the same
    EXPECT_EQ(PowerOf(source), "9.25W");
    tree.Set("AC", "online", "1"); // on line power: it gives nothing
    EXPECT_EQ(PowerOf(source), "3.00W");
    tree.Set("BAT1", "status", "Charging"); // takes
    EXPECT_EQ(PowerOf(source), "-3.00W");
    tree.Set("AC", "online", "0"); // a charging battery proves line power all the same
    tree.Set("BAT0", "status", "Discharging");
    EXPECT_EQ(PowerOf(source), "3.25W");
    tree.Set("AC", "online", "1");
    tree.Set("BAT0", "status", "Unknown");
    tree.Set("BAT1", "status", "Not charging");
    EXPECT_EQ(PowerOf(source), "0.00W");
    tree.Set("BAT1", "current_now", "-250000"); // a driver that signs the current
    tree.Set("BAT1", "status", "Charging");
    EXPECT_EQ(PowerOf(source), "-3.00W");
}

TEST(SysfsPowerSourcePower, UnknownWhereNoCountedBatteryReportsIt)
{
    TempTree tree("own-two-batteries-power");
    SysfsPowerSource source(tree.Root());
    tree.Remove("BAT1", "voltage_now"); // current alone says nothing
    EXPECT_EQ(PowerOf(source), "6.25W");
    tree.Set("BAT0", "power_now", "EIO"); // unreadable: that battery does not count
    EXPECT_EQ(PowerOf(source), "Unknown");
    tree.Set("BAT0", "power_now", "2147483648");
    EXPECT_EQ(PowerOf(source), "Unknown");
    tree.Remove("BAT0", "power_now"); // current and voltage instead: 11.9 V, no current
    EXPECT_EQ(PowerOf(source), "Unknown");
    tree.Set("BAT0", "current_now", "500000");
    EXPECT_EQ(PowerOf(source), "5.95W");
    tree.Set("BAT0", "present", "0"); // an empty bay
    EXPECT_EQ(PowerOf(source), "Unknown");
}
