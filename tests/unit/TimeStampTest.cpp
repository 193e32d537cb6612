// The log's stamps read into seconds and back into the calendar, on every day the two-digit
// year can name, whatever the zone the program runs in.
#include "log/TimeStamp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace tallyvolt {
namespace {

// Runs the test body with the process's zone set to one with daylight saving time, and puts
// the old zone back: stamps are wall-clock times, so no zone may shift them.
class TimeStampInAZone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        m_hadZone = old != nullptr;
        m_saved = old ? old : "";
        SetZone("EST5EDT,M3.2.0,M11.1.0");
    }
    void TearDown() override { SetZone(m_hadZone ? m_saved.c_str() : ""); }

private:
    static void SetZone(const char* zone)
    {
#ifdef _WIN32
        _putenv_s("TZ", zone);
        _tzset();
#else
        ::setenv("TZ", zone, 1);
        ::tzset();
#endif
    }
    bool m_hadZone = false;
    std::string m_saved;
};

std::string Stamp(int year, int month, int day, const char* time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %s", month, day, year % 100, time);
    return text;
}

TEST_F(TimeStampInAZone, EveryDayFrom2000To2099FollowsTheDayBeforeAndReadsBack)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    LocalSeconds expected = 0;
    for (int year = 2000; year <= 2099; ++year) {
        const bool leap = year % 4 == 0; // 2000 is a leap year, and no other century is named
        for (int month = 1; month <= 12; ++month) {
            const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
            for (int day = 1; day <= days; ++day, expected += 86400) {
                const std::string stamp = Stamp(year, month, day, "00:00:00");
                ASSERT_EQ(ParseTimeStamp(stamp), expected) << stamp;
                const std::tm back = CalendarFields(expected + 23 * 3600 + 59 * 60 + 58);
                ASSERT_EQ(back.tm_year + 1900, year) << stamp;
                ASSERT_EQ(back.tm_mon + 1, month) << stamp;
                ASSERT_EQ(back.tm_mday, day) << stamp;
                ASSERT_EQ(back.tm_hour * 3600 + back.tm_min * 60 + back.tm_sec, 86398) << stamp;
            }
            // The day after the month's last does not exist, in a stamp read alone or in a run.
            const std::string pastTheEnd = Stamp(year, month, days + 1, "12:00:00");
            ASSERT_FALSE(ParseTimeStamp(pastTheEnd)) << pastTheEnd;
            TimeStampReader reader;
            ASSERT_TRUE(reader.Read(Stamp(year, month, days, "12:00:00")));
            ASSERT_FALSE(reader.Read(pastTheEnd)) << pastTheEnd;
        }
    }
}

TEST_F(TimeStampInAZone, ALeapSecondEndsTheDayAndReadersShareTheDate)
{
    EXPECT_EQ(ParseTimeStamp("12/31/16 23:59:60"), ParseTimeStamp("01/01/17 00:00:00"));
    const std::tm next = CalendarFields(*ParseTimeStamp("12/31/16 23:59:60"));
    EXPECT_EQ(next.tm_year + 1900, 2017);
    EXPECT_EQ(next.tm_yday, 0);
    // A reader that keeps its date gives what a stamp read alone gives, also across the spring
    // and autumn changes of the zone above.
    TimeStampReader reader;
    for (const char* stamp : {"03/10/24 01:59:59", "03/10/24 02:30:00", "03/10/24 03:00:00",
                              "11/03/24 01:30:00", "11/03/24 01:30:00", "11/04/24 00:00:00"})
        EXPECT_EQ(reader.Read(stamp), ParseTimeStamp(stamp)) << stamp;
    EXPECT_EQ(*ParseTimeStamp("03/10/24 03:00:00") - *ParseTimeStamp("03/10/24 01:59:59"), 3601);
}

} // namespace
} // namespace tallyvolt
