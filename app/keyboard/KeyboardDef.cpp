#include "keyboard/KeyboardDef.h"

#include "ink/QuadMapping.h"
#include "keyboard/TextLines.h"
#include "platform/FileLock.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cstdarg>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const char kDefinitionFile[] = "softKB.skb";
const char kBackupFile[] = "softKB.skb.bak";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// Converters running side by side on one keyboard folder read and rewrite
// softKB.skb; a save holds this lock from its backup to its rename, so saves
// follow each other whole.
const char kDefinitionLock[] = "softKB.skb.lock";

// The slot texts of a key line are taken from at most this many bytes after
// the rectangle; the "%4096c" of the key line format must match it.
constexpr std::size_t kKeyTextBytes = 4096;

const char kNoKey[] = "<NOKEY>";
const char kEmptyCell[] = "---";

// The next line that is not a comment. At the end of the file the line is
// empty, which no scan can read anything from.
bool NextDataLine(CTextLines& lines, std::string& line)
{
    while (lines.Next(line)) {
        if (line.empty() || line[0] != '#')
            return true;
    }
    line.clear();
    return false;
}

// Values the scan cannot reach keep what they held, so a short or damaged line
// changes only its readable beginning.
void ScanMarks(const std::string& line, CKeyboardDef::Marks& marks)
{
    static_cast<void>(std::sscanf(line.c_str(), "\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\"",
                                  &marks[0].x, &marks[0].y, &marks[1].x, &marks[1].y, &marks[2].x, &marks[2].y,
                                  &marks[3].x, &marks[3].y, &marks[4].x, &marks[4].y));
}

std::string Unquote(std::string text)
{
    if (text.size() <= 2)
        return text;
    if (text.front() == '"')
        text.erase(0, 1);
    if (text.back() == '"')
        text.pop_back();
    if (text == "\"\"")
        return "\"";
    if (text == kNoKey)
        return {};
    return text;
}

// Splits the text part of a key line into slot texts. A field runs from a
// double quote to the next lone double quote; a doubled quote inside a field
// is kept. Texts are not escaped in the file, so a quote inside a text closes
// its field early. Bytes between a closing and the next opening quote (other
// than commas) start the next field. Slots the line does not reach keep their
// texts, and fields past the ninth are dropped.
void ParseSlotTexts(const char* text, std::size_t size, KeyEntry& entry)
{
    bool inField = false;
    bool afterField = false;
    std::string field;
    std::size_t slot = 0;
    const auto store = [&](std::string value) {
        if (slot < entry.texts.size())
            entry.texts[slot] = std::move(value);
        ++slot;
    };

    std::size_t i = 0;
    for (; i < size && text[i] != '\0'; ++i) {
        const char c = text[i];
        if (c == '"') {
            if (!inField) {
                inField = true;
                afterField = false;
                field += c;
            } else if (i + 1 < size && text[i + 1] == '"') {
                field += c;
            } else {
                field += c;
                store(Unquote(std::move(field)));
                field.clear();
                afterField = true;
                inField = false;
            }
        } else if (c == ',') {
            if (!afterField)
                field += c;
        } else {
            field += c;
        }
    }
    // A text that fills the whole scan area has no end mark; what was
    // gathered so far still counts.
    if (i == size)
        store(Unquote(std::move(field)));
}

__attribute__((format(printf, 1, 2))) std::string FormatMessage(const char* format, ...)
{
    char text[512];
    std::va_list values;
    va_start(values, format);
    std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    return text;
}

std::string MarksLine(const CKeyboardDef::Marks& m)
{
    return FormatMessage("\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\",\"%d\"\r\n", m[0].x, m[0].y,
                         m[1].x, m[1].y, m[2].x, m[2].y, m[3].x, m[3].y, m[4].x, m[4].y);
}

// The bytes of a key line after its rectangle and the comma, where the
// reader takes the texts from; 0 when the line has no rectangle.
std::size_t KeyTextBytes(const std::string& line)
{
    int32_t value = 0;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "\"%d\",\"%d\",\"%d\",\"%d\",%n", &value, &value, &value, &value, &consumed) < 4 ||
        consumed == 0)
        return 0;
    return line.size() - static_cast<std::size_t>(consumed);
}

struct UnreadLines {
    int keyLines = 0;           // lines that read as keys
    bool anythingElse = false;  // any line but blank lines and comments
};

UnreadLines LookAtUnreadLines(std::string_view text)
{
    UnreadLines found;
    CTextLines lines = CTextLines::FromText(std::string(text));
    std::string line;
    KeyEntry key;
    while (lines.Next(line)) {
        if (line.empty() || line[0] == '#')
            continue;
        found.anythingElse = true;
        if (ParseKeyLine(line, key))
            ++found.keyLines;
    }
    return found;
}

