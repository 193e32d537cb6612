// The report read as a stream: what a run's running sums give must be what the whole run gives,
// the runs passed on must be the runs kept, and the rows must not wait for the end of the logs.
#include "fakes/TempFolder.h"
#include "report/Export.h"
#include "report/LogReader.h"
#include "report/Plot.h"
#include "report/RunState.h"
#include "report/SummaryText.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

namespace tallyvolt::report {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

TEST(ReportIntervalTally, MedianLinePowerAndGapsFromCountsAndLongIntervals)
{
    IntervalTally tally;
    EXPECT_EQ(tally.Median(), 1); // no intervals
    // 60 s intervals on line power, a 2-hour pause (kept one by one), 200 s intervals (counted)
    // with the state unknown, and a 0 s interval: the median is 60.
    tally.Add(60, LinePower::On, 100);
    tally.Add(7200, LinePower::Off, 200);
    tally.Add(60, LinePower::Off, 300);
    tally.Add(200, LinePower::Unknown, 400);
    tally.Add(60, LinePower::On, 500);
    tally.Add(0, LinePower::On, 600);
    tally.Add(200, LinePower::On, 700);
    EXPECT_EQ(tally.Count(), 7u);
    EXPECT_EQ(tally.Median(), 60);
    // Gaps over 180 s: the 2-hour one and the two of 200 s, in the order they came.
    std::uint64_t notListed = 99;
    const std::vector<Gap> gaps = tally.Gaps(180, &notListed);
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_EQ(notListed, 0u);
    EXPECT_EQ(gaps[0].from, 200);
    EXPECT_EQ(gaps[0].length, 7200);
    EXPECT_EQ(gaps[1].from, 400);
    EXPECT_EQ(gaps[2].from, 700);
    // Below the gaps: 120 s on line power out of 180 s known.
    EXPECT_EQ(tally.LinePowerTime(180), (std::pair<LocalSeconds, LocalSeconds>{120, 180}));
    // With no gaps at all every known interval counts, the long one as well.
    EXPECT_EQ(tally.LinePowerTime(10000), (std::pair<LocalSeconds, LocalSeconds>{320, 7580}));
    EXPECT_TRUE(tally.Gaps(10000, &notListed).empty());

    // The median among long intervals, and the median of an even count (the upper one).
    IntervalTally longOnes;
    for (const LocalSeconds length : {5000, 3000, 4000, 1})
        longOnes.Add(length, LinePower::Off, 0);
    EXPECT_EQ(longOnes.Median(), 4000);
}

TEST(ReportIntervalTally, StartsOfTheCommonestLengthGoFirstWhenTooManyAreKept)
{
    // Regression guard for a run of millions of samples: the starts of its one-second intervals
    // (no gaps) are let go, the gaps still listed.
    IntervalTally tally;
    const std::size_t many = IntervalTally::kKeptStarts + 10;
    for (std::size_t i = 0; i < many; ++i) {
        tally.Add(1, LinePower::Off, static_cast<LocalSeconds>(i));
        if (i % 100000 == 0)
            tally.Add(5, LinePower::Off, static_cast<LocalSeconds>(i));
    }
    EXPECT_EQ(tally.Median(), 1);
    std::uint64_t notListed = 0;
    const std::vector<Gap> gaps = tally.Gaps(3, &notListed);
    EXPECT_EQ(notListed, 0u);
    const std::size_t lastGap = (many - 1) / 100000;
    ASSERT_EQ(gaps.size(), lastGap + 1);
    EXPECT_EQ(gaps.back().from, static_cast<LocalSeconds>(lastGap * 100000));
    // Once a gap's own length has lost its starts, the summary says how many it cannot list.
    IntervalTally stuttering;
    for (std::size_t i = 0; i < 3 * many; ++i)
        stuttering.Add(1, LinePower::Off, 0);
    for (std::size_t i = 0; i < many; ++i)
        stuttering.Add(7, LinePower::Off, 0);
    EXPECT_EQ(stuttering.Median(), 1);
    EXPECT_TRUE(stuttering.Gaps(3, &notListed).empty());
    EXPECT_EQ(notListed, many);
}

// Collects what a parser passes on.
struct Collected : RunSink
{
    void Record(const Run& run, const report::Record& record) override
    {
        if (open.empty() || open.back().number != run.number)
            open.push_back(run);
        open.back().records.push_back(record);
    }
    void RunEnded(const Run& run) override
    {
        Run ended = run;
        if (!open.empty() && open.back().number == run.number) {
            ended.records = std::move(open.back().records);
            open.pop_back();
        }
        runs.push_back(std::move(ended));
    }
    std::vector<Run> open, runs;
};

constexpr const char* kMixedLog =
    // Records without a header (split at the hour's pause), a run with a header and footer
    // figures, one whose footer has no figures, one that never stopped.
    "12/07/26 08:00:00,80%,Off,High,5%\n"
    "12/07/26 08:00:10,79%,Off,High,5%\n"
    "12/07/26 09:00:10,78%,Off,High,5%\n"
    "12/07/26 09:00:20,77%,On,High+Charging,5%\n"
    "Tallyvolt v1.0 - started 12/07/26 10:00:00\n"
    "Time,Battery Life,AC Power,Battery State,CPU Usage\n"
    "12/07/26 10:00:00,70%,Off,High,10%\n"
    "12/07/26 10:01:00,69%,Off,High,20%\n"
    "Tallyvolt v1.0 - stopped 12/07/26 10:01:30\n"
    "Battery Burn Rate: 1.00%/minute,CPU Average:20.00%\n"
    "Tallyvolt v1.0 - started 12/07/26 11:00:00\n"
    "12/07/26 11:00:00,60%,Off,High,10%\n"
    "Tallyvolt v1.0 - stopped 12/07/26 11:00:30\n"
    "\n"
    "Tallyvolt v1.0 - started 12/07/26 12:00:00\n"
    "12/07/26 12:00:00,50%,Off,High,10%\n"
    "12/07/26 12:05:00,49%,Off,High,10%\n";

TEST(ReportStream, RunsPassedOnAreTheRunsKept)
{
    const ParsedFile kept = ParseLog("a.log", kMixedLog);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        Collected sink;
        LogParser parser("a.log", {}, &sink, 5);
        const std::string_view text(kMixedLog);
        for (std::size_t at = 0; at < text.size(); at += piece)
            parser.Feed(text.substr(at, piece));
        const ParsedFile streamed = parser.Finish();
        EXPECT_TRUE(streamed.runs.empty());
        EXPECT_TRUE(sink.open.empty());
        EXPECT_EQ(streamed.runCount, 5u);
        EXPECT_EQ(streamed.samples, 9u);
        ASSERT_EQ(sink.runs.size(), kept.runs.size());
        for (std::size_t i = 0; i < kept.runs.size(); ++i) {
            const report::Run& a = kept.runs[i];
            const report::Run& b = sink.runs[i];
            EXPECT_EQ(b.number, a.number + 4); // numbered on from the one given
            EXPECT_EQ(b.headerLine, a.headerLine);
            EXPECT_EQ(b.splitAtGap, a.splitAtGap);
            EXPECT_EQ(b.records.size(), a.records.size());
            ASSERT_EQ(b.footer.has_value(), a.footer.has_value());
            if (a.footer) {
                EXPECT_EQ(b.footer->burnRateText, a.footer->burnRateText);
            }
        }
        EXPECT_EQ(sink.runs[2].footer->burnRateText, "1.00%/minute");
        EXPECT_EQ(sink.runs[3].footer->burnRateText, "");
    }
}

