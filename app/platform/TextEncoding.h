#pragma once

#include <string>
#include <string_view>

// Texts inside the program are Shift_JIS (code page 932). These convert at the
// display edges only. Bytes that cannot be converted become '?', so a damaged
// text is still shown rather than lost.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);

// A path as the system spells it (the ANSI code page on Windows, taken as 932;
// bytes as they are elsewhere), as UTF-8 for a terminal.
inline std::string PathForDisplay(const std::string& path)
{
#ifdef _WIN32
    return SjisToUtf8(path);
#else
    return path;
#endif
}

// Whether `c` is the first byte of a two-byte Shift_JIS character; the second
// byte may be any byte from 0x40 on, '\\' included.
inline bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
