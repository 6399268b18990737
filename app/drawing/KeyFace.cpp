#include "drawing/KeyFace.h"

#include <algorithm>

namespace {

struct CommandName {
    const char* tag;
    const char* word;
};

constexpr CommandName kCommands[] = {
    {"<HIRA>", "ひらがな"}, {"<KANA>", "カタカナ"}, {"<HAN>", "半角"},
    {"<BS>", "後退"},       {"<BR>", "改行"},       {"<REUSE>", "再表示"},
};

// ASCII blanks and the full-width space (0x81 0x40 in Shift_JIS).
bool IsBlank(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ' || byte == '\t')
            continue;
        if (byte == 0x81 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x40) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

std::string LabelOfSlotText(const std::string& text)
{
    for (const CommandName& command : kCommands) {
        if (text == command.tag)
            return command.word;
    }
    return text;
}

KeyFace FaceOf(const KeyEntry& key)
{
    KeyFace face;
    const auto& texts = key.texts;
    const bool anyAssigned = std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return !t.empty(); });
    if (!anyAssigned)
        return face;

    if (std::all_of(texts.begin(), texts.end(), [&](const std::string& t) { return t == texts[0]; })) {
        face.kind = KeyFace::Kind::Single;
        face.single = LabelOfSlotText(texts[0]);
        if (texts[0] == "<KANA>")
            face.singleMode = InputMode::Katakana;
        else if (texts[0] == "<HAN>")
            face.singleMode = InputMode::HalfWidth;
        return face;
    }
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty() || IsBlank(t); })) {
        face.kind = KeyFace::Kind::Space;
        face.single = "スペース";
        return face;
    }
    face.kind = KeyFace::Kind::Grid;
    for (std::size_t slot = 0; slot < texts.size(); ++slot)
        face.slots[slot] = LabelOfSlotText(texts[slot]);
    return face;
}
