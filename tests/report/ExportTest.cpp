// Rows for spreadsheets and scripts.
#include "report/Export.h"
#include "report/LogReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace tallyvolt::report {
namespace {

std::string Rows(const std::vector<ParsedFile>& files, RowFormat format)
{
    std::string text;
    int pieces = 0;
    WriteRows(files, format, [&](std::string_view piece) {
        text.append(piece);
        ++pieces;
    });
    EXPECT_GE(pieces, 1);
    return text;
}

std::vector<ParsedFile> Files()
{
    std::vector<ParsedFile> files;
    files.push_back(ParseLog("a.log", "12/07/26 09:00:00,90%,Off,High,10%\r\n"
                                      "12/07/26 09:01:00;255%;Unknown;High+Low+Critical+Charging+"
                                      "No Battery;Unknown\r\n"));
    files.push_back(ParseLog("b.log", "12/31/26 23:59:59\t5%\tOn\tCritical+Charging\t100%\n"));
    files[1].runs[0].number = 2; // numbered over all files of a report
    return files;
}

TEST(ReportRows, CsvAndJsonNormalised)
{
    EXPECT_EQ(Rows(Files(), RowFormat::Csv),
              "run,time,charge,ac,state,cpu\n"
              "1,2026-12-07T09:00:00,90,Off,High,10\n"
              "1,2026-12-07T09:01:00,,Unknown,High+Low+Critical+Charging+No Battery,\n"
              "2,2026-12-31T23:59:59,5,On,Critical+Charging,100\n");
    EXPECT_EQ(Rows(Files(), RowFormat::Json),
              "[\n"
              "{\"run\":1,\"time\":\"2026-12-07T09:00:00\",\"charge\":90,\"ac\":\"Off\","
              "\"state\":\"High\",\"cpu\":10},\n"
              "{\"run\":1,\"time\":\"2026-12-07T09:01:00\",\"charge\":null,\"ac\":\"Unknown\","
              "\"state\":\"High+Low+Critical+Charging+No Battery\",\"cpu\":null},\n"
              "{\"run\":2,\"time\":\"2026-12-31T23:59:59\",\"charge\":5,\"ac\":\"On\","
              "\"state\":\"Critical+Charging\",\"cpu\":100}\n"
              "]\n");
    EXPECT_EQ(Rows({}, RowFormat::Json), "[]\n");
    EXPECT_EQ(Rows({}, RowFormat::Csv), "run,time,charge,ac,state,cpu\n");
}

TEST(ReportRows, LargeLogsInPieces)
{
    std::string log;
    for (int i = 0; i < 3000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "12/07/26 %02d:%02d:%02d,50%%,Off,Low,7%%\r\n",
                      i * 10 / 3600, i * 10 / 60 % 60, i * 10 % 60);
        log += line;
    }
    std::vector<ParsedFile> files{ParseLog("a.log", log)};
    ASSERT_EQ(files[0].runs.at(0).records.size(), 3000u);
    std::size_t rows = 0, pieces = 0, largest = 0;
    WriteRows(files, RowFormat::Csv, [&](std::string_view piece) {
        rows += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        largest = std::max(largest, piece.size());
        ++pieces;
    });
    EXPECT_EQ(rows, 3001u);
    EXPECT_GT(pieces, 1u);
    EXPECT_LT(largest, 70u * 1024);
}

} // namespace
} // namespace tallyvolt::report
