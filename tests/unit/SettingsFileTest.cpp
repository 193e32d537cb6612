// The settings file on disk: reading, and the one write-back that must never damage it.
#include "settings/SettingsFile.h"
#include "settings/TextEncoding.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tallyvolt::ReadResult;
using tallyvolt::SettingsFile;
using namespace tallyvolt::test;

namespace {

SettingsFile Loaded(const std::string& path)
{
    SettingsFile settings(path, "Tallyvolt");
    settings.Load();
    return settings;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// `utf8` as UTF-16LE with its mark.
std::string Wide(const std::string& utf8)
{
    return tallyvolt::encoding::Utf8ToUtf16Le(utf8).value();
}

} // namespace

TEST(SettingsFile, MissingFileGivesDefaultsAndTheWriteCreatesIt)
{
    TempFolder dir;
    SettingsFile settings = Loaded(dir / "tallyvolt.ini");
    EXPECT_EQ(settings.State(), ReadResult::Missing);
    EXPECT_EQ(settings.GetString("Delimiter", "TAB"), "TAB");
    EXPECT_EQ(settings.GetInteger("UpdatePeriod", 60), 60);

    ASSERT_TRUE(settings.WriteString("WindowPosition", "12 640"));
    EXPECT_EQ(ReadFile(dir / "tallyvolt.ini"), "[Tallyvolt]\nWindowPosition=12 640\n");
    // No temporary file is left beside it.
    EXPECT_FALSE(FileExists(dir / ".tallyvolt.ini.tmp-" + std::to_string(::getpid()) + "-0"));
}

TEST(SettingsFile, IntegerKeysOutsideThirtyTwoBitsAreRefused)
{
    TempFolder dir;
    WriteFile(dir / "tallyvolt.ini", "[Tallyvolt]\r\nUpdatePeriod=4294967356\r\nExtraInfo=1x\r\n");
    SettingsFile settings = Loaded(dir / "tallyvolt.ini");
    EXPECT_EQ(settings.GetInteger("UpdatePeriod", 60), std::nullopt);
    EXPECT_EQ(settings.GetInteger("ExtraInfo", 7), 1);
    EXPECT_EQ(settings.GetInteger("StartMinimized", 0), 0);
}

TEST(SettingsFile, WriteKeepsCrlfCommentsAndPermissionsAndSeesEditsMadeDuringTheRun)
{
    TempFolder dir;
    const std::string path = dir / "tallyvolt.ini";
    WriteFile(path, "; hand-written\r\n[Tallyvolt]\r\nWindowPosition=1 2\r\n");
    ::chmod(path.c_str(), 0640);
    SettingsFile settings = Loaded(path);
    // The user edits the file while the program runs.
    WriteFile(path, "; hand-written\r\n[Tallyvolt]\r\nUpdatePeriod=5\r\nWindowPosition=1 2\r\n");
    ASSERT_TRUE(settings.WriteString("WindowPosition", "30 40"));
    EXPECT_EQ(ReadFile(path),
              "; hand-written\r\n[Tallyvolt]\r\nUpdatePeriod=5\r\nWindowPosition=30 40\r\n");
    EXPECT_EQ(ModeOf(path), 0640u);
}

TEST(SettingsFile, SymbolicLinkStaysALink)
{
    TempFolder dir;
    ::mkdir((dir / "real").c_str(), 0755);
    WriteFile(dir / "real/settings.ini", "[Tallyvolt]\nWindowPosition=1 2\n");
    ASSERT_EQ(::symlink("real/settings.ini", (dir / "tallyvolt.ini").c_str()), 0);
    SettingsFile settings = Loaded(dir / "tallyvolt.ini");
    ASSERT_TRUE(settings.WriteString("WindowPosition", "5 6"));
    struct stat st;
    ASSERT_EQ(::lstat((dir / "tallyvolt.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "real/settings.ini"), "[Tallyvolt]\nWindowPosition=5 6\n");
}

TEST(SettingsFile, UnreadableFileIsNeverOverwritten)
{
    TempFolder dir;
    // A folder of that name.
    ::mkdir((dir / "tallyvolt.ini").c_str(), 0755);
    SettingsFile folder = Loaded(dir / "tallyvolt.ini");
    EXPECT_EQ(folder.State(), ReadResult::Unreadable);
    EXPECT_EQ(folder.GetString("Delimiter", "TAB"), "TAB");
    EXPECT_FALSE(folder.WriteString("WindowPosition", "1 2"));

    // A file too large to be a settings file: defaults, and it stays exactly as it was.
    const std::string big = dir / "big.ini";
    const std::string content =
        "[Tallyvolt]\nDelimiter=COMMA\n" + std::string(SettingsFile::kSizeLimit, ';');
    WriteFile(big, content);
    SettingsFile large = Loaded(big);
    EXPECT_EQ(large.State(), ReadResult::Unreadable);
    EXPECT_EQ(large.GetString("Delimiter", "TAB"), "TAB");
    EXPECT_FALSE(large.WriteString("WindowPosition", "1 2"));
    EXPECT_EQ(ReadFile(big), content);
}

TEST(SettingsFile, ByteOrderMarksAreHonoured)
{
    TempFolder dir;
    // UTF-8 with a mark: read as usual, the mark kept on rewrite.
    const std::string utf8 = dir / "utf8.ini";
    WriteFile(utf8, "\xEF\xBB\xBF[Tallyvolt]\r\nDelimiter=COMMA\r\n");
    SettingsFile marked = Loaded(utf8);
    EXPECT_EQ(marked.GetString("Delimiter", "TAB"), "COMMA");
    ASSERT_TRUE(marked.WriteString("WindowPosition", "1 2"));
    EXPECT_EQ(ReadFile(utf8),
              "\xEF\xBB\xBF[Tallyvolt]\r\nDelimiter=COMMA\r\nWindowPosition=1 2\r\n");

    // UTF-16 little-endian with its mark (Notepad's "Unicode"): read, and rewritten in UTF-16
    // with the mark and the line ends it had.
    const std::string utf16 = dir / "utf16.ini";
    WriteFile(utf16,
              Wide("[Tallyvolt]\r\nDelimiter=COMMA\r\nLogFile=C:\\J\xC3\xBCrgen\\a.log\r\n"));
    SettingsFile unicode = Loaded(utf16);
    EXPECT_EQ(unicode.State(), ReadResult::Ok);
    EXPECT_EQ(unicode.GetString("Delimiter", "TAB"), "COMMA");
    EXPECT_EQ(unicode.GetString("LogFile", ""), "C:\\J\xC3\xBCrgen\\a.log");
    ASSERT_TRUE(unicode.WriteString("WindowPosition", "1 2"));
    EXPECT_EQ(ReadFile(utf16),
              Wide("[Tallyvolt]\r\nDelimiter=COMMA\r\nLogFile=C:\\J\xC3\xBCrgen\\a.log\r\n"
                   "WindowPosition=1 2\r\n"));

    // UTF-16 big-endian, and UTF-16 cut in the middle of a character: not understood, so
    // defaults and never written.
    for (const std::string& text :
         {std::string("\xFE\xFF\0[\0T\0]\0\r\0\n", 12), std::string("\xFF\xFE[\0T\0]", 7)}) {
        const std::string path = dir / "other.ini";
        WriteFile(path, text);
        SettingsFile other = Loaded(path);
        EXPECT_EQ(other.State(), ReadResult::Unreadable);
        EXPECT_FALSE(other.WriteString("WindowPosition", "1 2"));
        EXPECT_EQ(ReadFile(path), text);
    }
}

TEST(SettingsFile, FileThatBecameUnreadableDuringTheRunIsLeftAlone)
{
    TempFolder dir;
    const std::string path = dir / "tallyvolt.ini";
    WriteFile(path, "[Tallyvolt]\n");
    SettingsFile settings = Loaded(path);
    ASSERT_EQ(settings.State(), ReadResult::Ok);
    ::unlink(path.c_str());
    ::mkdir(path.c_str(), 0755);
    EXPECT_FALSE(settings.WriteString("WindowPosition", "1 2"));
}

TEST(SettingsFile, WriteIntoAMissingFolderFailsCleanly)
{
    TempFolder dir;
    SettingsFile settings = Loaded(dir / "gone/tallyvolt.ini");
    EXPECT_FALSE(settings.WriteString("WindowPosition", "1 2"));
    EXPECT_FALSE(FileExists(dir / "gone"));
}
