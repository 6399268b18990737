#pragma once

#include "keyboard/KeyGrid.h"
#include "keyboard/KeyboardTypes.h"
#include "keyboard/Object.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CQuadMapping;
class CStrokeBase;
class IListView;

// One printed key: where it lies (pen units, left <= right and top <= bottom
// once read from the file) and its nine slot texts, Shift_JIS. An empty text
// means nothing is assigned to that slot.
struct KeyEntry {
    PenRect rect;
    std::array<std::string, kSlotCount> texts;
};

// The paper keyboard: key rectangles and texts, the recognition and output
// settings and the five calibration marks, as kept in softKB.skb in the
// working directory.
//
// The mapping is not owned; the keyboard configures it whenever it is loaded.
// Copies are made only through Clone, and they share the mapping.
class CKeyboardDef : public CObject {
public:
    static constexpr int kMaxKeys = 200;
    static constexpr int kMarkCount = 5;
    // The Keyboard Setup list always shows this many keys.
    static constexpr int kKeyListRows = 150;

    using Marks = std::array<PenPoint, kMarkCount>;

    // Shown when softKB.skb cannot be read, and by a conversion asked to run
    // on a keyboard without keys.
    static constexpr char kCannotOpenMessage[] = "ソフトＫＢ定義ファイルがオープンできません";

    CKeyboardDef();
    ~CKeyboardDef() override;

    // Reads softKB.skb and aims the mapping at its marks. What the file holds
    // replaces what the object held; values and slot texts the file does not
    // reach, and entries past its keys, stay as they were. On failure a
    // message has been shown and the object is unchanged.
    bool Load();
    // Writes softKB.skb through a temporary file, keeping the previous file as
    // softKB.skb.bak. On failure a message has been shown and softKB.skb holds
    // what it held before.
    bool Save() const;

    std::unique_ptr<CKeyboardDef> Clone() const;

    void SetMapping(CQuadMapping* mapping) { mapping_ = mapping; }
    CQuadMapping* Mapping() const { return mapping_; }

    // Values other than 0, 1 and 2 are ignored.
    void SetInputMode(int mode);
    InputMode GetInputMode() const { return inputMode_; }

    int KeyCount() const { return keyCount_; }
    int HitPointRule() const { return hitPointRule_; }
    int FontSize() const { return fontSize_; }
    int PictureScale() const { return pictureScale_; }
    const PenRect& Bounds() const { return bounds_; }
    const Marks& ReferenceMarks() const { return referenceMarks_; }
    const Marks& MeasuredMarks() const { return measuredMarks_; }
    // Stores the marks only; the mapping follows at the next Load or Calibrate.
    void SetMeasuredMarks(const Marks& marks) { measuredMarks_ = marks; }

    // Entries 0 to kMaxKeys - 1; neither changes the key count or the bounds.
    // An index outside the table yields an empty entry, and setting it does
    // nothing.
    KeyEntry GetKey(int index) const;
    void SetKey(int index, const KeyEntry& entry);

    // kKeyListRows rows, row i showing the texts of key i in columns 0 to 8
    // ("---" for an empty text).
    void FillKeyList(IListView& list) const;
    // Deletes the row and inserts it again with the entry's current texts.
    void RefreshKeyRow(IListView& list, int row) const;

    // Inside the union of the key rectangles (right and bottom edges outside).
    bool IsInKeyboard(int32_t x, int32_t y) const;
    // Within 500 pen units, in both directions, of a reference mark.
    bool IsNearMark(int32_t x, int32_t y) const;
    // Index of the first key whose rectangle holds the point, or -1.
    int32_t KeyIndexAt(PenPoint point) const;
    // Takes the centres of five taps as the measured marks when each lies
    // near its own reference mark: the mapping is re-aimed and softKB.skb is
    // rewritten. Otherwise nothing changes and the result is false.
    bool Calibrate(const CStrokeBase& s1, const CStrokeBase& s2, const CStrokeBase& s3, const CStrokeBase& s4,
                   const CStrokeBase& s5);
    // The point of a stroke that selects its key, by the hit-point rule: the
    // first point, or a quarter or half of the way to the last point.
    PenPoint HitPoint(const CStrokeBase& stroke) const;
    // The text a key stroke produces in the current input mode; empty when it
    // hits no key or an empty slot. Mode tags switch the input mode and
    // produce no text; other tags are returned as they are.
    std::string LookupKeyText(const CStrokeBase& stroke);

    // LookupKeyText in two steps, for a caller that looks strokes up more
    // than once: what a stroke hits depends on the stroke alone, its text on
    // the input mode at the time. The view stays valid until a key changes.
    struct KeyHit {
        int32_t key = -1;  // none
        Gesture gesture = Gesture::None;
    };
    KeyHit FindKeyHit(const CStrokeBase& stroke) const;
    std::string_view KeyTextOf(const KeyHit& hit);

protected:
    CKeyboardDef(const CKeyboardDef&) = default;
    CKeyboardDef& operator=(const CKeyboardDef&) = default;

private:
    using KeyTable = std::array<KeyEntry, kMaxKeys>;

    void InsertKeyRow(IListView& list, int row) const;
    void IndexKeys();
    // The table, made this keyboard's own first if a clone shares it.
    KeyTable& WritableKeys();
    // Writes new.skb and puts it in the place of softKB.skb; the message for
    // the user on failure, else nullptr.
    const char* WriteDefinition() const;

    int32_t keyCount_ = 0;
    int32_t hitPointRule_ = 0;
    int32_t fontSize_ = 0;
    int32_t pictureScale_ = 10;
    // Shared by clones until one of them changes a key, which it does only
    // through WritableKeys: every page is converted with a clone, and the
    // table holds 1,800 texts. Never null.
    std::shared_ptr<KeyTable> keys_ = std::make_shared<KeyTable>();
    // The rectangles of keys 0 to keyCount_ - 1, for the key search; made
    // anew whenever one of them may change, shared by clones.
    std::shared_ptr<const CKeyGrid> keyGrid_;
    InputMode inputMode_ = InputMode::Hiragana;
    PenRect bounds_;
    CQuadMapping* mapping_ = nullptr;
    Marks referenceMarks_{};
    Marks measuredMarks_{};
};
