// Reading logs: runs, delimiters, line ends, and every kind of line that is no part of a log.
#include "report/LogReader.h"

#include "platform/PowerSource.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

namespace tallyvolt::report {
namespace {

LocalSeconds At(const char* stamp)
{
    return ParseTimeStamp(stamp).value();
}

std::vector<std::uint32_t> SkippedLines(const ParsedFile& file)
{
    std::vector<std::uint32_t> lines;
    for (const SkippedLine& s : file.skipped)
        lines.push_back(s.line);
    return lines;
}

TEST(ReportTimeStamp, FieldsInRangeOnly)
{
    EXPECT_EQ(ParseTimeStamp("01/01/00 00:00:00"), 0);
    EXPECT_EQ(ParseTimeStamp("01/02/00 00:00:01"), 86401);
    EXPECT_EQ(IsoTime(At("12/07/26 15:04:12")), "2026-12-07T15:04:12");
    EXPECT_EQ(IsoTime(At("02/29/24 23:59:59")), "2024-02-29T23:59:59");
    EXPECT_EQ(At("03/01/24 00:00:00") - At("02/28/24 00:00:00"), 2 * 86400); // leap year
    EXPECT_EQ(At("01/01/27 00:00:00") - At("12/31/26 23:59:59"), 1);
    for (const char* bad :
         {"02/29/23 00:00:00", "13/01/26 00:00:00", "00/10/26 00:00:00", "04/31/26 00:00:00",
          "12/07/26 24:00:00", "12/07/26 10:60:00", "12/07/26 10:00", "12-07-26 10:00:00",
          "1/7/26 10:00:00", "12/07/2026 10:00:00", "ab/07/26 10:00:00", ""})
        EXPECT_FALSE(ParseTimeStamp(bad)) << bad;
}

TEST(ReportReader, RunsFromHeadersAndFooters)
{
    const ParsedFile file = ParseLog(
        "a.log",
        "Tallyvolt v1.0 - started 12/07/26 09:00:00\r\n"
        "Time\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n"
        "12/07/26 09:00:00\t90%\tOff\tHigh\t10%\r\n"
        "12/07/26 09:01:00\t255%\tUnknown\tHigh+Low+Critical+Charging+No Battery\tUnknown\r\n"
        "Tallyvolt v1.0 - stopped 12/07/26 09:01:30\r\n"
        "Battery Burn Rate: Undefined\tCPU Average:10.00%\r\n"
        "\r\n"
        "Tallyvolt v1.0 - started 12/07/26 10:00:00\r\n"
        "Time\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n"
        "12/07/26 10:00:00\t50%\tOn\tCharging\t0%\r\n"
        "Tallyvolt v1.0 - stopped 12/07/26 10:00:05\r\n"
        "Battery Burn Rate: -0.50%/minute\tCPU Average:0.00%\r\n"
        "\r\n");
    EXPECT_TRUE(file.isTallyvoltLog);
    EXPECT_EQ(file.skippedCount, 0u);
    EXPECT_EQ(file.lines, 13u);
    ASSERT_EQ(file.runs.size(), 2u);

    const report::Run& first = file.runs[0];
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.headerLine, 1u);
    EXPECT_EQ(first.started, At("12/07/26 09:00:00"));
    ASSERT_EQ(first.records.size(), 2u);
    EXPECT_EQ(first.records[0].charge, 90);
    EXPECT_EQ(first.records[0].ac, LinePower::Off);
    EXPECT_EQ(first.records[0].state, kBatteryHigh);
    EXPECT_EQ(first.records[0].cpu, 10u);
    EXPECT_EQ(first.records[0].line, 3u);
    // 255% is the battery's own "unknown", a record like any other.
    EXPECT_FALSE(first.records[1].charge);
    EXPECT_EQ(first.records[1].ac, LinePower::Unknown);
    EXPECT_EQ(first.records[1].state, 0x8f);
    EXPECT_FALSE(first.records[1].cpu);
    ASSERT_TRUE(first.footer);
    EXPECT_EQ(first.footer->line, 5u);
    EXPECT_EQ(first.footer->time, At("12/07/26 09:01:30"));
    EXPECT_EQ(first.footer->burnRateText, "Undefined");
    EXPECT_FALSE(first.footer->burnRate);
    EXPECT_EQ(first.footer->cpuAverage, 10.0);

