#pragma once

#include "keyboard/KeyboardDef.h"

#include <vector>

// What the sheet prints of a keyboard, as plain data: the drawing code reads
// no keyboard object, so the explain module needs none of the keyboard's code.
struct PrintedKeyboard {
    std::vector<KeyEntry> keys;  // keys 0 to KeyCount() - 1
    CKeyboardDef::Marks marks{};  // the reference marks, in tap order
    PenRect bounds;               // CKeyboardDef::Bounds
};

// Compiled only into the programs that call it, which link the keyboard.
inline PrintedKeyboard PrintedKeyboardOf(const CKeyboardDef& keyboard)
{
    return {keyboard.Keys(), keyboard.ReferenceMarks(), keyboard.Bounds()};
}
