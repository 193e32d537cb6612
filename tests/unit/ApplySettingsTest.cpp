// Start-up's reading of the settings: order, defaults, and which message wins.
#include "app/ApplySettings.h"

#include "fakes/FakeServices.h"
#include "fakes/TempFolder.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

using namespace tallyvolt;
using namespace tallyvolt::test;

namespace {

class ApplySettingsTest : public ::testing::Test
{
protected:
    // Applies a [Tallyvolt] section body; the default log is run.log in the folder. Returns
    // the refusal message, or "accepted".
    std::string Apply(const std::string& body) { return Apply(m_dlg, body); }
    std::string Apply(tallyvolt::Monitor& dlg, const std::string& body)
    {
        WriteFile(SettingsPath(), "[Tallyvolt]\r\n" + body);
        SettingsFile settings(SettingsPath(), "Tallyvolt");
        settings.Load();
        const char* refusal = ApplySettings(dlg, settings, LogPath());
        return refusal ? refusal : "accepted";
    }
    std::string SettingsPath() const { return m_dir / "tallyvolt.ini"; }
    std::string LogPath() const { return m_dir / "run.log"; }

    FakeServices m_fakes;
    tallyvolt::Monitor m_dlg{m_fakes.Get()};
    TempFolder m_dir;
};

} // namespace

TEST_F(ApplySettingsTest, NoSettingsFileMeansEveryDefault)
{
    SettingsFile settings(SettingsPath(), "Tallyvolt");
    settings.Load();
    EXPECT_EQ(ApplySettings(m_dlg, settings, LogPath()), nullptr);
    EXPECT_EQ(m_dlg.Delimiter(), "\t");
    EXPECT_TRUE(m_dlg.ExtraInfo());
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 60000u);
    EXPECT_FALSE(m_dlg.StartMinimized());
    EXPECT_EQ(m_dlg.GetWindowPosition(), std::nullopt);
    EXPECT_TRUE(m_dlg.IsLogOpen());
    EXPECT_EQ(ReadFile(LogPath()).find("Time\tBattery Life\t"), 44u);
}

TEST_F(ApplySettingsTest, EverySettingTaken)
{
    EXPECT_EQ(Apply(" delimiter = SEMICOLON \r\nExtraInfo=0\r\nLogFile=" + LogPath() +
                    "\r\nUpdatePeriod=+5 seconds\r\nStartMinimized=1\r\nWindowPosition=-5 20\r\n"),
              "accepted");
    EXPECT_EQ(m_dlg.Delimiter(), ";");
    EXPECT_FALSE(m_dlg.ExtraInfo());
    EXPECT_EQ(m_dlg.UpdatePeriodMs(), 5000u);
    EXPECT_TRUE(m_dlg.StartMinimized());
    EXPECT_EQ(m_dlg.GetWindowPosition(), "-5 20");
    EXPECT_EQ(ReadFile(LogPath()), ""); // extra info off: no header
}

TEST_F(ApplySettingsTest, FirstRefusalWinsAndLaterSettingsAreNotRead)
{
    EXPECT_EQ(Apply("Delimiter=comma\r\nUpdatePeriod=0\r\n"), std::string(text::kBadDelimiter));
    EXPECT_FALSE(m_dlg.IsLogOpen());
    EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(ApplySettingsTest, ExtraInfoIsCheckedBeforeTheLogIsOpened)
{
    // 4294967297 would wrap to 1 in 32 bits; it must be refused instead.
    for (const char* bad : {"2", "-1", "4294967297"}) {
        EXPECT_EQ(Apply(std::string("ExtraInfo=") + bad + "\r\n"), std::string(text::kBadExtraInfo))
            << bad;
        EXPECT_FALSE(FileExists(LogPath()));
    }
}

TEST_F(ApplySettingsTest, PowerDrawIsCheckedBeforeTheLogIsOpenedAndShapesTheColumnLine)
{
    for (const char* bad : {"2", "-1", "4294967297"}) {
        EXPECT_EQ(Apply(std::string("ExtraInfo=1\r\nPowerDraw=") + bad + "\r\n"),
                  "You specified an invalid PowerDraw value. Check the settings in tallyvolt.ini.")
            << bad;
        EXPECT_FALSE(FileExists(LogPath()));
    }
    // A bad ExtraInfo is reported first: it comes before PowerDraw.
    EXPECT_EQ(Apply("PowerDraw=7\r\nExtraInfo=3\r\n"), std::string(text::kBadExtraInfo));

    EXPECT_EQ(Apply("powerdraw = 1\r\nDelimiter=COMMA\r\n"), "accepted");
    EXPECT_TRUE(m_dlg.PowerDraw());
    EXPECT_NE(ReadFile(LogPath()).find("CPU Usage,Power Draw\r\n"), std::string::npos);

    tallyvolt::Monitor absent(m_fakes.Get());
    EXPECT_EQ(Apply(absent, "LogFile=" + (m_dir / "other.log") + "\r\n"), "accepted");
    EXPECT_FALSE(absent.PowerDraw());
    EXPECT_NE(ReadFile(m_dir / "other.log").find("\tCPU Usage\r\n"), std::string::npos);
}

TEST_F(ApplySettingsTest, PathsThatCannotBeTheLogAreRefused)
{
    EXPECT_EQ(Apply("LogFile=" + (m_dir / "no/such/folder.log") + "\r\n"),
              std::string(text::kBadLogFile));
    EXPECT_EQ(Apply("LogFile=" + SettingsPath() + "\r\n"), std::string(text::kBadLogFile));
    EXPECT_EQ(Apply("LogFile=\r\n"), std::string(text::kBadLogFile));
}

TEST_F(ApplySettingsTest, PeriodAndMinimizedAreRefusedAfterTheHeaderIsWritten)
{
    EXPECT_EQ(Apply("UpdatePeriod=601\r\nStartMinimized=2\r\n"),
              std::string(text::kBadUpdatePeriod));
    EXPECT_TRUE(m_dlg.IsLogOpen());
    EXPECT_EQ(ReadFile(LogPath()).rfind("Tallyvolt v1.0 - started 12/07/26 13:05:09\r\n", 0), 0u);

    tallyvolt::Monitor second(m_fakes.Get());
    m_dlg.CloseLog();
    // No digits reads as 0.
    EXPECT_EQ(Apply(second, "UpdatePeriod=abc\r\n"), std::string(text::kBadUpdatePeriod));
}

TEST_F(ApplySettingsTest, StartMinimizedMessage)
{
    EXPECT_EQ(Apply("StartMinimized=2\r\n"), std::string(text::kBadStartMinimized));
    EXPECT_EQ(m_dlg.GetWindowPosition(), std::nullopt);
}

TEST_F(ApplySettingsTest, EmptyWindowPositionLeavesThePositionUnknown)
{
    EXPECT_EQ(Apply("WindowPosition=\r\n"), "accepted");
    EXPECT_EQ(m_dlg.GetWindowPosition(), std::nullopt);
}
