#pragma once

#include "keyboard/KeyGrid.h"
#include "keyboard/KeyboardTypes.h"
#include "keyboard/Object.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CQuadMapping;
class IMessageBox;
class CStrokeBase;
class IListView;

// One printed key: where it lies (pen units, left <= right and top <= bottom
// once read from the file) and its nine slot texts, Shift_JIS. An empty text
// means nothing is assigned to that slot.
struct KeyEntry {
    PenRect rect;
    std::array<std::string, kSlotCount> texts;
};

// One key line of softKB.skb without its line end: the rectangle, then the
// nine texts, each between double quotes and "<NOKEY>" for an empty one.
// Texts are not escaped, so not every text can be stored (CheckKeyTexts).
std::string FormatKeyLine(const KeyEntry& key);
// Reads a key line as Load does: the rectangle normalised, the texts taken
// from at most 4096 bytes after it; slots the line does not reach keep their
// texts. False, with `key` untouched, when the line does not begin with a
// rectangle (such a line ends the key list).
bool ParseKeyLine(const std::string& line, KeyEntry& key);

// Why a key text would not come back from softKB.skb as it was typed.
enum class KeyTextFault { None, QuoteAtStart, QuoteInside, NoKeyTag, LineBreak, TooLong };

struct KeyTextCheck {
    int slot = -1;  // the refused text; -1 when the texts can be stored
    KeyTextFault fault = KeyTextFault::None;
};

// Whether an edit that turns the texts `stored` of a key into `edited` can be
// saved: each changed text in turn goes into the key line, which is written
// and read back the way softKB.skb is. The first changed text after which a
// slot does not come back as it went in is refused. Unchanged texts are not
// judged, so a key read from a hand-made file can still be edited.
KeyTextCheck CheckKeyTexts(const std::array<std::string, kSlotCount>& stored,
                           const std::array<std::string, kSlotCount>& edited);

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
    // message has been shown and the object is unchanged. A file saved as
    // UTF-8 with a byte-order mark is read as such; one so marked with a
    // line that is not UTF-8 is refused, the message naming the line. Key
    // lines the reader does not take in (past the 200th key, or after the
    // line that ends the key list) and texts it cuts (past 4096 bytes) are
    // told in a message and kept for the next save.
    bool Load();
    // Writes softKB.skb whole or not at all: the new file takes the name in
    // one step, so softKB.skb is there at every moment, and a failure leaves
    // it as it was (a message has been shown). The first save after a Load
    // (by this keyboard or a clone) first keeps the file as it was in
    // softKB.skb.bak. Lines of the file the keyboard did not read, and key
    // lines whose texts it cut, are written back as they were while their
    // key is unchanged; comments are not kept.
    bool Save() const;
    // How many saves after the last Load, by this keyboard or its clones,
    // failed.
    int FailedSaves() const { return saves_->failed; }

    std::unique_ptr<CKeyboardDef> Clone() const;

    void SetMapping(CQuadMapping* mapping) { mapping_ = mapping; }
    CQuadMapping* Mapping() const { return mapping_; }
    // Where the keyboard, its clones and the pages made with them show their
    // messages; not owned, shared by clones. Until one is set they are lines
    // on stderr.
    void SetMessageBox(IMessageBox* messages) { messages_ = messages; }
    IMessageBox& Messages() const;

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
    // Entries 0 to KeyCount() - 1.
    std::vector<KeyEntry> Keys() const;

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
    // hits no key or an empty slot. Not a pure query: a mode tag switches the
    // keyboard's input mode and produces no text; other tags are returned as
    // they are.
    std::string LookupKeyText(const CStrokeBase& stroke);

protected:
    CKeyboardDef(const CKeyboardDef&) = default;
    CKeyboardDef& operator=(const CKeyboardDef&) = default;

private:
    // The entry at `index` (below kMaxKeys), or an empty one past the table.
    const KeyEntry& KeyAt(int index) const;
    void InsertKeyRow(IListView& list, int row) const;
    void IndexKeys();
    // What Load saw of the file beyond what the keyboard holds; shared by
    // clones, never changed.
    struct KeptKeyLine {
        int32_t key;
        std::string raw;        // the line as in the file, without its end
        std::string formatted;  // the key as it was read, as a key line
    };
    struct FileImage {
        bool utf8 = false;
        std::vector<KeptKeyLine> keptLines;  // by key, ascending
        std::string unreadTail;              // from the first line not read on
    };
    // The saves from one reading of the file, by the keyboard and its clones.
    struct SaveRecord {
        bool backedUp = false;
        int failed = 0;
    };
    struct SaveFailure {
        const char* message = nullptr;
        int error = 0;
        const char* file = nullptr;
    };

    // The file's contents as the next save writes them.
    std::string DefinitionText() const;
    // Writes the new file and puts it in the place of softKB.skb; the
    // message for the user on failure.
    SaveFailure WriteDefinition() const;

    int32_t keyCount_ = 0;
    int32_t hitPointRule_ = 0;
    int32_t fontSize_ = 0;
    int32_t pictureScale_ = 10;
    // Entries 0 to kMaxKeys - 1, held only up to the last one a file or an
    // edit has reached: the entries past it are empty. Most keyboards use a
    // fraction of the table, and every page converts with its own copy.
    std::vector<KeyEntry> keys_;
    // The rectangles of keys 0 to keyCount_ - 1, for the key search; made
    // anew whenever one of them may change, shared by clones.
    std::shared_ptr<const CKeyGrid> keyGrid_;
    InputMode inputMode_ = InputMode::Hiragana;
    PenRect bounds_;
    CQuadMapping* mapping_ = nullptr;
    IMessageBox* messages_ = nullptr;
    Marks referenceMarks_{};
    Marks measuredMarks_{};
    std::shared_ptr<const FileImage> fileImage_;
    std::shared_ptr<SaveRecord> saves_ = std::make_shared<SaveRecord>();
};
