// The real program following udev's events: supplies changed under it in umockdev's fake
// sysfs, each change announced, must show in the log at the next sample.
#include "e2e/Session.h"

#include <sstream>
#include <unistd.h>
#include <utility>

using namespace tallyvolt::test;

namespace {

using SupplyEvents = E2eTest;

// The charge and AC columns of each record.
std::vector<std::pair<std::string, std::string>> ChargeAndLine(const std::string& log)
{
    std::vector<std::pair<std::string, std::string>> columns;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] < '0' || line[0] > '9')
            continue;
        std::istringstream fields(line);
        std::string stamp, charge, ac;
        std::getline(fields, stamp, '\t');
        std::getline(fields, charge, '\t');
        std::getline(fields, ac, '\t');
        columns.emplace_back(charge, ac);
    }
    return columns;
}

} // namespace

TEST_F(SupplyEvents, AdapterAndNewBatteryShowAtTheNextSample)
{
    // Regression guard: with the monitor's descriptor unwatched, the samples would go on
    // reading the supplies of the start, the adapter off line and one battery, for good.
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=run.log\nUpdatePeriod=1\nStartMinimized=1\n");
    // A running udev's control socket, in a mount namespace of the run's own.
    const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
    const std::string command =
        "cd '" + Work() + "' && HOME='" + Home() + "' XDG_RUNTIME_DIR='" + Runtime() +
        "' NO_AT_BRIDGE=1 " + unshare +
        " sh -c 'mount -t tmpfs tmpfs /run && mkdir /run/udev && : >/run/udev/control && "
        "exec umockdev-wrapper " TALLYVOLT_SUPPLY_EVENTS_DRIVER " " TALLYVOLT_BINARY
        " run.log' 2>&1; echo \"exit $?\"";
    const std::string output = Shell(command);
    ASSERT_NE(output.find("exit 0"), std::string::npos) << output;

    const auto records = ChargeAndLine(Log());
    ASSERT_GE(records.size(), 6u) << Log();
    // The driver changes the supplies once the log holds 2, then 4 records: a sample taken
    // while an event is on its way may still show the old state, the one after it not.
    EXPECT_EQ(records[0], std::make_pair(std::string("50%"), std::string("Off")));
    EXPECT_EQ(records[1], std::make_pair(std::string("50%"), std::string("Off")));
    EXPECT_EQ(records[3].second, "On") << Log();
    EXPECT_EQ(records[5], std::make_pair(std::string("75%"), std::string("On"))) << Log();
}
