// The monitor's validating setters and the remembered position.
#include "monitor/Monitor.h"

#include "fakes/FakeServices.h"

#include <gtest/gtest.h>

namespace {

class Setters : public ::testing::Test
{
protected:
    tallyvolt::test::FakeServices m_fakes;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
};

} // namespace

TEST_F(Setters, ConstructorDefaults)
{
    EXPECT_EQ(m_dlg.Delimiter(), "\t");
    EXPECT_TRUE(m_dlg.ExtraInfo());
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 60000u);
    EXPECT_FALSE(m_dlg.IsLogOpen());
    EXPECT_EQ(m_dlg.GetWindowPosition(), std::nullopt);
}

TEST_F(Setters, DelimiterNamesAreExactAndRejectionsChangeNothing)
{
    EXPECT_TRUE(m_dlg.SetDelimiter("COMMA"));
    EXPECT_EQ(m_dlg.Delimiter(), ",");
    for (const char* bad : {"comma", "Tab", "\t", "", "TAB ", ",", "SEMI"}) {
        EXPECT_FALSE(m_dlg.SetDelimiter(bad)) << bad;
        EXPECT_EQ(m_dlg.Delimiter(), ",");
    }
    EXPECT_TRUE(m_dlg.SetDelimiter("SEMICOLON"));
    EXPECT_EQ(m_dlg.Delimiter(), ";");
    EXPECT_TRUE(m_dlg.SetDelimiter("TAB"));
    EXPECT_EQ(m_dlg.Delimiter(), "\t");
}

TEST_F(Setters, FlagsTakeOnlyZeroAndOne)
{
    EXPECT_TRUE(m_dlg.SetExtraInfo(0));
    EXPECT_FALSE(m_dlg.ExtraInfo());
    EXPECT_FALSE(m_dlg.SetExtraInfo(2));
    EXPECT_FALSE(m_dlg.SetExtraInfo(-1));
    EXPECT_FALSE(m_dlg.ExtraInfo());
    EXPECT_TRUE(m_dlg.SetExtraInfo(1));
    EXPECT_TRUE(m_dlg.ExtraInfo());

    EXPECT_TRUE(m_dlg.SetStartMinimized(1));
    EXPECT_TRUE(m_dlg.StartMinimized());
    EXPECT_FALSE(m_dlg.SetStartMinimized(2));
    EXPECT_TRUE(m_dlg.StartMinimized());
    EXPECT_TRUE(m_dlg.SetStartMinimized(0));
    EXPECT_FALSE(m_dlg.StartMinimized());
}

TEST_F(Setters, UpdatePeriodFromOneToSixHundredSeconds)
{
    EXPECT_TRUE(m_dlg.SetUpdatePeriod(1));
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 1000u);
    EXPECT_TRUE(m_dlg.SetUpdatePeriod(600));
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 600000u);
    for (int bad : {0, -1, 601, 2147483647, -2147483647 - 1})
        EXPECT_FALSE(m_dlg.SetUpdatePeriod(bad)) << bad;
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 600000u);
}

TEST_F(Setters, WindowPositionReadsLikeTwoDecimalConversions)
{
    m_dlg.SetWindowPosition("-5 20");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "-5 20");
    m_dlg.SetWindowPosition("12\t640 trailing words");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "12 640");
    m_dlg.SetWindowPosition("+7-3");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "7 -3");
    // Fewer than two numbers: what was not reached stays.
    m_dlg.SetWindowPosition("100");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "100 -3");
    m_dlg.SetWindowPosition("abc 1");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "100 -3");
}

TEST_F(Setters, SingleCoordinateLeavesTheOtherUnknown)
{
    m_dlg.SetWindowPosition("100");
    EXPECT_EQ(m_dlg.RememberedX(), 100);
    EXPECT_EQ(m_dlg.RememberedY(), std::nullopt);
    EXPECT_EQ(m_dlg.GetWindowPosition(), "100");
}

TEST_F(Setters, WindowPositionBeyondThirtyTwoBitsIsNotTaken)
{
    m_dlg.SetWindowPosition("1 2");
    m_dlg.SetWindowPosition("4294967396 300");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "1 2");
    m_dlg.SetWindowPosition("50 -2147483649");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "50 2");
    m_dlg.SetWindowPosition("-2147483648 2147483647");
    EXPECT_EQ(m_dlg.GetWindowPosition(), "-2147483648 2147483647");
}
