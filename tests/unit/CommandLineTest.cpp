// The program's options: what each form gives, and that every bad one is a usage error naming
// its option.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tallyvolt;

namespace {

CommandLine Parse(std::vector<const char*> args)
{
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

} // namespace

TEST(CommandLine, ReadsEveryOptionInBothForms)
{
    EXPECT_EQ(Parse({}).action, CommandLine::Action::RunWindow);

    const CommandLine spaced =
        Parse({"--headless", "--duration", "3600", "--until-charge", "20", "--records"});
    ASSERT_EQ(spaced.action, CommandLine::Action::RunHeadless);
    EXPECT_EQ(spaced.headless.durationSeconds, 3600);
    EXPECT_EQ(spaced.headless.untilCharge, 20);
    EXPECT_TRUE(spaced.headless.records);

    const CommandLine joined = Parse({"--until-charge=0", "--duration=1", "--headless"});
    ASSERT_EQ(joined.action, CommandLine::Action::RunHeadless);
    EXPECT_EQ(joined.headless.durationSeconds, 1);
    EXPECT_EQ(joined.headless.untilCharge, 0);
    EXPECT_FALSE(joined.headless.records);

    const CommandLine plain = Parse({"--headless"});
    EXPECT_FALSE(plain.headless.durationSeconds);
    EXPECT_FALSE(plain.headless.untilCharge);

    // Help and version win over anything else, as GNU programs do.
    EXPECT_EQ(Parse({"--headless", "--help", "--bogus"}).action, CommandLine::Action::ShowHelp);
    EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::ShowVersion);
}

TEST(CommandLine, BadValuesAndOptionsAreUsageErrorsNamingTheOption)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--headless", "--duration", "0"}, "--duration"},
        {{"--headless", "--duration", "-5"}, "--duration"},
        {{"--headless", "--duration", "5s"}, "--duration"},
        {{"--headless", "--duration", " 5"}, "--duration"},
        {{"--headless", "--duration="}, "--duration"},
        {{"--headless", "--duration", "99999999999999999999"}, "--duration"},
        {{"--headless", "--duration"}, "--duration"},
        {{"--headless", "--until-charge", "101"}, "--until-charge"},
        {{"--headless", "--until-charge", "-1"}, "--until-charge"},
        {{"--headless", "--until-charge", "20%"}, "--until-charge"},
        {{"--headless", "--records=yes"}, "--records"},
        {{"--headless", "--headles"}, "--headles"},
        {{"--headless", "-h"}, "-h"},
        {{"--headless", "run.log"}, "run.log"},
        {{"--duration", "5"}, "--duration"},
        {{"--until-charge", "5"}, "--until-charge"},
        {{"--records"}, "--records"},
    };
    for (const auto& [args, option] : cases) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.action, CommandLine::Action::BadUsage) << option;
        EXPECT_NE(line.problem.find(option), std::string::npos) << line.problem;
        EXPECT_EQ(line.problem.find('\n'), std::string::npos) << line.problem;
    }
}
