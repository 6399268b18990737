#pragma once

#include <cstdint>

// Positions on the sheet, in pen units; y grows downward.
struct PenPoint {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const PenPoint& a, const PenPoint& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const PenPoint& a, const PenPoint& b) { return !(a == b); }
};

// A rectangle whose right and bottom edges lie outside it.
struct PenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }

    friend bool operator==(const PenRect& a, const PenRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const PenRect& a, const PenRect& b) { return !(a == b); }
};

// The smallest rectangle holding both; an empty rectangle adds nothing, and
// the union of two empty ones is the all-zero rectangle.
PenRect UnionRect(const PenRect& a, const PenRect& b);

enum class InputMode : int32_t { Hiragana = 0, Katakana = 1, HalfWidth = 2 };

enum class Gesture : int32_t { None = 0, Tap = 1, BottomToTop = 2, TopToBottom = 3 };

// Every key carries nine texts: three gestures in each of three input modes.
constexpr int kSlotCount = 9;

// The slot a gesture selects in an input mode; undefined for Gesture::None.
constexpr int SlotIndex(InputMode mode, Gesture gesture)
{
    return 3 * static_cast<int>(mode) + static_cast<int>(gesture) - 1;
}