    const report::Run& second = file.runs[1];
    EXPECT_EQ(second.number, 2);
    EXPECT_EQ(second.headerLine, 8u);
    ASSERT_EQ(second.records.size(), 1u);
    ASSERT_TRUE(second.footer);
    EXPECT_EQ(second.footer->burnRate, -0.5);
    EXPECT_EQ(second.footer->cpuAverage, 0.0);
}

TEST(ReportReader, DelimiterAndLineEndOfEachLine)
{
    // Settings can change between runs: each line is read with its own delimiter.
    const ParsedFile file = ParseLog("a.log",
                                     "12/07/26 09:00:00,90%,Off,High,10%\n"
                                     "12/07/26 09:01:00;89%;Off;High;11%\r\n"
                                     "12/07/26 09:02:00\t88%\tOff\tHigh\t12%\n"
                                     "12/07/26 09:03:00,87%,Off,High;13%\n" // two kinds
                                     "12/07/26 09:04:00,86%,Off,High,14%"); // no line end
    ASSERT_EQ(file.runs.size(), 1u);
    const std::vector<Record>& records = file.runs[0].records;
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].cpu, 11u);
    EXPECT_EQ(records[2].charge, 88);
    EXPECT_EQ(records[3].line, 5u);
    EXPECT_EQ(SkippedLines(file), std::vector<std::uint32_t>{4});
    EXPECT_FALSE(file.runs[0].headerLine);
}

TEST(ReportReader, SkipsAndNamesLinesThatAreNoPartOfALog)
{
    static const char kText[] =
        "Tallyvolt v1.0 - started 12/07/26 09:00:00\n"        // 1
        "12/07/26 09:00:00,90%,Off,High,10%\n"                // 2
        "some other program's output\n"                       // 3
        "12/07/26 09:01:00,89%,Off,High,1\x00\x01\xff\n"      // 4 binary
        "12/07/26 09:02:00,300%,Off,High,10%\n"               // 5 no charge
        "12/07/26 09:03:00,88%,Sideways,High,10%\n"           // 6
        "12/07/26 09:04:00,88%,Off,High+Tired,10%\n"          // 7
        "12/07/26 09:05:00,88%,Off,High,101%\n"               // 8
        "12/07/26 08:59:00,88%,Off,High,10%\n"                // 9 clock set back
        "12/07/26 09:06:00,87%,Off,High\n"                    // 10 four fields
        "Battery Burn Rate: 0.10%/minute,CPU Average:1.00%\n" // 11 no stop line
        "Tallyvolt v1.0 - started 13/45/26 09:00:00\n"        // 12 bad stamp
        "12/07/26 09:07:00,86%,Off,High,10%\n"                // 13
        "12/07/26 09:08:00,85%,O";                            // 14 truncated
    const ParsedFile file = ParseLog("a.log", std::string_view(kText, sizeof kText - 1));
    EXPECT_TRUE(file.isTallyvoltLog);
    ASSERT_EQ(file.runs.size(), 1u);
    // A record stamped before the one above it stays: the clock was set back.
    ASSERT_EQ(file.runs[0].records.size(), 3u);
    EXPECT_EQ(file.runs[0].records[1].line, 9u);
    EXPECT_EQ(file.runs[0].records[2].line, 13u);
    ASSERT_EQ(file.runs[0].setBacks.size(), 1u);
    EXPECT_EQ(file.runs[0].setBacks[0].line, 9u);
    EXPECT_EQ(file.runs[0].setBacks[0].by, 60);
    EXPECT_EQ(file.runs[0].records[1].at, file.runs[0].records[0].at);
    EXPECT_EQ(file.runs[0].records[2].at - file.runs[0].records[1].at, 8 * 60);
    EXPECT_EQ(SkippedLines(file), (std::vector<std::uint32_t>{3, 4, 5, 6, 7, 8, 10, 11, 12, 14}));
    EXPECT_EQ(file.skippedCount, 10u);
    EXPECT_EQ(file.skipped[1].reason, "binary data");
    EXPECT_EQ(file.skipped[6].reason, "record with 4 of 5 fields");
    EXPECT_EQ(file.skipped.back().reason, "truncated last line");
}

