#pragma once

#include "keyboard/KeyboardTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class CKeyboardDef;
class CStrokeBase;

// How the conversion read one object of a page's stroke list, reported by the
// HTML writer as it writes the object: the page explains itself from what it
// did, not from a second reading.
struct PageReading {
    enum class Kind { Calibration, Key, Ink };

    Kind kind = Kind::Key;
    // The page's object; valid while the page lives.
    const CStrokeBase* stroke = nullptr;
    // Keyboard frame, pen units: a key stroke's hit point, an ink group's
    // top-left corner, a calibration tap's centre after the new calibration.
    PenPoint at;

    // Key strokes. `read` is false for one no pass looked up (none is left
    // so on a converted page).
    bool read = false;
    int32_t key = -1;  // none hit
    Gesture gesture = Gesture::None;
    InputMode mode = InputMode::Hiragana;  // in force when the stroke was read
    // What the stroke produced, Shift_JIS: a key text or a command tag; a
    // mode key's own tag, although the page shows nothing for it. Empty when
    // nothing: no key, or an empty slot.
    std::string text;
    // The stroke switched the input mode: `text` is the mode key's tag.
    bool modeSwitch = false;

    // Ink groups: the number of the picture shown in the group's place, 0
    // when none is (a "<REUSE>" that found no earlier picture, or a page cut
    // short by a picture that could not be written).
    int32_t picture = 0;
    bool reused = false;

    // Calibration taps: the mark (1 to 5) and where it is printed.
    int32_t mark = 0;
    PenPoint reference;
};

// One reading per object of a page's stroke list, in page order: on a
// calibrated page the five taps first, in tap order.
using PageReadings = std::vector<PageReading>;

// The box of an object's records as the page holds them, pen-ups aside:
// mapped into the keyboard's frame, and without the shift an ink group gives
// its wrapped lines (its own box has it). Left above right when empty.
PenRect RecordExtent(const CStrokeBase& stroke);

// Millimetres between a calibration tap, mapped, and its mark.
double ResidualMm(const PageReading& tap);

// The pen unit, for showing distances to people.
inline constexpr double kMmPerPenUnit = 0.01;

// A gesture and an input mode as the explanation names them: "tap", "up",
// "down" ("-" for none); "hira", "kana", "han".
const char* GestureName(Gesture gesture);
const char* ModeName(InputMode mode);

// The explanation as text, UTF-8: a header line, then one tab-separated line
// per reading, "n kind key gesture mode text x y", n counting from 1.
std::string ExplanationText(const PageReadings& readings);
