#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Narrow literals are Shift_JIS (the build's execution character set), wide
// ones UTF-16, so each pair is the same text in the two encodings.
struct TextPair {
    const char* sjis;
    const wchar_t* wide;
};

const TextPair kPairs[] = {
    {"", L""},
    {"Veda-Rovodad for Inkora", L"Veda-Rovodad for Inkora"},
    {"ここへドラッグ＆ドロップしてください。", L"ここへドラッグ＆ドロップしてください。"},
    {"ﾀｯﾌﾟ[ひら]", L"ﾀｯﾌﾟ[ひら]"},                       // half-width katakana: one byte each
    {"C:\\表\\ソフト.skb", L"C:\\表\\ソフト.skb"},      // 表 and ソ end in 0x5C, the backslash byte
    {"ＭＳ Ｐゴシック", L"ＭＳ Ｐゴシック"},
};

}  // namespace

TEST(WideText, ConvertsBothWays)
{
    for (const TextPair& pair : kPairs) {
        SCOPED_TRACE(pair.sjis);
        EXPECT_EQ(SjisToWide(pair.sjis), std::wstring(pair.wide));
        EXPECT_EQ(WideToSjis(pair.wide), std::string(pair.sjis));
    }
}

TEST(WideText, KeepsEmbeddedNulsAndLength)
{
    const std::string sjis("a\0b", 3);
    EXPECT_EQ(SjisToWide(sjis), std::wstring(L"a\0b", 3));
    EXPECT_EQ(WideToSjis(std::wstring(L"a\0b", 3)), sjis);
}

TEST(WideText, AsciiPathsPassThroughTheAnsiCodePage)
{
    EXPECT_EQ(AnsiToWide("C:\\ink\\page 1.ink"), L"C:\\ink\\page 1.ink");
    EXPECT_EQ(WideToAnsi(L"C:\\ink\\page 1.ink"), "C:\\ink\\page 1.ink");
    EXPECT_EQ(AnsiToWide(""), L"");
}
