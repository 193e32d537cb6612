// The chart's readings: what the first one learns of each run (its range, gap threshold and
// power scale), and how the second one breaks and marks the lines.
#include "report/ChartReadings.h"

#include <gtest/gtest.h>

using namespace tallyvolt::report;
using tallyvolt::LocalSeconds;

namespace {

using LogRun = tallyvolt::report::Run;

Record At(LocalSeconds time, LinePower ac = LinePower::Off, std::optional<double> power = {})
{
    Record r;
    r.time = r.at = time;
    r.charge = 50;
    r.cpu = 10;
    r.ac = ac;
    r.power = power;
    return r;
}

LogRun NumberedRun(int number, std::vector<Record> records)
{
    LogRun run;
    run.number = number;
    run.file = "a.log";
    run.records = std::move(records);
    return run;
}

void Read(RunSink& reading, const std::vector<LogRun>& runs)
{
    for (const LogRun& run : runs) {
        for (const Record& r : run.records)
            reading.Record(run, r);
        reading.RunEnded(run);
    }
}

TEST(ChartFirstReading, RangeGapAndPowerScaleOfEachRunWithSamples)
{
    // Out of order stamps (a clock set back) still give the earliest and latest.
    const std::vector<LogRun> runs = {
        NumberedRun(
            1, {At(1000, LinePower::Off, 6.5), At(1060), At(1020), At(1200, LinePower::On, -3.0)}),
        NumberedRun(2, {}), // no samples: nothing to draw
        NumberedRun(3, {At(5000), At(5030), At(5060), At(5090), At(9000)})};
    std::vector<RunFacts> facts;
    FactsReading reading(std::nullopt, facts);
    Read(reading, runs);
    ASSERT_EQ(facts.size(), 2u);
    EXPECT_EQ(facts[0].number, 1);
    EXPECT_EQ(facts[0].first, 1000);
    EXPECT_EQ(facts[0].last, 1200);
    EXPECT_TRUE(facts[0].hasPower);
    EXPECT_EQ(facts[0].powerLow, -3.0);
    EXPECT_EQ(facts[0].powerHigh, 6.5);
    EXPECT_EQ(facts[1].number, 3);
    EXPECT_FALSE(facts[1].hasPower);
    EXPECT_EQ(facts[1].powerLow, 0); // the power scale takes in zero
    EXPECT_EQ(facts[1].powerHigh, 1);
    EXPECT_EQ(facts[1].gap, 3 * 30); // three times the median interval

    std::vector<RunFacts> withPeriod;
    FactsReading periodic(LocalSeconds{20}, withPeriod);
    Read(periodic, runs);
    EXPECT_EQ(withPeriod[1].gap, 60); // three periods, as given
}

TEST(ChartSecondReading, LinesBreakAtGapsAndPowerChangesAreMarkedApart)
{
    // A sample a minute over ten hours with a gap of an hour; line power on and off twice within
    // a few pixels (only the first of each marked), and on again hours later.
    std::vector<Record> records;
    for (LocalSeconds t = 0; t <= 600; t += 60)
        records.push_back(At(100000 + t, t == 300 || t == 420 ? LinePower::On : LinePower::Off));
    for (LocalSeconds t = 4200; t <= 36000; t += 60)
        records.push_back(At(100000 + t, t >= 30000 ? LinePower::On : LinePower::Off));
    const std::vector<LogRun> runs = {NumberedRun(1, records)};
    std::vector<RunFacts> facts;
    FactsReading first(std::nullopt, facts);
    Read(first, runs);
    SetScales(facts);
    std::vector<RunLines> lines;
    ThinningReading second(facts, lines);
    Read(second, runs);
    // A run the first reading did not see (the log grew in between) is left out.
    Read(second, {NumberedRun(2, {At(200000)})});

    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].charge.size(), 2u); // broken at the hour's gap
    EXPECT_EQ(lines[0].processor.size(), 2u);
    EXPECT_TRUE(lines[0].power.empty()); // no power readings
    const XScale& panel = facts[0].panel;
    ASSERT_EQ(lines[0].changes.pluggedIn.size(), 2u);
    EXPECT_EQ(lines[0].changes.pluggedIn[0], panel.X(100000 + 300));
    EXPECT_EQ(lines[0].changes.pluggedIn[1], panel.X(100000 + 30000));
    ASSERT_EQ(lines[0].changes.unplugged.size(), 1u); // 480 is too near 360 to be marked
    EXPECT_EQ(lines[0].changes.unplugged[0], panel.X(100000 + 360));
}

} // namespace
