#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace inkgen {

// Gestures and input modes as the recogniser numbers them; a key's slot is
// 3 * mode + gesture - 1.
enum Gesture : int { kTap = 1, kUp = 2, kDown = 3 };
enum Mode : int { kHiragana = 0, kKatakana = 1, kHalfWidth = 2 };

inline int SlotOf(int mode, int gesture) { return 3 * mode + gesture - 1; }

struct IntPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    // Right and bottom edges are outside, as on the recogniser's keyboard.
    bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool Contains(double x, double y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool Empty() const { return left >= right || top >= bottom; }
};

struct LayoutKey {
    Rect rect;
    std::array<std::string, 9> slots;  // Shift_JIS; empty when nothing is assigned
};

// The keyboard as inkgen needs it to place strokes: key rectangles, slot texts,
// settings and marks. It reads softKB.skb from any path, so a generator never
// depends on the working directory; the program's own reader is checked
// against it in the tests.
class KeyboardLayout {
public:
    // Throws std::runtime_error when the file cannot be read or has no keys.
    static KeyboardLayout Load(const std::string& path);
    // The same from the file's bytes (Shift_JIS, CR LF or LF).
    static KeyboardLayout Parse(const std::string& bytes);

    int hitPointRule = 0;
    int fontSize = 0;
    int pictureScale = 10;
    std::array<IntPoint, 5> referenceMarks{};
    std::array<IntPoint, 5> measuredMarks{};
    std::vector<LayoutKey> keys;
    Rect bounds;  // union of the key rectangles

    // Index of the first key containing the point, or -1.
    int KeyAt(int32_t x, int32_t y) const;
    bool InBounds(double x, double y) const { return bounds.Contains(x, y); }
};

// True for the slot texts the recogniser acts on rather than writes.
bool IsCommandTag(const std::string& text);

} // namespace inkgen
