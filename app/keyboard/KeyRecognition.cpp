#include "keyboard/KeyboardDef.h"

#include "ink/QuadMapping.h"
#include "keyboard/Strokes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// How far (pen units, in each direction) a tap may lie from a mark.
constexpr int64_t kMarkReach = 500;

// Mode keys switch the input mode and write nothing. Compared as views: no
// length count of a literal for every stroke.
constexpr std::string_view kHiraganaKey = "<HIRA>";
constexpr std::string_view kKatakanaKey = "<KANA>";
constexpr std::string_view kHalfWidthKey = "<HAN>";

bool IsNear(int32_t x, int32_t y, const PenPoint& mark)
{
    return std::llabs(int64_t{x} - mark.x) <= kMarkReach && std::llabs(int64_t{y} - mark.y) <= kMarkReach;
}

}  // namespace

bool CKeyboardDef::IsInKeyboard(int32_t x, int32_t y) const
{
    return bounds_.Contains(x, y);
}

bool CKeyboardDef::IsNearMark(int32_t x, int32_t y) const
{
    for (const PenPoint& mark : referenceMarks_) {
        if (IsNear(x, y, mark))
            return true;
    }
    return false;
}

int32_t CKeyboardDef::KeyIndexAt(PenPoint point) const
{
    return keyGrid_ ? keyGrid_->FindKey(point.x, point.y) : -1;
}

bool CKeyboardDef::Calibrate(const CStrokeBase& s1, const CStrokeBase& s2, const CStrokeBase& s3,
                             const CStrokeBase& s4, const CStrokeBase& s5)
{
    // Tap k must lie near mark k: the marks are tapped in their order.
    const std::array<const CStrokeBase*, kMarkCount> taps = {&s1, &s2, &s3, &s4, &s5};
    Marks centres;
    for (std::size_t k = 0; k < taps.size(); ++k) {
        centres[k] = taps[k]->Centre();
        if (!IsNear(centres[k].x, centres[k].y, referenceMarks_[k]))
            return false;
    }

    measuredMarks_ = centres;
    if (mapping_) {
        const Marks& m = measuredMarks_;
        mapping_->SetSource(m[0].x, m[0].y, m[1].x, m[1].y, m[2].x, m[2].y, m[3].x, m[3].y);
    }
    // The page is converted with the new calibration whether or not it could
    // be stored; Save has told the user if it could not.
    static_cast<void>(Save());
    return true;
}

PenPoint CKeyboardDef::HitPoint(const CStrokeBase& stroke) const
{
    const PenPoint first = stroke.FirstPoint();
    const PenPoint last = stroke.LastPoint();
    // A rule the program does not know counts as the first point.
    int32_t divisor = 0;
    if (hitPointRule_ == 1)
        divisor = 4;
    else if (hitPointRule_ == 2)
        divisor = 2;
    if (divisor == 0)
        return first;
    return {first.x + (last.x - first.x) / divisor, first.y + (last.y - first.y) / divisor};
}

std::string CKeyboardDef::LookupKeyText(const CStrokeBase& stroke)
{
    if (!keyGrid_)
        return {};
    const PenPoint point = HitPoint(stroke);
    const int32_t key = keyGrid_->FindKey(point.x, point.y);
    if (key < 0 || key >= keyCount_)
        return {};
    const Gesture gesture = stroke.GetGesture();
    if (gesture == Gesture::None)
        return {};
    const std::string& text =
        keys_[static_cast<std::size_t>(key)].texts[static_cast<std::size_t>(SlotIndex(inputMode_, gesture))];

    if (text == kHiraganaKey)
        inputMode_ = InputMode::Hiragana;
    else if (text == kKatakanaKey)
        inputMode_ = InputMode::Katakana;
    else if (text == kHalfWidthKey)
        inputMode_ = InputMode::HalfWidth;
    else
        return text;
    return {};
}
