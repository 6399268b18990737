#pragma once

#include <string>
#include <string_view>

// Texts inside the program are Shift_JIS (code page 932). These convert at the
// display edges only. Bytes that cannot be converted become '?', so a damaged
// text is still shown rather than lost.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
