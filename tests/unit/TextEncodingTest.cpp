// The settings file's encodings: UTF-16LE read into UTF-8 and written back, byte for byte.
#include "settings/TextEncoding.h"

#include <gtest/gtest.h>

using namespace tallyvolt::encoding;

TEST(TextEncoding, MarksTellTheEncoding)
{
    EXPECT_EQ(Detect("[Tallyvolt]"), Encoding::Utf8);
    EXPECT_EQ(Detect("\xEF\xBB\xBF[T]"), Encoding::Utf8);
    EXPECT_EQ(Detect(std::string("\xFF\xFE[\0", 4)), Encoding::Utf16Le);
    EXPECT_EQ(Detect("\xFE\xFF"), Encoding::Unsupported);
    EXPECT_EQ(Detect(std::string("\xFF\xFE\0\0", 4)), Encoding::Unsupported);
    EXPECT_EQ(Detect(""), Encoding::Utf8);
}

TEST(TextEncoding, Utf16RoundTripKeepsEveryCharacterAndLineEnd)
{
    // ASCII, two-byte (ü), three-byte (用) and four-byte (an emoji: a surrogate pair) text.
    const std::string text = "[Tallyvolt]\r\nA=J\xC3\xBCrgen \xE7\x94\xA8\n\xF0\x9F\x94\x8B\r\n";
    const std::optional<std::string> wide = Utf8ToUtf16Le(text);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->substr(0, 6), std::string("\xFF\xFE[\0T\0", 6));
    EXPECT_EQ(wide->size(), 2 + 2 * (text.size() - 1 - 2 - 2)); // ü 2→1, 用 3→1, 🔋 4→2 units
    EXPECT_EQ(wide->substr(wide->size() - 8), std::string("\x3D\xD8\x0B\xDD\r\0\n\0", 8));
    EXPECT_EQ(Utf16LeToUtf8(*wide), text);
    EXPECT_EQ(Utf16LeToUtf8("\xFF\xFE"), "");
}

TEST(TextEncoding, WhatIsNotValidIsRefused)
{
    EXPECT_EQ(Utf16LeToUtf8(std::string("\xFF\xFE[", 3)), std::nullopt);        // odd length
    EXPECT_EQ(Utf16LeToUtf8(std::string("\xFF\xFE\x3D\xD8", 4)), std::nullopt); // lone high
    EXPECT_EQ(Utf16LeToUtf8(std::string("\xFF\xFE\x0B\xDD", 4)), std::nullopt); // lone low
    EXPECT_EQ(Utf16LeToUtf8(std::string("\xFF\xFE\x3D\xD8"
                                        "A\0",
                                        6)),
              std::nullopt);
    EXPECT_EQ(Utf16LeToUtf8("[Tallyvolt]"), std::nullopt);  // no mark
    EXPECT_EQ(Utf8ToUtf16Le("\xC3"), std::nullopt);         // cut short
    EXPECT_EQ(Utf8ToUtf16Le("\xC0\xAF"), std::nullopt);     // overlong
    EXPECT_EQ(Utf8ToUtf16Le("\xED\xA0\x80"), std::nullopt); // a surrogate
    EXPECT_EQ(Utf8ToUtf16Le("\xFF"), std::nullopt);
}
