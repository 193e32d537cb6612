// The report of logs that the monitor itself wrote: its recomputed figures must be the
// monitor's own, as the stop footers give them.
#include "monitor/TallyvoltDlg.h"
#include "report/LogReader.h"
#include "report/Summary.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace tallyvolt::report {
namespace {

std::string Fixed2(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
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
        CTallyvoltDlg dlg(fakes.Get());
        ASSERT_TRUE(dlg.SetDelimiter(delimiter));
        dlg.SetExtraInfo(1);
        ASSERT_TRUE(dlg.OpenLog(folder / "run.log"));
        int charge = 95;
        fakes.power.Set(static_cast<std::uint8_t>(charge), 0, 0x01);
        dlg.SetUpDialog(window, tray);
        for (int i = 0; i < 200; ++i) {
            fakes.clock.Advance(i == 100 ? 3600 : 1 + static_cast<int>(random() % 3));
            charge = std::max(0, charge - static_cast<int>(random() % 2));
            fakes.power.next.batteryLifePercent =
                random() % 50 == 0 ? 255 : static_cast<std::uint8_t>(charge);
            fakes.power.next.acLineStatus = (i / 40) % 2 ? 1 : 0;
            fakes.processor.next = static_cast<std::uint32_t>(random() % 101);
            dlg.Update(true);
        }
        samples += 201;
        dlg.TearDownDialog();
        dlg.CloseLog();
    }

    ParsedFile file;
    std::string error;
    ASSERT_TRUE(ReadLog(folder / "run.log", {}, &file, &error)) << error;
    EXPECT_EQ(file.skippedCount, 0u);
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

} // namespace
} // namespace tallyvolt::report