const std::string& Shown(const std::string& text)
{
    static const std::string empty(kEmptyCell);
    return text.empty() ? empty : text;
}

std::array<bool, kSlotCount> SlotsComingBack(const std::array<std::string, kSlotCount>& texts)
{
    KeyEntry written;
    written.texts = texts;
    // Through the file's own line splitting: a line break inside a text ends
    // the line there.
    CTextLines lines = CTextLines::FromText(FormatKeyLine(written) + "\r\n");
    std::string line;
    lines.Next(line);
    KeyEntry read;
    std::array<bool, kSlotCount> back{};
    if (ParseKeyLine(line, read)) {
        for (std::size_t k = 0; k < back.size(); ++k)
            back[k] = read.texts[k] == texts[k];
    }
    return back;
}

// The reason a text did not come back, told from the text itself; one that
// looks harmless can only have overrun the line.
KeyTextFault FaultOf(const std::string& text)
{
    if (text.find('\n') != std::string::npos)
        return KeyTextFault::LineBreak;
    if (text == kNoKey)
        return KeyTextFault::NoKeyTag;
    if (!text.empty() && text.front() == '"')
        return KeyTextFault::QuoteAtStart;
    if (text.find('"') != std::string::npos)
        return KeyTextFault::QuoteInside;
    return KeyTextFault::TooLong;
}

}  // namespace

std::string FormatKeyLine(const KeyEntry& key)
{
    char rect[64];
    std::snprintf(rect, sizeof rect, "\"%d\",\"%d\",\"%d\",\"%d\"", key.rect.left, key.rect.top, key.rect.right,
                  key.rect.bottom);
    std::string line = rect;
    for (const std::string& text : key.texts) {
        line += ",\"";
        line += text.empty() ? kNoKey : text;
        line += '"';
    }
    return line;
}

bool ParseKeyLine(const std::string& line, KeyEntry& key)
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    std::array<char, kKeyTextBytes> text{};
    const int assigned = std::sscanf(line.c_str(), "\"%d\",\"%d\",\"%d\",\"%d\",%4096c", &left, &top, &right,
                                     &bottom, text.data());
    if (assigned < 4)
        return false;
    ParseSlotTexts(text.data(), text.size(), key);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    key.rect = PenRect{left, top, right, bottom};
    return true;
}

KeyTextCheck CheckKeyTexts(const std::array<std::string, kSlotCount>& stored,
                           const std::array<std::string, kSlotCount>& edited)
{
    std::array<std::string, kSlotCount> texts = stored;
    std::array<bool, kSlotCount> back = SlotsComingBack(texts);
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (edited[k] == stored[k])
            continue;
        texts[k] = edited[k];
        const std::array<bool, kSlotCount> now = SlotsComingBack(texts);
        bool damaged = !now[k];
        for (std::size_t other = 0; other < texts.size(); ++other)
            damaged = damaged || (other != k && back[other] && !now[other]);
        if (damaged)
            return {static_cast<int>(k), FaultOf(edited[k])};
        back = now;
    }
    return {};
}

