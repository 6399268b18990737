#include "platform/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace {

#include "Cp932Table.inc"

void AppendUtf8(std::string& out, uint16_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

// Decoded with a table read off the system's converter when the program was
// built: the same characters, without loading the converter at every start.
std::string SjisToUtf8(std::string_view sjis)
{
    std::string out;
    out.reserve(sjis.size() * 3 / 2 + 4);
    for (std::size_t i = 0; i < sjis.size();) {
        const auto lead = static_cast<unsigned char>(sjis[i]);
        uint16_t code = kCp932Single[lead];
        std::size_t length = 1;
        const unsigned row = kCp932LeadRow[lead];
        if (row != 0 && i + 1 < sjis.size()) {
            const auto trail = static_cast<unsigned char>(sjis[i + 1]);
            if (trail >= kCp932FirstTrail) {
                code = kCp932Pairs[row - 1][trail - kCp932FirstTrail];
                length = 2;
            }
        }
        if (code == kCp932None) {
            // A byte that is no character, or starts none: one '?', and the
            // text goes on from the next byte.
            out.push_back('?');
            length = 1;
        } else {
            AppendUtf8(out, code);
        }
        i += length;
    }
    return out;
}

std::string Utf8ToSjis(std::string_view utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(utf8);

    std::string out;
    out.reserve(utf8.size() + 4);
    char* src = const_cast<char*>(utf8.data());
    size_t srcLeft = utf8.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or truncated sequence: one '?', and on.
            out.push_back('?');
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}
