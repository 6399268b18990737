// Writes the table SjisToUtf8 decodes with, read off the system's own CP932
// converter at build time, so that the program decodes exactly as iconv does
// without loading iconv's converter module at every start.
//
//   marovi_cp932_table OUTPUT
//
// The output defines kCp932Single (the character of each byte alone),
// kCp932LeadRow (the row of each first byte of a pair, 0 for none) and
// kCp932Pairs (per row, the character of each second byte from
// kCp932FirstTrail on). kCp932None marks what the converter refuses.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kFirstTrail = 0x40;
constexpr uint16_t kNone = 0xFFFF;

enum class Outcome { Character, Incomplete, Refused };

// Decodes `bytes` as one character; `code` is its UTF-16 code unit.
Outcome Decode(iconv_t cd, const unsigned char* bytes, std::size_t size, uint16_t& code)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    std::size_t inLeft = size;
    unsigned char out[8];
    char* outAt = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1))
        return errno == EINVAL ? Outcome::Incomplete : Outcome::Refused;
    // One character of the Basic Multilingual Plane, consuming every byte.
    if (inLeft != 0 || sizeof out - outLeft != 2)
        return Outcome::Refused;
    code = static_cast<uint16_t>(out[0] | out[1] << 8);
    return Outcome::Character;
}

void WriteTable(std::FILE* out, const char* declaration, const std::vector<uint16_t>& values)
{
    std::fprintf(out, "%s = {", declaration);
    for (std::size_t i = 0; i < values.size(); ++i)
        std::fprintf(out, "%s0x%04X,", i % 12 == 0 ? "\n    " : " ", values[i]);
    std::fprintf(out, "\n};\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: marovi_cp932_table OUTPUT\n");
        return 2;
    }
    const iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("marovi_cp932_table: CP932 converter");
        return 1;
    }

    std::vector<uint16_t> single(256, kNone);
    std::vector<uint16_t> leadRow(256, 0);
    std::vector<uint16_t> pairs;
    uint16_t rows = 0;
    for (unsigned lead = 0; lead < 256; ++lead) {
        const unsigned char one[1] = {static_cast<unsigned char>(lead)};
        uint16_t code = 0;
        const Outcome alone = Decode(cd, one, 1, code);
        if (alone == Outcome::Character)
            single[lead] = code;
        if (alone != Outcome::Incomplete)
            continue;
        leadRow[lead] = ++rows;
        for (unsigned trail = kFirstTrail; trail < 256; ++trail) {
            const unsigned char two[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            pairs.push_back(Decode(cd, two, 2, code) == Outcome::Character ? code : kNone);
        }
    }
    // A pair whose second byte is below kFirstTrail must be refused, as the
    // decoder does without looking it up.
    for (unsigned lead = 0; lead < 256; ++lead) {
        for (unsigned trail = 0; leadRow[lead] != 0 && trail < kFirstTrail; ++trail) {
            const unsigned char two[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            uint16_t code = 0;
            if (Decode(cd, two, 2, code) == Outcome::Character) {
                std::fprintf(stderr, "marovi_cp932_table: the pair %02X %02X is a character\n", lead, trail);
                return 1;
            }
        }
    }
    iconv_close(cd);

    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Made by marovi_cp932_table from the system's CP932 converter.\n");
    std::fprintf(out, "constexpr uint16_t kCp932None = 0x%04X;\n", kNone);
    std::fprintf(out, "constexpr unsigned kCp932FirstTrail = 0x%02X;\n", kFirstTrail);
    WriteTable(out, "constexpr uint16_t kCp932Single[256]", single);
    WriteTable(out, "constexpr uint8_t kCp932LeadRow[256]", leadRow);
    char declaration[96];
    std::snprintf(declaration, sizeof declaration, "constexpr uint16_t kCp932Pairs[%u][%u]", rows,
                  256 - kFirstTrail);
    WriteTable(out, declaration, pairs);
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
