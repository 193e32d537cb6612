// tallyvolt-report's command line, read without running the program.
#include "report/Options.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tallyvolt::report {
namespace {

ParsedOptions Parse(std::initializer_list<const char*> arguments)
{
    std::vector<std::string> texts = {"tallyvolt-report"};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& t : texts)
        argv.push_back(t.data());
    argv.push_back(nullptr);
    return ParseOptions(static_cast<int>(texts.size()), argv.data());
}

TEST(ReportOptions, EveryOptionLandsInItsField)
{
    const ParsedOptions parsed =
        Parse({"--json", "--period", "30", "-o", "out.json", "--plot", "c.svg", "--overlay", "--tz",
               "Australia/Lord_Howe", "a.log", "-", "b.log"});
    ASSERT_EQ(parsed.action, Action::Report) << parsed.problem;
    const ReportOptions& o = parsed.options;
    EXPECT_EQ(o.rows, RowFormat::Json);
    EXPECT_EQ(o.read.period, 30);
    EXPECT_EQ(o.plot.period, 30); // the chart finds gaps as the summary does
    EXPECT_EQ(o.outputPath, "out.json");
    EXPECT_EQ(o.plot.path, "c.svg");
    EXPECT_TRUE(o.plot.overlay);
    EXPECT_EQ(o.zone, "Australia/Lord_Howe");
    EXPECT_EQ(o.logs, (std::vector<std::string>{"a.log", "-", "b.log"}));

    const ParsedOptions plain = Parse({"a.log"});
    ASSERT_EQ(plain.action, Action::Report);
    EXPECT_FALSE(plain.options.rows || plain.options.read.period || plain.options.plot.overlay);
    EXPECT_TRUE(plain.options.outputPath.empty() && plain.options.plot.path.empty());
    EXPECT_TRUE(plain.options.zone.empty()); // TZ's zone, as the C library reads it
}

TEST(ReportOptions, HelpAndVersionStopAtOnce)
{
    EXPECT_EQ(Parse({"a.log", "-h", "--frobnicate"}).action, Action::ShowHelp);
    EXPECT_EQ(Parse({"--version"}).action, Action::ShowVersion);
    EXPECT_EQ(Parse({"-V", "--csv", "--json"}).action, Action::ShowVersion);
}

TEST(ReportOptions, BadUsageSaysWhatIsWrong)
{
    const struct
    {
        std::initializer_list<const char*> arguments;
        const char* problem;
    } cases[] = {
        {{}, "no log named"},
        {{"--csv"}, "no log named"},
        {{"--frobnicate", "a.log"}, "unknown option '--frobnicate'"},
        {{"-x", "a.log"}, "unknown option '-x'"},
        {{"a.log", "--plot"}, "option '--plot' needs a value"},
        {{"--plot", "", "a.log"}, "--plot needs a file name"},
        {{"--period", "0", "a.log"},
         "--period takes a whole number of seconds from 1 upwards, not '0'"},
        {{"--period", "10s", "a.log"},
         "--period takes a whole number of seconds from 1 upwards, not '10s'"},
        {{"--period", "31708801", "a.log"},
         "--period takes a whole number of seconds from 1 upwards, not '31708801'"},
        {{"--json", "--csv", "a.log"}, "--csv and --json cannot be used together"},
        {{"--overlay", "a.log"}, "--overlay goes with --plot"},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = Parse(c.arguments);
        EXPECT_EQ(parsed.action, Action::BadUsage) << c.problem;
        EXPECT_EQ(parsed.problem, c.problem);
    }
    // The same format twice is no conflict, and a year of seconds is still a period.
    EXPECT_EQ(Parse({"--csv", "--csv", "--period", "31622400", "a.log"}).action, Action::Report);
}

} // namespace
} // namespace tallyvolt::report
