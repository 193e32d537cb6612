// The real program under X: a whole run, refused settings, and a second copy.
#include "e2e/Session.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <regex>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

class E2eLocale : public E2eTest, public ::testing::WithParamInterface<const char*>
{
};

} // namespace

TEST_P(E2eLocale, ValidRunLeavesHeaderColumnsFooterAndPosition)
{
    const std::string settings = "; kept as it is\r\n"
                                 "[Tallyvolt]\r\n"
                                 "Delimiter=COMMA\r\n"
                                 "LogFile=run.log\r\n"
                                 "WindowPosition=100 200\r\n"
                                 "Unknown=kept\r\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env(GetParam()),
                    std::string(TALLYVOLT_TEST_DATA_DIR) + "/power_supply/own-energy-single");
    ASSERT_EQ(CloseMonitor(program), 0) << program.Errors();

    const std::string log = ReadFile(Work() + "/run.log");
    // Commas in the locale's own date format or decimal point must not reach the columns.
    const std::string record = kStampPattern + ",\\d+%,(On|Off|Unknown),[A-Za-z+ ]+,\\d+%\r\n";
    EXPECT_TRUE(
        std::regex_match(log, std::regex("Tallyvolt v1\\.0 - started " + kStampPattern +
                                         "\r\n"
                                         "Time,Battery Life,AC Power,Battery State,"
                                         "CPU Usage\r\n"
                                         "(" +
                                         record +
                                         ")+"
                                         "Tallyvolt v1\\.0 - stopped " +
                                         kStampPattern +
                                         "\r\n"
                                         "Battery Burn Rate: (Undefined|-?\\d+\\.\\d\\d%/minute),"
                                         "CPU Average:\\d+\\.\\d\\d%\r\n"
                                         "\r\n")))
        << log;
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
}

INSTANTIATE_TEST_SUITE_P(Locales, E2eLocale,
                         ::testing::Values("C.UTF-8", "en_PH.UTF-8", "de_DE.UTF-8"),
                         [](const auto& p) {
                             std::string name = p.param;
                             return name.substr(0, name.find('.'));
                         });

TEST_F(E2eTest, RunsAppendAndThePositionIsWrittenBack)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\n");
    WriteFile(Work() + "/run.log", "old\r\n");
    Program first(Work(), Env());
    ASSERT_EQ(CloseMonitor(first), 0) << first.Errors();
    // The window showed, so its place is known now: the key is added, the rest kept.
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/tallyvolt.ini"),
                                 std::regex("\\[Tallyvolt\\]\nLogFile=run.log\nExtraInfo=0\n"
                                            "WindowPosition=\\d+ \\d+\n")))
        << ReadFile(Work() + "/tallyvolt.ini");
    // Records only, after what was there.
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/run.log"),
                                 std::regex("old\r\n(" + kStampPattern + "\t[^\r\n]*\r\n)+")))
        << ReadFile(Work() + "/run.log");

    // A single coordinate keeps the other centred; the pair is written back.
    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\r\nLogFile=run.log\r\nExtraInfo=0\r\nWindowPosition=40\r\n");
    Program second(Work(), Env());
    ASSERT_EQ(CloseMonitor(second), 0) << second.Errors();
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/tallyvolt.ini"),
                                 std::regex("\\[Tallyvolt\\]\r\nLogFile=run.log\r\nExtraInfo=0\r\n"
                                            "WindowPosition=40 \\d+\r\n")))
        << ReadFile(Work() + "/tallyvolt.ini");
}

TEST_F(E2eTest, DefaultLogGoesToTheDesktopFolder)
{
    ::mkdir((Home() + "/.config").c_str(), 0700);
    ::mkdir((Home() + "/Schreibtisch").c_str(), 0755);
    WriteFile(Home() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    Program program(Work(), Env());
    ASSERT_EQ(CloseMonitor(program), 0) << program.Errors();
    const std::string log = ReadFile(Home() + "/Schreibtisch/TALLYVOLT.INI");
    EXPECT_EQ(log.rfind("Tallyvolt v1.0 - started ", 0), 0u) << log;
    EXPECT_NE(log.find("Time\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n"),
              std::string::npos);
    // With no settings file, the run leaves one holding just the window's place.
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/tallyvolt.ini"),
                                 std::regex("\\[Tallyvolt\\]\nWindowPosition=\\d+ \\d+\n")))
        << ReadFile(Work() + "/tallyvolt.ini");
}

TEST_F(E2eTest, MissingDesktopFolderShowsTheLogMessageAndCreatesNoFolder)
{
    Program program(Work(), Env());
    ExpectMessageBox(program, "Unable to create log file. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_FALSE(FileExists(Home() + "/Desktop"));
    EXPECT_FALSE(FileExists(Work() + "/tallyvolt.ini"));
}

TEST_F(E2eTest, RefusedSettingShowsItsMessageAndLeavesTheSettingsFileAlone)
{
    const std::string settings = "[Tallyvolt]\r\nLogFile=run.log\r\nUpdatePeriod=601\r\n"
                                 "WindowPosition=10 20\r\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env());
    ExpectMessageBox(
        program, "You specified an invalid update period. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    // The header went out before the period was read; the refused run gets no footer.
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/run.log"),
                                 std::regex("Tallyvolt v1\\.0 - started " + kStampPattern +
                                            "\r\nTime\tBattery Life\tAC Power\tBattery State\t"
                                            "CPU Usage\r\n")));
}

TEST_F(E2eTest, LogThatIsTheSettingsFileIsRefused)
{
    const std::string settings = "[Tallyvolt]\nLogFile=./TALLYVOLT.ini\n";
    ::symlink("tallyvolt.ini", (Work() + "/TALLYVOLT.ini").c_str());
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env());
    ExpectMessageBox(program, "Unable to create log file. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
}

TEST_F(E2eTest, SecondCopyShowsAlreadyRunningAndTouchesNothing)
{
    // The first copy holds the claim while its own message box is up.
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nStartMinimized=2\n");
    Program first(Work(), Env());
    ASSERT_EQ(first.WaitForWindows("Tallyvolt", 20s).size(), 1u) << first.Errors();

    const std::string other = m_dir / "other";
    ::mkdir(other.c_str(), 0755);
    const std::string settings = "[Tallyvolt]\nLogFile=second.log\n";
    WriteFile(other + "/tallyvolt.ini", settings);
    Program second(other, Env());
    ExpectMessageBox(second, "Tallyvolt is already running!");
    EXPECT_EQ(second.WaitForExit(10s), 0);
    EXPECT_EQ(ReadFile(other + "/tallyvolt.ini"), settings);
    EXPECT_FALSE(FileExists(other + "/second.log"));

    ExpectMessageBox(first, "You specified an invalid StartMinimized value. Check the settings in "
                            "tallyvolt.ini.");
    EXPECT_EQ(first.WaitForExit(10s), 1);
}