PenRect UnionRect(const PenRect& a, const PenRect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? PenRect{} : b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

CKeyboardDef::CKeyboardDef() = default;
CKeyboardDef::~CKeyboardDef() = default;

IMessageBox& CKeyboardDef::Messages() const
{
    if (messages_)
        return *messages_;
    // Holds nothing but its empty prefix: one for every keyboard without a
    // box of its own.
    static CStderrMessageBox terminal;
    return terminal;
}

bool CKeyboardDef::Load()
{
    std::optional<CTextLines> lines;
    int openError = 0;
    {
        const CFileLock lock(kDefinitionLock, CFileLock::Mode::Shared);
        lines = CTextLines::Open(kDefinitionFile, openError);
    }
    if (!lines) {
        Messages().Show({kCannotOpenMessage, MessageIcon::Exclamation, openError, kDefinitionFile});
        return false;
    }

    // A byte-order mark says the file was saved as UTF-8 (by an editor, say):
    // its texts are read as such and it is written back the same way. A file
    // so marked that holds other bytes (Shift_JIS saved behind the mark, say)
    // is refused whole: read on, every key would carry "?" for its text.
    const bool utf8 = lines->Skip(kUtf8Mark);
    if (const int badLine = utf8 ? lines->FirstLineNotUtf8() : 0; badLine != 0) {
        Messages().Show({FormatMessage("ソフトＫＢ定義ファイル(%s)は先頭にUTF-8のBOMがありますが、%d行目がUTF-8ではありません。ファイルは読み込まれません。",
                                       kDefinitionFile, badLine)});
        return false;
    }
    auto image = std::make_shared<FileImage>();
    image->utf8 = utf8;
    std::string line;
    const auto nextLine = [&] {
        const bool more = NextDataLine(*lines, line);
        if (image->utf8)
            line = Utf8ToSjis(line);
        return more;
    };

    nextLine();
    static_cast<void>(
        std::sscanf(line.c_str(), "\"%d\",\"%d\",\"%d\"", &hitPointRule_, &fontSize_, &pictureScale_));
    if (pictureScale_ < 1 || pictureScale_ > 20)
        pictureScale_ = 10;

    nextLine();
    ScanMarks(line, referenceMarks_);
    nextLine();
    ScanMarks(line, measuredMarks_);

    if (mapping_) {
        const Marks& m = measuredMarks_;
        const Marks& r = referenceMarks_;
        mapping_->SetSource(m[0].x, m[0].y, m[1].x, m[1].y, m[2].x, m[2].y, m[3].x, m[3].y);
        mapping_->SetTarget(r[0].x, r[0].y, r[1].x, r[1].y, r[2].x, r[2].y, r[3].x, r[3].y);
    }

    bounds_ = PenRect{};
    int32_t count = 0;
    int firstCutLine = 0;
    // Where the lines that were not read begin, comments before them included.
    std::size_t unreadFrom = std::string::npos;
    for (;;) {
        const std::size_t lineStart = lines->Offset();
        if (count == kMaxKeys || !nextLine()) {
            unreadFrom = lineStart;
            break;
        }
        if (keys_.size() <= static_cast<std::size_t>(count))
            keys_.resize(static_cast<std::size_t>(count) + 1);
        KeyEntry& entry = keys_[static_cast<std::size_t>(count)];
        // A line without a complete rectangle (an empty line included) ends
        // the key list.
        if (!ParseKeyLine(line, entry)) {
            unreadFrom = lineStart;
            break;
        }
        // A line whose texts the reader cuts, and every line of a UTF-8 file,
        // go back into the file as they came while the key is unchanged:
        // rewritten from the key they would lose what the key does not hold.
        const bool cut = KeyTextBytes(line) > kKeyTextBytes;
        if (cut && firstCutLine == 0)
            firstCutLine = lines->LinesRead();
        if (cut || image->utf8) {
            std::string raw(lines->TextFrom(lineStart).substr(0, lines->Offset() - lineStart));
            while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r'))
                raw.pop_back();
            image->keptLines.push_back({count, std::move(raw), FormatKeyLine(entry)});
        }
        bounds_ = UnionRect(bounds_, entry.rect);
        ++count;
    }
    keyCount_ = count;
    IndexKeys();

    // The lines after the key list are kept for the next save when they hold
    // anything but blank lines and comments, which saving drops anyway.
    const std::string_view unread = lines->TextFrom(unreadFrom);
    const UnreadLines rest = LookAtUnreadLines(unread);
    if (rest.anythingElse)
        image->unreadTail.assign(unread);
    fileImage_ = std::move(image);
    saves_ = std::make_shared<SaveRecord>();

    const int stopLine = lines->LinesRead() + (count == kMaxKeys ? 1 : 0);
    if (rest.keyLines > 0 && count == kMaxKeys) {
        Messages().Show({FormatMessage("ソフトＫＢ定義ファイルのキーは%d個までです。%d行目からの%d個のキーは読み込まれません。",
                                  kMaxKeys, stopLine, rest.keyLines)});
    } else if (rest.keyLines > 0) {
        Messages().Show({FormatMessage("ソフトＫＢ定義ファイルのキーの並びは%d行目で終わっています。その後の%d個のキーは読み込まれません。",
                                  stopLine, rest.keyLines)});
    }
    if (firstCutLine != 0) {
        Messages().Show({FormatMessage("ソフトＫＢ定義ファイルの%d行目のキーの文字列は%dバイトを超えています。超えた分は読み込まれません。",
                                  firstCutLine, static_cast<int>(kKeyTextBytes))});
    }
    return true;
}

void CKeyboardDef::IndexKeys()
{
    std::vector<PenRect> rects;
    rects.reserve(static_cast<std::size_t>(keyCount_));
    for (int32_t i = 0; i < keyCount_; ++i)
        rects.push_back(keys_[static_cast<std::size_t>(i)].rect);
    keyGrid_ = CKeyGrid::Build(std::move(rects));
}

bool CKeyboardDef::Save() const
{
    // The whole sequence, from the new file to its rename, runs under the
    // lock; the message waits until the lock is released.
    SaveFailure failure;
    {
        const CFileLock lock(kDefinitionLock, CFileLock::Mode::Exclusive);
        failure = WriteDefinition();
    }
    if (failure.message) {
        ++saves_->failed;
        Messages().Show({failure.message, MessageIcon::Exclamation, failure.error, failure.file});
        return false;
    }
    return true;
}

std::string CKeyboardDef::DefinitionText() const
{
    const FileImage* image = fileImage_.get();
    const bool utf8 = image && image->utf8;
    // Text of the program's own goes into the file in the file's encoding.
    const auto own = [utf8](const std::string& sjis) { return utf8 ? SjisToUtf8(sjis) : sjis; };

    std::string text = utf8 ? std::string(kUtf8Mark) : std::string();
    text += FormatMessage("\"%d\",\"%d\",\"%d\"\r\n", hitPointRule_, fontSize_, pictureScale_);
    text += MarksLine(referenceMarks_);
    text += MarksLine(measuredMarks_);
    std::size_t kept = 0;
    for (int32_t i = 0; i < keyCount_; ++i) {
        const std::string line = FormatKeyLine(keys_[static_cast<std::size_t>(i)]);
        while (image && kept < image->keptLines.size() && image->keptLines[kept].key < i)
            ++kept;
        if (image && kept < image->keptLines.size() && image->keptLines[kept].key == i &&
            image->keptLines[kept].formatted == line)
            text += image->keptLines[kept].raw;
        else
            text += own(line);
        text += "\r\n";
    }
    if (image)
        text += image->unreadTail;
    return text;
}

CKeyboardDef::SaveFailure CKeyboardDef::WriteDefinition() const
{
    static constexpr char kWriteFailed[] = "ファイル書き込みに失敗しました。";
    CSafeFile file;
    if (const int error = file.Open(kDefinitionFile); error != 0)
        return {"ソフトＫＢ定義ファイルが書き込みオープンできません", error, kDefinitionFile};
    // A failed write is told by Finish.
    static_cast<void>(file.Write(DefinitionText()));
    if (const int error = file.Finish(); error != 0)
        return {kWriteFailed, error, kDefinitionFile};

    // The backup is the file as it was before the first save from this
    // reading of it, so a run that calibrates twice still has the file it
    // started from.
    if (!saves_->backedUp) {
        int readError = 0;
        std::optional<CTextLines> previous = CTextLines::Open(kDefinitionFile, readError);
        if (previous) {
            if (const int error = WriteWholeFile(kBackupFile, previous->TextFrom(0)); error != 0)
                return {kWriteFailed, error, kBackupFile};
        } else if (readError != ENOENT) {
            return {kWriteFailed, readError, kDefinitionFile};
        }
        saves_->backedUp = true;
    }
    // One rename puts the new file in the place of the old: softKB.skb is
    // there at every moment.
    if (const int error = file.Publish(FilePublish::Replace); error != 0)
        return {kWriteFailed, error, kDefinitionFile};
    return {};
}

std::unique_ptr<CKeyboardDef> CKeyboardDef::Clone() const
{
    // A clone of an editable keyboard is a plain keyboard: only the
    // definition is copied.
    return std::unique_ptr<CKeyboardDef>(new CKeyboardDef(*this));
}

void CKeyboardDef::SetInputMode(int mode)
{
    if (mode >= 0 && mode <= 2)
        inputMode_ = static_cast<InputMode>(mode);
}

KeyEntry CKeyboardDef::GetKey(int index) const
{
    if (index < 0 || index >= kMaxKeys)
        return {};
    return KeyAt(index);
}

std::vector<KeyEntry> CKeyboardDef::Keys() const
{
    std::vector<KeyEntry> keys;
    keys.reserve(static_cast<std::size_t>(keyCount_));
    for (int i = 0; i < keyCount_; ++i)
        keys.push_back(KeyAt(i));
    return keys;
}

const KeyEntry& CKeyboardDef::KeyAt(int index) const
{
    static const KeyEntry empty;
    const auto at = static_cast<std::size_t>(index);
    return at < keys_.size() ? keys_[at] : empty;
}

void CKeyboardDef::SetKey(int index, const KeyEntry& entry)
{
    if (index < 0 || index >= kMaxKeys)
        return;
    if (keys_.size() <= static_cast<std::size_t>(index))
        keys_.resize(static_cast<std::size_t>(index) + 1);
    keys_[static_cast<std::size_t>(index)] = entry;
    if (index < keyCount_)
        IndexKeys();
}

void CKeyboardDef::FillKeyList(IListView& list) const
{
    for (int row = 0; row < kKeyListRows; ++row)
        InsertKeyRow(list, row);
}

void CKeyboardDef::RefreshKeyRow(IListView& list, int row) const
{
    if (row < 0 || row >= kMaxKeys)
        return;
    // A row that was not there is simply inserted.
    list.DeleteRow(row);
    InsertKeyRow(list, row);
}

void CKeyboardDef::InsertKeyRow(IListView& list, int row) const
{
    const KeyEntry& key = KeyAt(row);
    const int at = list.InsertRow(row, Shown(key.texts[0]));
    if (at < 0)
        return;
    for (int column = 1; column < kSlotCount; ++column)
        list.SetItemText(at, column, Shown(key.texts[static_cast<std::size_t>(column)]));
}
