// The log: exact bytes of header, column line, records and footer; appending; failing opens.
#include "log/LogText.h"
#include "monitor/Monitor.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

constexpr std::time_t kStart = 1796648709; // 12/07/26 13:05:09 UTC

class Log : public ::testing::Test
{
protected:
    FakeServices m_fakes{kStart};
    FakeClock& m_clock = m_fakes.clock;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
    TempFolder m_dir;
};

struct DelimiterCase
{
    const char* name;
    const char* delimiter;
};

class LogPerDelimiter : public Log, public ::testing::WithParamInterface<DelimiterCase>
{
};

} // namespace

TEST_P(LogPerDelimiter, HeaderAndFooterFrameTheRunByteForByte)
{
    const std::string d = GetParam().delimiter;
    ASSERT_TRUE(m_dlg.SetDelimiter(GetParam().name));
    ASSERT_TRUE(m_dlg.OpenLog(m_dir / "run.log"));
    m_clock.Advance(75);
    m_dlg.CloseLog();
    EXPECT_FALSE(m_dlg.IsLogOpen());
    // No sample was taken: the footer has no burn rate yet and an average of 0.00.
    EXPECT_EQ(ReadFile(m_dir / "run.log"), "Tallyvolt v1.0 - started 12/07/26 13:05:09\r\n"
                                           "Time" +
                                               d + "Battery Life" + d + "AC Power" + d +
                                               "Battery State" + d +
                                               "CPU Usage\r\n"
                                               "Tallyvolt v1.0 - stopped 12/07/26 13:06:24\r\n"
                                               "Battery Burn Rate: " +
                                               d +
                                               "CPU Average:0.00%\r\n"
                                               "\r\n");
}

