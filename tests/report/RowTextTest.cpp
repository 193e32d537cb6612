// The row writer: CSV's header, separators and quoting, JSON's names, spacing, escapes and
// nulls, and the empty array.
#include "report/RowText.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace tallyvolt::report;

namespace {

constexpr const char* kNames[] = {"n", "word", "text", "maybe"};
constexpr RowText::JsonSpacing kTight = {"\n", ",", ":"};

// Two rows: the second with its number missing and a text that needs quoting.
std::string TwoRows(RowFormat format, RowText::JsonSpacing spacing)
{
    RowText rows(format, kNames, std::size(kNames), spacing);
    std::string out;
    rows.Start(out);
    rows.BeginRow(out);
    rows.Number(out, std::uint64_t{18446744073709551615u});
    rows.Word(out, "High+Charging");
    rows.Text(out, "plain");
    rows.Number(out, std::optional<std::uint64_t>(7));
    rows.EndRow(out);
    rows.BeginRow(out);
    rows.Figure(out, "-0.25");
    rows.Word(out, "Off");
    rows.Text(out, "a \"b\", c\nd\\e\x01");
    rows.Number(out, std::optional<std::uint64_t>());
    rows.EndRow(out);
    rows.Finish(out);
    return out;
}

TEST(RowText, CsvHasAHeaderAndQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(TwoRows(RowFormat::Csv, kTight), "n,word,text,maybe\n"
                                               "18446744073709551615,High+Charging,plain,7\n"
                                               "-0.25,Off,\"a \"\"b\"\", c\nd\\e\x01\",\n");
}

TEST(RowText, JsonNamesEveryFieldEscapesTextAndWritesNull)
{
    EXPECT_EQ(TwoRows(RowFormat::Json, kTight),
              "[\n{\"n\":18446744073709551615,\"word\":\"High+Charging\",\"text\":\"plain\","
              "\"maybe\":7},\n"
              "{\"n\":-0.25,\"word\":\"Off\",\"text\":\"a \\\"b\\\", c\\u000ad\\\\e\\u0001\","
              "\"maybe\":null}\n]\n");
    const std::string spaced = TwoRows(RowFormat::Json, {"\n  ", ", ", ": "});
    EXPECT_EQ(spaced.rfind("[\n  {\"n\": 18446744073709551615, \"word\": \"High", 0), 0u);
    EXPECT_NE(spaced.find("},\n  {\"n\": -0.25, "), std::string::npos);
}

TEST(RowText, NoRowsIsAHeaderOrAnEmptyArray)
{
    for (const RowFormat format : {RowFormat::Csv, RowFormat::Json}) {
        RowText rows(format, kNames, 2, kTight); // only the first two columns
        std::string out;
        rows.Start(out);
        rows.Finish(out);
        EXPECT_EQ(out, format == RowFormat::Csv ? "n,word\n" : "[]\n");
    }
}

TEST(RowText, CsvFieldsAreQuotedForCommasQuotesAndLineEndsAlone)
{
    EXPECT_EQ(CsvString("logs/battery#1.log:2"), "logs/battery#1.log:2");
    EXPECT_EQ(CsvString("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvString("cr\r"), "\"cr\r\"");
    EXPECT_EQ(CsvString("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(JsonString("tab\there/\x1f"), "\"tab\\u0009here/\\u001f\"");
    EXPECT_EQ(JsonString("\xc3\xa9t\xc3\xa9"), "\"\xc3\xa9t\xc3\xa9\""); // UTF-8 as it is
}

} // namespace
