#pragma once

#include "keyboard/KeyboardDef.h"

#include <array>
#include <string>

// What a printed key shows, decided from its slot texts alone. Texts are
// Shift_JIS, commands already put into words.
struct KeyFace {
    enum class Kind {
        Blank,   // nothing assigned
        Single,  // the same text or command in all nine slots: shown once
        Space,   // only blanks assigned: drawn as a space bar
        Grid,    // slot by slot: modes side by side, gestures one above the other
    };
    Kind kind = Kind::Blank;
    std::string single;
    // The mode a Single face belongs to, for its color: a mode switch takes
    // the color of its mode, everything else that of hiragana.
    InputMode singleMode = InputMode::Hiragana;
    std::array<std::string, kSlotCount> slots;
};

KeyFace FaceOf(const KeyEntry& key);

// The word a user reads for a command tag; any other text as it is.
std::string LabelOfSlotText(const std::string& text);
