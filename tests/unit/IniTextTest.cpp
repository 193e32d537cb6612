// Reading and one-line editing of settings text.
#include "settings/IniText.h"

#include <gtest/gtest.h>

using tallyvolt::ini::FindValue;
using tallyvolt::ini::ParseInteger;
using tallyvolt::ini::SetValue;

TEST(IniTextFind, MatchesNamesWithoutCaseAndStripsBlanks)
{
    const std::string text = "; comment\r\n"
                             "  [ tallyVOLT ]  \r\n"
                             "\tupdateperiod \t=  5 \r\n"
                             "LogFile= /tmp/a b.log\r\n";
    EXPECT_EQ(FindValue(text, "Tallyvolt", "UpdatePeriod"), "5");
    EXPECT_EQ(FindValue(text, "Tallyvolt", "LOGFILE"), "/tmp/a b.log");
    EXPECT_EQ(FindValue(text, "Tallyvolt", "Delimiter"), std::nullopt);
    EXPECT_EQ(FindValue(text, "Other", "LogFile"), std::nullopt);
}

TEST(IniTextFind, KeysOutsideTheSectionDoNotCount)
{
    const std::string text = "Delimiter=COMMA\n"
                             "[Other]\nDelimiter=SEMICOLON\n"
                             "[Tallyvolt]\n"
                             "; Delimiter=TAB\n"
                             "# Delimiter=TAB\n"
                             "Delimiter\n"
                             "[Tallyvolt]\nDelimiter=COMMA\n";
    // Commented and value-less lines are not keys; only the first section of a name counts.
    EXPECT_EQ(FindValue(text, "Tallyvolt", "Delimiter"), std::nullopt);
}

TEST(IniTextFind, FirstKeyWinsAndEmptyValueIsAValue)
{
    const std::string text = "[Tallyvolt]\nLogFile=\nLogFile=/x\n";
    EXPECT_EQ(FindValue(text, "Tallyvolt", "LogFile"), "");
}

TEST(IniTextFind, AnyByteIsText)
{
    std::string value = "a";
    value += '\0';
    value += "b\xff";
    const std::string text = "[Tallyvolt]\nLogFile=" + value +
                             "\nDelimiter=" + std::string(100000, 'x') + "\nExtraInfo=0";
    EXPECT_EQ(FindValue(text, "Tallyvolt", "LogFile"), value);
    EXPECT_EQ(FindValue(text, "Tallyvolt", "Delimiter")->size(), 100000u);
    EXPECT_EQ(FindValue(text, "Tallyvolt", "ExtraInfo"), "0"); // last line without line end
}

TEST(IniTextSet, ReplacesOneLineAndKeepsEveryOtherByte)
{
    const std::string text = "; my settings\r\n"
                             "[Tallyvolt]\r\n"
                             "Delimiter=COMMA\r\n"
                             "windowposition =  1 2   \r\n"
                             "Custom=keep me\r\n"
                             "\r\n"
                             "[Other]\r\n"
                             "WindowPosition=7 7\r\n";
    EXPECT_EQ(SetValue(text, "Tallyvolt", "WindowPosition", "-5 640"),
              "; my settings\r\n"
              "[Tallyvolt]\r\n"
              "Delimiter=COMMA\r\n"
              "windowposition =  -5 640\r\n"
              "Custom=keep me\r\n"
              "\r\n"
              "[Other]\r\n"
              "WindowPosition=7 7\r\n");
}

TEST(IniTextSet, AddsAMissingKeyAtTheEndOfItsSection)
{
    const std::string text = "[Tallyvolt]\n"
                             "Delimiter=TAB\n"
                             "; trailing comment\n"
                             "\n"
                             "[Other]\n"
                             "x=1\n";
    EXPECT_EQ(SetValue(text, "Tallyvolt", "WindowPosition", "12 640"), "[Tallyvolt]\n"
                                                                       "Delimiter=TAB\n"
                                                                       "; trailing comment\n"
                                                                       "WindowPosition=12 640\n"
                                                                       "\n"
                                                                       "[Other]\n"
                                                                       "x=1\n");
    // The section header is the last line and has no line end.
    EXPECT_EQ(SetValue("[Tallyvolt]", "Tallyvolt", "WindowPosition", "1 2"),
              "[Tallyvolt]\nWindowPosition=1 2\n");
    // Found by fuzzing: a last line ending in a lone carriage return is not ended.
    EXPECT_EQ(SetValue("[Tallyvolt]\nx=1\r", "Tallyvolt", "WindowPosition", "1 2"),
              "[Tallyvolt]\nx=1\r\nWindowPosition=1 2\n");
    EXPECT_EQ(SetValue("[Other]\r\nx=1\r\r", "Tallyvolt", "WindowPosition", "1 2"),
              "[Other]\r\nx=1\r\r\n\r\n[Tallyvolt]\r\nWindowPosition=1 2\r\n");
}

TEST(IniTextSet, AddsAMissingSectionWithTheTextsLineEnds)
{
    EXPECT_EQ(SetValue("", "Tallyvolt", "WindowPosition", "1 2"),
              "[Tallyvolt]\nWindowPosition=1 2\n");
    EXPECT_EQ(SetValue("[Other]\r\nx=1", "Tallyvolt", "WindowPosition", "1 2"),
              "[Other]\r\nx=1\r\n\r\n[Tallyvolt]\r\nWindowPosition=1 2\r\n");
    EXPECT_EQ(SetValue("[Other]\nx=1\n\n", "Tallyvolt", "WindowPosition", "1 2"),
              "[Other]\nx=1\n\n[Tallyvolt]\nWindowPosition=1 2\n");
    // Found by fuzzing: a text that is only a byte-order mark has no lines at all.
    EXPECT_EQ(SetValue("\xEF\xBB\xBF", "Tallyvolt", "WindowPosition", "1 2"),
              "\xEF\xBB\xBF\n[Tallyvolt]\nWindowPosition=1 2\n");
}

TEST(IniTextSet, ValueCannotBreakTheLine)
{
    EXPECT_EQ(SetValue("[Tallyvolt]\n", "Tallyvolt", "WindowPosition", "1\r\n[Evil]\nx=2"),
              "[Tallyvolt]\nWindowPosition=1[Evil]x=2\n");
}

TEST(IniTextParseInteger, LeadingDigitsWithOptionalSign)
{
    struct Case
    {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"60", 60},
        {"  +5 ", 5},
        {"-7", -7},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967297", std::nullopt}, // would wrap to 1 in 32 bits
        {"99999999999999999999999999", std::nullopt},
        {"000000000000000000000000001", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseInteger(c.text), c.value) << "text: \"" << c.text << "\"";
}
