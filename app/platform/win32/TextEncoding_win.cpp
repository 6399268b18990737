#include "platform/TextEncoding.h"

#include <windows.h>

namespace {

std::wstring ToWide(std::string_view in, UINT codePage)
{
    if (in.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n);
    return out;
}

std::string FromWide(const std::wstring& in, UINT codePage)
{
    if (in.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) { return FromWide(ToWide(sjis, 932), CP_UTF8); }
std::string Utf8ToSjis(std::string_view utf8) { return FromWide(ToWide(utf8, CP_UTF8), 932); }
