#pragma once

#include "keyboard/KeyboardDef.h"

#include <cstdint>
#include <string>

class CQuadMapping;

// What one page hands on to the next of a run through its keyboard clone:
// the calibration in force (the measured marks, which aim the shared mapping)
// and the input mode a mode key left. Nothing else of a keyboard changes
// while a page is read.
struct PageCarry {
    CKeyboardDef::Marks marks{};
    int32_t inputMode = 0;

    bool operator==(const PageCarry& other) const;
    bool operator!=(const PageCarry& other) const { return !(*this == other); }
};

PageCarry CarryOf(const CKeyboardDef& keyboard);
// Puts `carry` into a clone of the run's keyboard and aims the mapping at its
// marks, as the page before left them.
void ApplyCarry(const PageCarry& carry, CKeyboardDef& keyboard, CQuadMapping* mapping);

// As one word of the state file: eleven numbers joined by ",".
std::string FormatCarry(const PageCarry& carry);
bool ParseCarry(const std::string& text, PageCarry& carry);

// A fingerprint of everything of the keyboard that a page reads other than
// its carry: the keys, the settings, the reference marks. Pages converted
// with another one are out of date.
uint64_t KeyboardFingerprint(const CKeyboardDef& keyboard);

// FNV-1a over bytes, continuing from `hash`.
uint64_t HashBytes(const void* data, std::size_t size, uint64_t hash = 14695981039346656037ULL);
