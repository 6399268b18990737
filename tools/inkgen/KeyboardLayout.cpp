#include "inkgen/KeyboardLayout.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace inkgen {
namespace {

[[noreturn]] void Fail(int lineNumber, const std::string& what)
{
    throw std::runtime_error("keyboard line " + std::to_string(lineNumber) + ": " + what);
}

// The double-quoted, comma-separated fields of one line; "" inside a field
// stands for one double quote.
std::vector<std::string> QuotedFields(const std::string& line, int lineNumber)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '"')
            Fail(lineNumber, "expected a double quote at column " + std::to_string(i + 1));
        std::string field;
        for (++i;; ++i) {
            if (i >= line.size())
                Fail(lineNumber, "unterminated field");
            if (line[i] == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field.push_back('"');
                    ++i;
                    continue;
                }
                ++i;
                break;
            }
            field.push_back(line[i]);
        }
        fields.push_back(std::move(field));
        if (i < line.size() && line[i++] != ',')
            Fail(lineNumber, "expected a comma after a field");
    }
    return fields;
}

int32_t Number(const std::string& field, int lineNumber)
{
    char* end = nullptr;
    const long value = std::strtol(field.c_str(), &end, 10);
    if (field.empty() || *end != '\0')
        Fail(lineNumber, "\"" + field + "\" is not a number");
    return static_cast<int32_t>(value);
}

void ReadMarks(const std::vector<std::string>& fields, int lineNumber, std::array<IntPoint, 5>& marks)
{
    if (fields.size() != 10)
        Fail(lineNumber, "a mark line holds ten numbers");
    for (size_t k = 0; k < 5; ++k)
        marks[k] = {Number(fields[2 * k], lineNumber), Number(fields[2 * k + 1], lineNumber)};
}

} // namespace

KeyboardLayout KeyboardLayout::Load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open keyboard " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        return Parse(bytes.str());
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

KeyboardLayout KeyboardLayout::Parse(const std::string& bytes)
{
    KeyboardLayout layout;
    std::istringstream in(bytes);
    std::string line;
    int lineNumber = 0;
    int headerLines = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '#')
            continue;
        if (headerLines < 3 && line.empty())
            Fail(lineNumber, "empty header line");
        if (headerLines == 0) {
            const auto fields = QuotedFields(line, lineNumber);
            if (fields.size() != 3)
                Fail(lineNumber, "the settings line holds three numbers");
            layout.hitPointRule = Number(fields[0], lineNumber);
            layout.fontSize = Number(fields[1], lineNumber);
            layout.pictureScale = Number(fields[2], lineNumber);
        } else if (headerLines == 1) {
            ReadMarks(QuotedFields(line, lineNumber), lineNumber, layout.referenceMarks);
        } else if (headerLines == 2) {
            ReadMarks(QuotedFields(line, lineNumber), lineNumber, layout.measuredMarks);
        } else {
            // Like the program, the first empty line ends the key list.
            if (line.empty())
                break;
            const auto fields = QuotedFields(line, lineNumber);
            if (fields.size() < 4 || fields.size() > 13)
                Fail(lineNumber, "a key line holds four numbers and up to nine texts");
            LayoutKey key;
            int32_t v[4];
            for (size_t i = 0; i < 4; ++i)
                v[i] = Number(fields[i], lineNumber);
            key.rect = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]),
                        std::max(v[1], v[3])};
            for (size_t s = 4; s < fields.size(); ++s)
                key.slots[s - 4] = fields[s] == "<NOKEY>" ? std::string() : fields[s];
            layout.keys.push_back(key);
        }
        ++headerLines;
    }
    if (headerLines < 3)
        throw std::runtime_error("the keyboard file ends inside its header");
    if (layout.keys.empty())
        throw std::runtime_error("the keyboard has no keys");

    Rect& b = layout.bounds;
    for (const LayoutKey& key : layout.keys) {
        if (key.rect.Empty())
            continue;
        if (b.Empty())
            b = key.rect;
        else
                b = {std::min(b.left, key.rect.left), std::min(b.top, key.rect.top),
                 std::max(b.right, key.rect.right), std::max(b.bottom, key.rect.bottom)};
    }
    return layout;
}

int KeyboardLayout::KeyAt(int32_t x, int32_t y) const
{
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].rect.Contains(x, y))
            return static_cast<int>(i);
    }
    return -1;
}

bool IsCommandTag(const std::string& text)
{
    static const char* const kTags[] = {"<HIRA>", "<KANA>", "<HAN>", "<BS>", "<BR>", "<REUSE>"};
    return std::find(std::begin(kTags), std::end(kTags), text) != std::end(kTags);
}

} // namespace inkgen