TEST_P(LogPerDelimiter, RecordAndFooterText)
{
    const std::string d = GetParam().delimiter;
    EXPECT_EQ(Record(d, "12/07/26 13:05:09", 87, "On", "High+Charging", 12),
              "12/07/26 13:05:09" + d + "87%" + d + "On" + d + "High+Charging" + d + "12%\r\n");
    // An unknown charge is written as the raw 255.
    EXPECT_EQ(Record(d, "01/02/03 04:05:06", 255, "Unknown", "Unknown", 100),
              "01/02/03 04:05:06" + d + "255%" + d + "Unknown" + d + "Unknown" + d + "100%\r\n");
    EXPECT_EQ(StopFooter(d, "12/07/26 13:06:24", "0.25%/minute", 37.5),
              "Tallyvolt v1.0 - stopped 12/07/26 13:06:24\r\n"
              "Battery Burn Rate: 0.25%/minute" +
                  d + "CPU Average:37.50%\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(Delimiters, LogPerDelimiter,
                         ::testing::Values(DelimiterCase{"TAB", "\t"}, DelimiterCase{"COMMA", ","},
                                           DelimiterCase{"SEMICOLON", ";"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Log, WithoutExtraInfoARunAddsNothingButRecords)
{
    WriteFile(m_dir / "run.log", "old\r\n");
    ASSERT_TRUE(m_dlg.SetExtraInfo(0));
    ASSERT_TRUE(m_dlg.OpenLog(m_dir / "run.log"));
    m_dlg.CloseLog();
    EXPECT_EQ(ReadFile(m_dir / "run.log"), "old\r\n");
}

TEST_F(Log, AppendsToAnExistingLogAndCreatesAMissingOneWithTheUsualMode)
{
    WriteFile(m_dir / "run.log", "earlier run\r\n");
    ASSERT_TRUE(m_dlg.OpenLog(m_dir / "run.log"));
    m_dlg.CloseLog();
    const std::string text = ReadFile(m_dir / "run.log");
    EXPECT_EQ(text.rfind("earlier run\r\nTallyvolt v1.0 - started ", 0), 0u) << text;

    const mode_t old = ::umask(022);
    ASSERT_TRUE(m_dlg.OpenLog(m_dir / "new.log"));
    ::umask(old);
    struct stat st;
    ASSERT_EQ(::stat((m_dir / "new.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // Only one log at a time.
    EXPECT_FALSE(m_dlg.OpenLog(m_dir / "other.log"));
    EXPECT_FALSE(FileExists(m_dir / "other.log"));
}

TEST_F(Log, OpensThatFailLeaveNothingOpen)
{
    EXPECT_FALSE(m_dlg.OpenLog(m_dir / "missing/run.log"));
    EXPECT_FALSE(m_dlg.IsLogOpen());
    EXPECT_FALSE(FileExists(m_dir / "missing"));

    ::mkdir((m_dir / "folder").c_str(), 0755);
    EXPECT_FALSE(m_dlg.OpenLog(m_dir / "folder"));
    EXPECT_FALSE(m_dlg.OpenLog(""));
    EXPECT_FALSE(m_dlg.IsLogOpen());
}

TEST_F(Log, TheSettingsFileIsNeverTakenAsTheLog)
{
    const std::string settings = m_dir / "tallyvolt.ini";
    m_dlg.SetSettingsPath(settings);

    // Not there yet: the log must not create it either.
    EXPECT_FALSE(m_dlg.OpenLog(settings));
    EXPECT_FALSE(FileExists(settings));

    const std::string content = "[Tallyvolt]\nLogFile=tallyvolt.ini\n";
    WriteFile(settings, content);
    ASSERT_EQ(::symlink(settings.c_str(), (m_dir / "link.ini").c_str()), 0);
    ASSERT_EQ(::link(settings.c_str(), (m_dir / "hard.ini").c_str()), 0);
    EXPECT_FALSE(m_dlg.OpenLog(settings));
    EXPECT_FALSE(m_dlg.OpenLog(m_dir / "link.ini"));
    EXPECT_FALSE(m_dlg.OpenLog(m_dir / "hard.ini"));
    EXPECT_FALSE(m_dlg.OpenLog(m_dir.Path() + "/./tallyvolt.ini"));
    EXPECT_EQ(ReadFile(settings), content);
    EXPECT_FALSE(m_dlg.IsLogOpen());
}

TEST_F(Log, ALogHeldByAnotherProcessIsRefusedButStaysReadable)
{
    const std::string path = m_dir / "run.log";
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FakeServices fakes(kStart);
        tallyvolt::Monitor holder(fakes.Get());
        char c = holder.OpenLog(path) ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        holder.CloseLog();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    EXPECT_FALSE(m_dlg.OpenLog(path));
    EXPECT_EQ(ReadFile(path).rfind("Tallyvolt v1.0 - started ", 0), 0u);

    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Once the holder has gone, the log is free again.
    EXPECT_TRUE(m_dlg.OpenLog(path));
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
}

TEST_F(Log, AWriteThatRunsOutOfSpaceLeavesNoPartialLine)
{
    const std::string path = m_dir / "run.log";
    ASSERT_TRUE(m_dlg.SetExtraInfo(0));
    WriteFile(path, "whole line\r\n");
    auto log = CreateLogFile();
    ASSERT_TRUE(log->Open(path, ""));

    // A file-size limit a few bytes past the end makes the next write stop part-way, the way a
    // full disk does.
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = log->Append("12/07/26 13:05:09\t87%\tOn\tHigh\t5%\r\n");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(path), "whole line\r\n");
    // Space is back: the next record goes in whole.
    EXPECT_TRUE(log->Append("next\r\n"));
    EXPECT_EQ(ReadFile(path), "whole line\r\nnext\r\n");
}

// A log deleted during a run used to take every later record with it into the nameless file.
TEST_F(Log, ADeletedLogStartsAgainAtItsPathAndARenamedOneKeepsItsRecords)
{
    const std::string sub = m_dir / "sub";
    const std::string path = sub + "/run.log";
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    m_fakes.power.Set(87, 0, kBatteryHigh);
    ASSERT_TRUE(m_dlg.SetDelimiter("COMMA"));
    ASSERT_TRUE(m_dlg.OpenLog(path));
    m_dlg.Update(false);

    ASSERT_EQ(::unlink(path.c_str()), 0);
    m_clock.Advance(60);
    m_dlg.Update(false);
    const std::string fresh = "Tallyvolt v1.0 - started 12/07/26 13:06:09\r\n"
                              "Time,Battery Life,AC Power,Battery State,CPU Usage\r\n"
                              "12/07/26 13:06:09,87%,Off,High,0%\r\n";
    EXPECT_EQ(ReadFile(path), fresh);

    // Renamed (rotated): the records follow the file, and no new one appears at the path.
    ASSERT_EQ(::rename(path.c_str(), (sub + "/old.log").c_str()), 0);
    m_clock.Advance(60);
    m_dlg.Update(false);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReadFile(sub + "/old.log"), fresh + "12/07/26 13:07:09,87%,Off,High,0%\r\n");

    // The folder goes too: nothing can be opened, sampling goes on, and the log starts again
    // as soon as the folder is back.
    ASSERT_EQ(::unlink((sub + "/old.log").c_str()), 0);
    ASSERT_EQ(::rmdir(sub.c_str()), 0);
    m_clock.Advance(60);
    m_dlg.Update(false);
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    m_clock.Advance(60);
    m_dlg.Update(false);
    m_dlg.CloseLog();
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.rfind("Tallyvolt v1.0 - started 12/07/26 13:09:09\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\r\n12/07/26 13:09:09,87%,Off,High,0%\r\nTallyvolt v1.0 - stopped "),
              std::string::npos)
        << text;

    // With extra info off the new file holds records only.
    tallyvolt::Monitor quiet{m_fakes.Get()};
    ASSERT_TRUE(quiet.SetExtraInfo(0));
    ASSERT_TRUE(quiet.OpenLog(path));
    ASSERT_EQ(::unlink(path.c_str()), 0);
    quiet.Update(false);
    quiet.CloseLog();
    EXPECT_EQ(ReadFile(path), "12/07/26 13:09:09\t87%\tOff\tHigh\t0%\r\n");
}

TEST(LogTimeStamp, TwoDigitFieldsWhateverTheLocale)
{
    std::tm t{};
    t.tm_year = 2009 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 4;
    t.tm_hour = 5;
    t.tm_min = 6;
    t.tm_sec = 7;
    EXPECT_EQ(FormatTimeStamp(t), "03/04/09 05:06:07");
    t.tm_year = 2000 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    EXPECT_EQ(FormatTimeStamp(t), "12/31/00 23:59:59");
    t.tm_year = 2123 - 1900;
    t.tm_sec = 60; // a leap second
    EXPECT_EQ(FormatTimeStamp(t), "12/31/23 23:59:60");
    t.tm_year = 2000 - 1900;
    t.tm_sec = 59;

    // en_PH renders "%c" with commas, de_DE writes decimals with a comma; neither may reach
    // the log. The test script generates both locales.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "en_PH.UTF-8"), nullptr) << "locale en_PH.UTF-8 missing";
    EXPECT_EQ(FormatTimeStamp(t), "12/31/00 23:59:59");
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 missing";
    EXPECT_EQ(FormatFixed2(12.5), "12.50");
    EXPECT_EQ(StopFooter(",", "12/31/00 23:59:59", "-0.50%/minute", 49.999),
              "Tallyvolt v1.0 - stopped 12/31/00 23:59:59\r\n"
              "Battery Burn Rate: -0.50%/minute,CPU Average:50.00%\r\n\r\n");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(PowerColumn, TextsOfThePowerDrawAndTheirReading)
{
    EXPECT_EQ(PowerText(7.4249), "7.42W");
    EXPECT_EQ(PowerText(-5.2571), "-5.26W");
    // A charge current too small to show is no draw, never "-0.00W".
    EXPECT_EQ(PowerText(-0.004), "0.00W");
    EXPECT_EQ(PowerText(0.0), "0.00W");
    EXPECT_EQ(PowerText(std::nullopt), "Unknown");
    EXPECT_EQ(ParsePowerText("-5.26W"), -5.26);
    EXPECT_EQ(ParsePowerText("0.00W"), 0.0);
    for (const char* bad : {"Unknown", "W", "5.26", "5.26w", "5.2x6W", ""})
        EXPECT_FALSE(ParsePowerText(bad)) << bad;
}

TEST(PowerColumn, HeaderRecordAndFooterGainTheColumnOnlyWhenAsked)
{
    EXPECT_EQ(StartHeader(",", "12/07/26 13:05:09", true),
              "Tallyvolt v1.0 - started 12/07/26 13:05:09\r\n"
              "Time,Battery Life,AC Power,Battery State,CPU Usage,Power Draw\r\n");
    EXPECT_EQ(StartHeader(",", "12/07/26 13:05:09"), StartHeader(",", "12/07/26 13:05:09", false));
    EXPECT_EQ(Record(";", "12/07/26 13:05:09", 87, "Off", "High", 12, std::string("7.42W")),
              "12/07/26 13:05:09;87%;Off;High;12%;7.42W\r\n");
    EXPECT_EQ(StopFooter("\t", "12/07/26 13:06:24", "0.25%/minute", 37.5, std::string("6.10W")),
              "Tallyvolt v1.0 - stopped 12/07/26 13:06:24\r\n"
              "Battery Burn Rate: 0.25%/minute\tCPU Average:37.50%\tAverage Power:6.10W\r\n\r\n");
    EXPECT_EQ(StopFooter("\t", "12/07/26 13:06:24", "Undefined", 0, std::string("Unknown")),
              "Tallyvolt v1.0 - stopped 12/07/26 13:06:24\r\n"
              "Battery Burn Rate: Undefined\tCPU Average:0.00%\tAverage Power:Unknown\r\n\r\n");
}