TEST(ReportReader, ABadByteOrAnExtraDelimiterAnywhereInARecordIsSeen)
{
    // The line is looked at eight bytes at a time: every place in and between them counts.
    const std::string record = "12/07/26 09:00:00,90%,Off,High+Charging,10%";
    for (std::size_t at = 0; at <= record.size(); ++at) {
        for (const char bad : {'\x01', '\x7f', '\r', '\t', ';', ','}) {
            if (bad == '\r' && at == record.size())
                continue; // the line end CR LF
            std::string line = record;
            line.insert(at, 1, bad);
            const ParsedFile file =
                ParseLog("a.log", "12/07/26 08:59:00,90%,Off,High,1%\n" + line + "\n");
            EXPECT_EQ(file.skippedCount, 1u) << at << " " << int{bad};
            if (bad != '\t' && bad != ';' && bad != ',') {
                EXPECT_EQ(file.skipped.at(0).reason, "binary data") << at << " " << int{bad};
            }
        }
    }
}

TEST(ReportReader, PiecesAnywhereReadAsTheWhole)
{
    // A line split between two reads, and a line too long to be a log's, which is dropped
    // without being held and does not swallow the line after it.
    const std::string text = "Tallyvolt v1.0 - started 12/07/26 09:00:00\r\n" +
                             std::string(kMaxLineLength + 10, 'x') + "\r\n" +
                             "12/07/26 09:00:00,90%,Off,High,10%\r\n"
                             "12/07/26 09:01:00,89%,On,High+Charging,20%\r\n";
    const ParsedFile whole = ParseLog("a.log", text);
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        LogParser parser("a.log", {});
        for (std::size_t at = 0; at < text.size(); at += piece)
            parser.Feed(std::string_view(text).substr(at, piece));
        const ParsedFile parsed = parser.Finish();
        ASSERT_EQ(parsed.runs.size(), 1u) << piece;
        ASSERT_EQ(parsed.runs[0].records.size(), 2u) << piece;
        EXPECT_EQ(parsed.runs[0].records[1].line, 4u) << piece;
        EXPECT_EQ(parsed.runs[0].records[1].state, kBatteryHigh | kBatteryCharging);
        EXPECT_EQ(SkippedLines(parsed), std::vector<std::uint32_t>{2}) << piece;
    }
    EXPECT_EQ(whole.skipped.at(0).reason, "line longer than 4096 bytes");
}

TEST(ReportReader, LogsWithoutHeadersSplitAtGaps)
{
    std::string text;
    // A run every 10 s, an hour's pause, a second run, a 40 s pause, and on.
    for (const char* t : {"09:00:00", "09:00:10", "09:00:20", "10:00:00", "10:00:10", "10:00:20",
                          "10:01:00", "10:01:10"})
        text += std::string("12/07/26 ") + t + ",80%,Off,High,5%\r\n";
    const ParsedFile split = ParseLog("a.log", text);
    ASSERT_EQ(split.runs.size(), 3u);
    EXPECT_TRUE(split.runs[0].splitAtGap);
    EXPECT_EQ(split.runs[0].records.size(), 3u);
    EXPECT_EQ(split.runs[1].records.size(), 3u);
    EXPECT_EQ(split.runs[2].number, 3);
    // With the period given as 20 s, the 40 s pause is no gap.
    const ParsedFile given = ParseLog("a.log", text, ReadOptions{20});
    ASSERT_EQ(given.runs.size(), 2u);
    EXPECT_EQ(given.runs[1].records.size(), 5u);
    // Runs with headers keep their gaps (a suspend) inside.
    const ParsedFile headed =
        ParseLog("a.log", "Tallyvolt v1.0 - started 12/07/26 09:00:00\r\n" + text);
    EXPECT_EQ(headed.runs.size(), 1u);
}

TEST(ReportReader, TellsALogFromOtherFiles)
{
    EXPECT_FALSE(ParseLog("a", "").isTallyvoltLog);
    EXPECT_EQ(ParseLog("a", "").lines, 0u);
    const ParsedFile other = ParseLog("a", "[Tallyvolt]\nLogFile=x.log\nDelimiter=,\n");
    EXPECT_FALSE(other.isTallyvoltLog);
    EXPECT_EQ(other.skippedCount, 3u);
    EXPECT_TRUE(other.runs.empty());

    test::TempFolder folder;
    ParsedFile read;
    std::string error;
    EXPECT_FALSE(ReadLog(folder / "missing.log", {}, &read, &error));
    EXPECT_EQ(error, folder / "missing.log" + ": No such file or directory");
    EXPECT_FALSE(ReadLog(folder.Path(), {}, &read, &error));
    EXPECT_EQ(error, folder.Path() + ": Is a directory");
    test::WriteFile(folder / "a.log", "12/07/26 09:00:00,90%,Off,High,10%\r\n");
    ASSERT_TRUE(ReadLog(folder / "a.log", {}, &read, &error));
    EXPECT_EQ(read.file, folder / "a.log");
    ASSERT_EQ(read.runs.size(), 1u);
    EXPECT_EQ(read.runs[0].file, folder / "a.log");
}

