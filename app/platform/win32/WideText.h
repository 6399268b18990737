#pragma once

#include <string>
#include <string_view>

// The program's texts are Shift_JIS (code page 932); the wide Windows API
// takes UTF-16. Every text crosses between the two here, at the control
// boundary, so the program shows Japanese whatever the system's ANSI code
// page is. Unconvertible characters become '?' (or U+30FB on the way in).
std::wstring SjisToWide(std::string_view sjis);
std::string WideToSjis(std::wstring_view wide);

// Paths are kept in the system's ANSI code page, the encoding the narrow file
// functions take; these carry them to and from the wide API unchanged.
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);