TEST(ReportStream, ProgramStreamsWhatTheWholeReadGives)
{
    TempFolder dir;
    WriteFile(dir / "a.log", kMixedLog);
    WriteFile(dir / "b.log", "12/08/26 08:00:00;40%;Off;Low;3%;7.50W\n"
                             "12/08/26 08:01:00;39%;Off;Low;3%;Unknown\n");
    auto run = [&](const std::string& arguments) {
        const std::string command = "cd '" + dir.Path() + "' && cat b.log | '" +
                                    TALLYVOLT_REPORT_BINARY "' " + arguments + " >out 2>err";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(dir / "err");
        return ReadFile(dir / "out");
    };
    std::vector<ParsedFile> files = {ParseLog("a.log", kMixedLog),
                                     ParseLog("standard input", ReadFile(dir / "b.log"))};
    files[1].runs[0].number = 6;

    // The summary of each file, runs numbered across them.
    EXPECT_EQ(run("a.log -"), FileSummaryText(files[0], std::nullopt) + "\n" +
                                  FileSummaryText(files[1], std::nullopt));

    // The rows get the power column for a record in the last file, read from a pipe.
    std::string rows;
    WriteRows(files, RowFormat::Csv, [&](std::string_view piece) { rows.append(piece); });
    EXPECT_EQ(rows.rfind("run,time,charge,ac,state,cpu,power_w\n1,2026-12-07T08:00:00,80", 0), 0u);
    EXPECT_NE(rows.find("\n6,2026-12-08T08:01:00,39,Off,Low,3,\n"), std::string::npos) << rows;
    EXPECT_EQ(run("--csv a.log -"), rows);
    std::string json;
    WriteRows(files, RowFormat::Json, [&](std::string_view piece) { json.append(piece); });
    EXPECT_EQ(run("--json a.log -"), json);
}

TEST(ReportStream, AChartFromAPipeIsTheChartOfTheRunsKept)
{
    // Standard input is read three times here (the rows' columns, the rows with the chart's
    // first reading, the chart's second): a pipe is kept in a temporary file for that.
    TempFolder dir;
    WriteFile(dir / "a.log", kMixedLog);
    const std::string command = "cd '" + dir.Path() + "' && cat a.log | '" +
                                TALLYVOLT_REPORT_BINARY "' --csv --plot streamed.svg - >rows 2>err";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir / "err");
    const std::string rows = ReadFile(dir / "rows");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 10);

    const ParsedFile kept = ParseLog("standard input", kMixedLog);
    PlotOptions options;
    options.path = dir / "kept.svg";
    std::string error;
    ASSERT_TRUE(PlotRuns(kept.runs, options, &error)) << error;
    const std::string streamed = ReadFile(dir / "streamed.svg");
    EXPECT_EQ(streamed.rfind("<?xml", 0), 0u);
    EXPECT_GT(streamed.size(), 10000u); // five panels
    EXPECT_EQ(streamed, ReadFile(options.path));
}

TEST(ReportStream, TheOutputIsNeverOneOfTheLogs)
{
    // The output is written while the logs are read: over a log it would eat it first.
    TempFolder dir;
    WriteFile(dir / "a.log", kMixedLog);
    const std::string command =
        "cd '" + dir.Path() + "' && '" TALLYVOLT_REPORT_BINARY "' --csv a.log -o ./a.log 2>err";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_EQ(ReadFile(dir / "err"),
              "tallyvolt-report: ./a.log: is one of the logs to read; not writing over it\n");
    EXPECT_EQ(ReadFile(dir / "a.log"), kMixedLog);
}

} // namespace
} // namespace tallyvolt::report