TEST(ReportReader, RecordsAndFootersWithAndWithoutThePowerColumn)
{
    const ParsedFile file =
        ParseLog("a.log", "Tallyvolt v1.0 - started 12/07/26 09:00:00\r\n"
                          "Time;Battery Life;AC Power;Battery State;CPU Usage;Power Draw\r\n"
                          "12/07/26 09:00:00;90%;Off;High;10%;7.42W\r\n"
                          "12/07/26 09:01:00;90%;On;High+Charging;10%;-5.26W\r\n"
                          "12/07/26 09:02:00;90%;On;High;10%;Unknown\r\n"
                          "12/07/26 09:03:00;90%;On;High;10%;5.26\r\n"
                          "12/07/26 09:04:00;90%;On;High;10%;\r\n"
                          "12/07/26 09:05:00;90%;On;High;10%;1.00W;x\r\n"
                          "Tallyvolt v1.0 - stopped 12/07/26 09:05:30\r\n"
                          "Battery Burn Rate: Undefined;CPU Average:10.00%;Average Power:1.08W\r\n"
                          "\r\n"
                          "12/07/26 10:00:00;50%;On;Charging;0%\r\n"
                          "12/07/26 10:01:00;50%;On;Charging;0%;0.00W\r\n"
                          "Tallyvolt v1.0 - stopped 12/07/26 10:01:05\r\n"
                          "Battery Burn Rate: Undefined;CPU Average:0.00%;Average Power:Unknown\r\n"
                          "\r\n"
                          "Tallyvolt v1.0 - stopped 12/07/26 10:02:05\r\n"
                          "Battery Burn Rate: Undefined;CPU Average:0.00%\r\n"
                          "\r\n"
                          "12/07/26 10:03:00;50%;On;Charging;0%;1.5");
    ASSERT_EQ(file.runs.size(), 3u);
    const std::vector<report::Record>& first = file.runs[0].records;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_TRUE(first[0].hasPower);
    EXPECT_EQ(first[0].power, 7.42);
    EXPECT_EQ(first[1].power, -5.26);
    EXPECT_TRUE(first[2].hasPower);
    EXPECT_FALSE(first[2].power);
    ASSERT_TRUE(file.runs[0].footer);
    EXPECT_EQ(file.runs[0].footer->cpuAverage, 10.0);
    EXPECT_TRUE(file.runs[0].footer->hasPower);
    EXPECT_EQ(file.runs[0].footer->averagePower, 1.08);

    // A run of five fields and six: each record as it is.
    const std::vector<report::Record>& second = file.runs[1].records;
    ASSERT_EQ(second.size(), 2u);
    EXPECT_FALSE(second[0].hasPower);
    EXPECT_TRUE(second[1].hasPower);
    EXPECT_EQ(second[1].power, 0.0);
    EXPECT_EQ(file.runs[1].footer->cpuAverage, 0.0);
    EXPECT_TRUE(file.runs[1].footer->hasPower);
    EXPECT_FALSE(file.runs[1].footer->averagePower);
    EXPECT_FALSE(file.runs[2].footer->hasPower);
    EXPECT_EQ(file.runs[2].footer->cpuAverage, 0.0);

    std::vector<std::string> reasons;
    for (const SkippedLine& skipped : file.skipped)
        reasons.push_back(std::to_string(skipped.line) + ": " + skipped.reason);
    EXPECT_EQ(
        reasons,
        (std::vector<std::string>{
            "6: not a power draw: \"5.26\"",
            "7: not a power draw: \"\"",
            "8: not a line of a Tallyvolt log: \"12/07/26 09:05:00;90%;On;High;10%;1.00W;...\"",
            "20: truncated last line",
        }));
}

} // namespace
} // namespace tallyvolt::report
