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

#ifndef _WIN32
#include <iconv.h>

#include <optional>

namespace {

// The system converter's reading of `bytes` as one whole text; nothing when
// it refuses any byte of it.
std::optional<std::string> SystemDecode(const std::string& bytes)
{
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string in = bytes;
    char* inAt = in.data();
    std::size_t inLeft = in.size();
    char out[16];
    char* outAt = out;
    std::size_t outLeft = sizeof out;
    const bool whole = iconv(cd, &inAt, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    if (!whole)
        return std::nullopt;
    return std::string(out, sizeof out - outLeft);
}

}  // namespace

TEST(TextEncoding, DecodesEveryByteAndPairAsTheSystemConverter)
{
    for (int first = 0; first < 256; ++first) {
        const std::string alone(1, static_cast<char>(first));
        if (const auto character = SystemDecode(alone)) {
            ASSERT_EQ(SjisToUtf8(alone), *character) << std::hex << first;
            continue;
        }
        // A byte that is no character alone: with each second byte, either the
        // pair's character, or '?' for the first byte and the second read on
        // its own.
        for (int second = 0; second < 256; ++second) {
            const std::string pair = alone + static_cast<char>(second);
            const auto next = SystemDecode(std::string(1, static_cast<char>(second)));
            const std::string expected = SystemDecode(pair).value_or("?" + next.value_or("?"));
            ASSERT_EQ(SjisToUtf8(pair), expected) << std::hex << first << ' ' << second;
        }
    }
}
#endif
