// The real program under X: a whole run, refused settings, and a second copy.
#include "e2e/Session.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>

using namespace std::chrono_literals;
using namespace tallyvolt::test;

namespace {

const std::string kStamp = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)";

// A user of the test's own: home, runtime folder and a folder to start the program from.
class E2e : public ::testing::Test
{
protected:
    E2e()
    {
        ::mkdir(Home().c_str(), 0700);
        ::mkdir(Runtime().c_str(), 0700);
        ::mkdir(Work().c_str(), 0755);
    }
    std::string Home() const { return m_dir / "home"; }
    std::string Runtime() const { return m_dir / "runtime"; }
    std::string Work() const { return m_dir / "work"; }
    std::map<std::string, std::string> Env(const std::string& locale = "C.UTF-8") const
    {
        return {{"HOME", Home()}, {"XDG_RUNTIME_DIR", Runtime()}, {"XDG_CONFIG_HOME", ""},
                {"LC_ALL", locale}};
    }

    // Waits for the program's message box, checks it as a user sees it, and dismisses it.
    void ExpectMessageBox(Program& program, const std::string& message)
    {
        std::vector<std::string> boxes = program.WaitForWindows("Tallyvolt", 20s);
        ASSERT_EQ(boxes.size(), 1u) << program.Errors();
        EXPECT_EQ(WindowClass(boxes[0]), "\"tallyvolt\", \"Tallyvolt\"");
        EXPECT_NE(program.Errors().find(message), std::string::npos) << program.Errors();
        // Still waiting for the user.
        EXPECT_EQ(program.WaitForExit(300ms), std::nullopt);
        PressKey(boxes[0], "Return");
    }

    TempFolder m_dir;
};

class E2eLocale : public E2e, public ::testing::WithParamInterface<const char*>
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
    Program program(Work(), Env(GetParam()));
    ASSERT_EQ(program.WaitForExit(20s), 0) << program.Errors();

    const std::string log = ReadFile(Work() + "/run.log");
    // Commas in the locale's own date format or decimal point must not reach the columns.
    EXPECT_TRUE(std::regex_match(log, std::regex("Tallyvolt v1\\.0 - started " + kStamp + "\r\n"
                                                 "Time,Battery Life,AC Power,Battery State,"
                                                 "CPU Usage\r\n"
                                                 "Tallyvolt v1\\.0 - stopped " + kStamp + "\r\n"
                                                 "Battery Burn Rate: ,CPU Average:0\\.00%\r\n"
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

TEST_F(E2e, SecondRunAppendsAndAddsAMissingPosition)
{
    WriteFile(Work() + "/tallyvolt.ini", "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\n");
    WriteFile(Work() + "/run.log", "old\r\n");
    Program first(Work(), Env());
    ASSERT_EQ(first.WaitForExit(20s), 0) << first.Errors();
    // No position was ever known: nothing is written, the file stays as it was.
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\n");
    EXPECT_EQ(ReadFile(Work() + "/run.log"), "old\r\n");

    WriteFile(Work() + "/tallyvolt.ini",
              "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\nWindowPosition=-5\n");
    Program second(Work(), Env());
    ASSERT_EQ(second.WaitForExit(20s), 0) << second.Errors();
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"),
              "[Tallyvolt]\nLogFile=run.log\nExtraInfo=0\nWindowPosition=-5\n");
}

TEST_F(E2e, DefaultLogGoesToTheDesktopFolder)
{
    ::mkdir((Home() + "/.config").c_str(), 0700);
    ::mkdir((Home() + "/Schreibtisch").c_str(), 0755);
    WriteFile(Home() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    Program program(Work(), Env());
    ASSERT_EQ(program.WaitForExit(20s), 0) << program.Errors();
    const std::string log = ReadFile(Home() + "/Schreibtisch/TALLYVOLT.INI");
    EXPECT_EQ(log.rfind("Tallyvolt v1.0 - started ", 0), 0u) << log;
    EXPECT_NE(log.find("Time\tBattery Life\tAC Power\tBattery State\tCPU Usage\r\n"),
              std::string::npos);
    // Nothing to store: the settings file is not created.
    EXPECT_FALSE(FileExists(Work() + "/tallyvolt.ini"));
}

TEST_F(E2e, MissingDesktopFolderShowsTheLogMessageAndCreatesNoFolder)
{
    Program program(Work(), Env());
    ExpectMessageBox(program, "Unable to create log file. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_FALSE(FileExists(Home() + "/Desktop"));
    EXPECT_FALSE(FileExists(Work() + "/tallyvolt.ini"));
}

TEST_F(E2e, RefusedSettingShowsItsMessageAndLeavesTheSettingsFileAlone)
{
    const std::string settings = "[Tallyvolt]\r\nLogFile=run.log\r\nUpdatePeriod=601\r\n"
                                 "WindowPosition=10 20\r\n";
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env());
    ExpectMessageBox(program,
                     "You specified an invalid update period. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
    // The header went out before the period was read; the refused run gets no footer.
    EXPECT_TRUE(std::regex_match(ReadFile(Work() + "/run.log"),
                                 std::regex("Tallyvolt v1\\.0 - started " + kStamp +
                                            "\r\nTime\tBattery Life\tAC Power\tBattery State\t"
                                            "CPU Usage\r\n")));
}

TEST_F(E2e, LogThatIsTheSettingsFileIsRefused)
{
    const std::string settings = "[Tallyvolt]\nLogFile=./TALLYVOLT.ini\n";
    ::symlink("tallyvolt.ini", (Work() + "/TALLYVOLT.ini").c_str());
    WriteFile(Work() + "/tallyvolt.ini", settings);
    Program program(Work(), Env());
    ExpectMessageBox(program, "Unable to create log file. Check the settings in tallyvolt.ini.");
    EXPECT_EQ(program.WaitForExit(10s), 1);
    EXPECT_EQ(ReadFile(Work() + "/tallyvolt.ini"), settings);
}

TEST_F(E2e, SecondCopyShowsAlreadyRunningAndTouchesNothing)
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

    ExpectMessageBox(first,
                     "You specified an invalid StartMinimized value. Check the settings in "
                     "tallyvolt.ini.");
    EXPECT_EQ(first.WaitForExit(10s), 1);
}
