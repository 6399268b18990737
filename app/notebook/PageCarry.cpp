#include "notebook/PageCarry.h"

#include "ink/QuadMapping.h"

#include <cstdio>
#include <cstdlib>

bool PageCarry::operator==(const PageCarry& other) const
{
    for (std::size_t k = 0; k < marks.size(); ++k) {
        if (marks[k].x != other.marks[k].x || marks[k].y != other.marks[k].y)
            return false;
    }
    return inputMode == other.inputMode;
}

PageCarry CarryOf(const CKeyboardDef& keyboard)
{
    return {keyboard.MeasuredMarks(), static_cast<int32_t>(keyboard.GetInputMode())};
}

void ApplyCarry(const PageCarry& carry, CKeyboardDef& keyboard, CQuadMapping* mapping)
{
    keyboard.SetMeasuredMarks(carry.marks);
    keyboard.SetInputMode(carry.inputMode);
    if (mapping) {
        const CKeyboardDef::Marks& m = carry.marks;
        mapping->SetSource(m[0].x, m[0].y, m[1].x, m[1].y, m[2].x, m[2].y, m[3].x, m[3].y);
    }
}

std::string FormatCarry(const PageCarry& carry)
{
    std::string text;
    for (const PenPoint& mark : carry.marks)
        text += std::to_string(mark.x) + "," + std::to_string(mark.y) + ",";
    return text + std::to_string(carry.inputMode);
}

bool ParseCarry(const std::string& text, PageCarry& carry)
{
    constexpr int kNumbers = 2 * CKeyboardDef::kMarkCount + 1;
    long values[kNumbers];
    const char* at = text.c_str();
    for (int k = 0; k < kNumbers; ++k) {
        char* end = nullptr;
        values[k] = std::strtol(at, &end, 10);
        if (end == at || *end != (k + 1 < kNumbers ? ',' : '\0'))
            return false;
        at = end + 1;
    }
    for (int k = 0; k < CKeyboardDef::kMarkCount; ++k)
        carry.marks[static_cast<std::size_t>(k)] = {static_cast<int32_t>(values[2 * k]),
                                                    static_cast<int32_t>(values[2 * k + 1])};
    carry.inputMode = static_cast<int32_t>(values[kNumbers - 1]);
    return carry.inputMode >= 0 && carry.inputMode <= 2;
}

uint64_t HashBytes(const void* data, std::size_t size, uint64_t hash)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t k = 0; k < size; ++k) {
        hash ^= bytes[k];
        hash *= 1099511628211ULL;
    }
    return hash;
}

uint64_t KeyboardFingerprint(const CKeyboardDef& keyboard)
{
    std::string text = std::to_string(keyboard.HitPointRule()) + "," + std::to_string(keyboard.FontSize()) + "," +
                       std::to_string(keyboard.PictureScale()) + "\n";
    for (const PenPoint& mark : keyboard.ReferenceMarks())
        text += std::to_string(mark.x) + "," + std::to_string(mark.y) + ",";
    text += "\n";
    for (const KeyEntry& key : keyboard.Keys())
        text += FormatKeyLine(key) + "\n";
    return HashBytes(text.data(), text.size());
}
