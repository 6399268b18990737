#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

TEST(TextEncoding, LiteralsAreShiftJisAndConvertBothWays)
{
    // "ソ" is 0x83 0x5C in Shift_JIS: its trail byte is a backslash.
    const std::string so = "ソ";
    ASSERT_EQ(so, std::string("\x83\x5C"));
    EXPECT_EQ(SjisToUtf8(so), std::string("\xE3\x82\xBD"));
    EXPECT_EQ(Utf8ToSjis("\xE3\x82\xBD"), so);
    EXPECT_EQ(SjisToUtf8("C:\\memo"), "C:\\memo");
}

TEST(TextEncoding, BrokenSequencesBecomeQuestionMarks)
{
    // A lone lead byte at the end cannot be decoded.
    EXPECT_EQ(SjisToUtf8(std::string("ab\x83")), "ab?");
}
