// The report of logs that the monitor itself wrote: its recomputed figures must be the
// monitor's own, as the stop footers give them.
#include "log/LogText.h"
#include "monitor/Monitor.h"
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Summary.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <tuple>

namespace tallyvolt::report {
namespace {

std::string Fixed2(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The log read back, every line of it a part of a log.
ParsedFile ReadBack(const std::string& path)
{
    ParsedFile file;
    std::string error;
    EXPECT_TRUE(ReadLog(path, {}, &file, &error)) << error;
    EXPECT_EQ(file.skippedCount, 0u);
    return file;
}

TEST(ReportOfOwnLog, RecomputedFiguresAreTheMonitorsOwn)
{
    test::TempFolder folder;
    std::mt19937 random(7);
    std::size_t samples = 0;
    // Three runs into one log with each delimiter, each with a drifting charge and usage, line
    // power coming and going, an unknown charge now and then and a suspend in the middle.
    const char* delimiters[] = {"TAB", "COMMA", "SEMICOLON"};
    for (const char* delimiter : delimiters) {
        test::FakeServices fakes;
        test::FakeWindow window;
        test::FakeTray tray;
        tallyvolt::Monitor dlg(fakes.Get());
        ASSERT_TRUE(dlg.SetDelimiter(delimiter));
        dlg.SetExtraInfo(1);
        ASSERT_TRUE(dlg.OpenLog(folder / "run.log"));
        int charge = 95;
        fakes.power.Set(static_cast<std::uint8_t>(charge), 0, 0x01);
        dlg.SetUpDialog(window, tray);
        for (int i = 0; i < 200; ++i) {
            fakes.clock.Advance(i == 100 ? 3600 : 1 + static_cast<int>(random() % 3));
            charge = std::max(0, charge - static_cast<int>(random() % 2));
            fakes.power.next.chargePercent =
                random() % 50 == 0 ? 255 : static_cast<std::uint8_t>(charge);
            fakes.power.next.linePower = (i / 40) % 2 ? 1 : 0;
            fakes.processor.next = static_cast<std::uint32_t>(random() % 101);
            dlg.Update(true);
        }
        samples += 201;
        dlg.TearDownDialog();
        dlg.CloseLog();
    }

    const ParsedFile file = ReadBack(folder / "run.log");
    ASSERT_EQ(file.runs.size(), 3u);
    std::size_t records = 0;
    for (const report::Run& run : file.runs) {
        records += run.records.size();
        ASSERT_TRUE(run.footer);
        const RunSummary s = Summarise(run, std::nullopt);
        ASSERT_TRUE(s.burnRate);
        EXPECT_EQ(Fixed2(*s.burnRate) + "%/minute", run.footer->burnRateText) << run.number;
        EXPECT_EQ(Fixed2(*s.cpuAverage), Fixed2(*run.footer->cpuAverage)) << run.number;
        EXPECT_EQ(s.plugs + s.unplugs, 4) << run.number;
        ASSERT_EQ(s.gaps.size(), 1u);
        EXPECT_EQ(s.gaps[0].length, 3600);
    }
    EXPECT_EQ(records, samples);
}

// What the monitor took for one sample, as the log should give it back.
struct Sample
{
    std::int64_t at; // seconds since the first sample
    PowerStatus power;
    std::optional<std::uint32_t> cpu;
};

class ReportOfOwnLogPerFormat : public ::testing::TestWithParam<std::tuple<const char*, bool>>
{
};

TEST_P(ReportOfOwnLogPerFormat, ReadsBackEverySampleAndTheMonitorsFigures)
{
    const auto [delimiter, extraInfo] = GetParam();
    test::TempFolder folder;
    test::FakeServices fakes;
    test::FakeWindow window;
    test::FakeTray tray;
    tallyvolt::Monitor dlg(fakes.Get());
    ASSERT_TRUE(dlg.SetDelimiter(delimiter));
    dlg.SetExtraInfo(extraInfo ? 1 : 0);
    ASSERT_TRUE(dlg.OpenLog(folder / "run.log"));
    // Every state word and both line powers, unknown charges, states and usages now and then.
    std::mt19937 random(11);
    std::vector<Sample> written;
    std::int64_t at = 0;
    fakes.power.Set(90, 0, kBatteryHigh);
    dlg.SetUpDialog(window, tray);
    written.push_back({0, fakes.power.next, fakes.processor.next});
    for (int i = 0; i < 150; ++i) {
        const int step = 1 + static_cast<int>(random() % 5);
        fakes.clock.Advance(step);
        at += step;
        const auto charge = static_cast<std::uint8_t>(90 - i / 3);
        const bool known = random() % 20 != 0;
        const std::uint8_t ac = i % 37 == 5 ? 255 : (i / 25) % 2;
        std::uint8_t state = charge < 33 ? kBatteryLow : kBatteryHigh;
        if (ac == 1)
            state |= kBatteryCharging;
        if (charge < 45)
            state |= kBatteryCritical;
        if (i % 29 == 3)
            state = i % 2 ? kNoSystemBattery : 0;
        fakes.power.Set(known ? charge : 255, ac, state);
        fakes.processor.next =
            random() % 15 == 0
                ? std::nullopt
                : std::optional<std::uint32_t>(static_cast<std::uint32_t>(random() % 101));
        dlg.Update(true);
        written.push_back({at, fakes.power.next, fakes.processor.next});
    }
    dlg.TearDownDialog();
    dlg.CloseLog();

    const ParsedFile file = ReadBack(folder / "run.log");
    EXPECT_TRUE(file.isTallyvoltLog);
    ASSERT_EQ(file.runs.size(), 1u);
    const report::Run& run = file.runs[0];
    EXPECT_EQ(run.footer.has_value(), extraInfo);
    EXPECT_EQ(run.headerLine, extraInfo ? 1u : 0u);
    ASSERT_EQ(run.records.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const report::Record& r = run.records[i];
        const Sample& w = written[i];
        EXPECT_EQ(r.time - run.records[0].time, w.at) << i;
        EXPECT_EQ(r.charge, w.power.chargePercent <= 100
                                ? std::optional<std::uint8_t>(w.power.chargePercent)
                                : std::nullopt)
            << i;
        EXPECT_EQ(AcText(w.power.linePower), LinePowerWord(r.ac)) << i;
        EXPECT_EQ(r.state, w.power.batteryState) << i;
        EXPECT_EQ(r.cpu, w.cpu) << i;
    }
    const RunSummary s = Summarise(run, std::nullopt);
    ASSERT_TRUE(s.burnRate && s.cpuAverage);
    EXPECT_EQ(BurnRateText(*s.burnRate), dlg.BurnRateText());
    EXPECT_EQ(FormatFixed2(*s.cpuAverage), FormatFixed2(dlg.CpuAverage()));
    if (extraInfo) {
        EXPECT_EQ(run.footer->burnRateText, dlg.BurnRateText());
        EXPECT_EQ(FormatFixed2(*run.footer->cpuAverage), FormatFixed2(dlg.CpuAverage()));
    }
}

INSTANTIATE_TEST_SUITE_P(DelimitersAndExtraInfo, ReportOfOwnLogPerFormat,
                         ::testing::Combine(::testing::Values("TAB", "COMMA", "SEMICOLON"),
                                            ::testing::Bool()),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param)) +
                                    (std::get<1>(param.param) ? "WithExtraInfo" : "RecordsOnly");
                         });

} // namespace
} // namespace tallyvolt::report
