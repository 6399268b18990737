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

#include <cerrno>

namespace {

// The system's converter, as the program used it before it decoded with its
// own table: one '?' for each byte that starts no character.
std::string IconvSjisToUtf8(std::string_view sjis)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out;
    char* src = const_cast<char*>(sjis.data());
    size_t srcLeft = sjis.size();
    while (srcLeft > 0) {
        char buffer[64];
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out.push_back('?');
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

TEST(TextEncoding, DecodesEveryByteAndPairAsTheSystemConverter)
{
    for (int first = 0; first < 256; ++first) {
        // Alone, before an ASCII byte, and before every possible second byte.
        std::string text(1, static_cast<char>(first));
        ASSERT_EQ(SjisToUtf8(text), IconvSjisToUtf8(text)) << std::hex << first;
        text += 'A';
        ASSERT_EQ(SjisToUtf8(text), IconvSjisToUtf8(text)) << std::hex << first;
        for (int second = 0; second < 256; ++second) {
            text[1] = static_cast<char>(second);
            ASSERT_EQ(SjisToUtf8(text), IconvSjisToUtf8(text)) << std::hex << first << ' ' << second;
        }
    }
}
#endif
