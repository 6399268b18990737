#include "platform/win32/WideText.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace {

constexpr UINT kShiftJis = 932;

// The conversion functions count in int; longer texts cannot come from a
// control and are cut rather than overflowing the count.
int ClampedLength(std::size_t size)
{
    return static_cast<int>(std::min<std::size_t>(size, static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    const int inLength = ClampedLength(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), inLength, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    const int written = MultiByteToWideChar(codePage, 0, text.data(), inLength, out.data(), n);
    out.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int inLength = ClampedLength(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    const int written = WideCharToMultiByte(codePage, 0, wide.data(), inLength, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return out;
}

}  // namespace

std::wstring SjisToWide(std::string_view sjis) { return ToWide(kShiftJis, sjis); }
std::string WideToSjis(std::wstring_view wide) { return FromWide(kShiftJis, wide); }
std::wstring AnsiToWide(std::string_view ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(std::wstring_view wide) { return FromWide(CP_ACP, wide); }
