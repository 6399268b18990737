#include "ui/ConversionRun.h"

#include "ink/InkParser.h"
#include "keyboard/HtmlConversion.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "platform/CurrentDirectory.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "ui/MainDialog.h"

#include <cerrno>
#include <cstddef>
#include <exception>
#include <new>
#include <optional>

namespace {

constexpr char kNothingToConvert[] = "Inkoraのファイルをドラッグ＆ドロップし、変換ボタンを押してください。";
constexpr char kRunFinished[] = "HTMLファイルを生成しました";

constexpr char kConverted[] = "変換済み";
constexpr char kWriteFailed[] = "変換エラー";
constexpr char kCancelled[] = "キャンセル";
constexpr char kUnreadable[] = "不正ファイル";

// Puts back the current directory of its construction when it goes, whatever
// the save dialog or the page writer did to it meanwhile.
class CCurrentDirectoryKeeper {
public:
    CCurrentDirectoryKeeper() : saved_(GetCurrentDir()) {}
    ~CCurrentDirectoryKeeper()
    {
        // A folder that vanished meanwhile cannot be returned to; the run goes
        // on from wherever it is.
        if (!saved_.empty())
            static_cast<void>(SetCurrentDir(saved_));
    }
    CCurrentDirectoryKeeper(const CCurrentDirectoryKeeper&) = delete;
    CCurrentDirectoryKeeper& operator=(const CCurrentDirectoryKeeper&) = delete;

private:
    std::string saved_;
};

bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void SetStatus(IListView& view, int row, const char* status) { view.SetItemText(row, CInkFileList::kStatusColumn, status); }

// Asks where the page of `row` goes and writes it there.
void SavePage(IListView& view, int row, CPageStrokes& page, const std::string& inkPath, ISaveFileDialog& saveDialog,
              const PageWriter& writePage)
{
    const CCurrentDirectoryKeeper keeper;
    const std::string baseName = InkBaseName(inkPath);
    const std::optional<std::string> htmlPath = saveDialog.Ask(HtmlSaveRequest(baseName));
    if (!htmlPath) {
        // The path of an earlier run stays, but without "変換済み" it no
        // longer opens.
        SetStatus(view, row, kCancelled);
        return;
    }
    if (writePage(page, *htmlPath, baseName)) {
        SetStatus(view, row, kConverted);
        view.SetItemText(row, CInkFileList::kHtmlColumn, *htmlPath);
    } else {
        SetStatus(view, row, kWriteFailed);
        view.SetItemText(row, CInkFileList::kHtmlColumn, "");
    }
}

void MarkUnreadable(IListView& view, int row)
{
    SetStatus(view, row, kUnreadable);
    view.SetItemText(row, CInkFileList::kHtmlColumn, "");
}

// Reads, recognises and saves one row, appending its entry to `results`.
// Whatever fails (running out of memory included) marks the row by the phase
// it failed in, after a message, and leaves the rest of the run to go on.
// `source` becomes the row's keyboard once its page is built.
void ConvertRow(IListView& view, int row, const CKeyboardDef*& source, CQuadMapping* mapping,
                ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results)
{
    const std::size_t entries = results.size();
    bool reading = true;
    try {
        const std::string inkPath = view.GetItemText(row, CInkFileList::kPathColumn);
        CInkParser parser;
        parser.SetPath(inkPath);
        if (!parser.DoParse()) {
            MarkUnreadable(view, row);
            results.push_back(nullptr);
            return;
        }

        // Building the page recognises a calibration at its start, which
        // changes its clone; the next page is cloned from that one.
        results.push_back(
            std::make_unique<CPageStrokes>(parser.GetRecords(), parser.GetRecordCount(), source->Clone(), mapping));
        CPageStrokes& page = *results.back();
        source = &page.Keyboard();

        reading = false;
        SavePage(view, row, page, inkPath, saveDialog, writePage);
    } catch (const std::exception& error) {
        const int reason = dynamic_cast<const std::bad_alloc*>(&error) ? ENOMEM : 0;
        if (reading) {
            ShowMessage(CInkParser::kReadFailedMessage, MessageIcon::Exclamation, reason);
            MarkUnreadable(view, row);
        } else {
            ShowMessage(kHtmlWriteFailedMessage, MessageIcon::Exclamation, reason);
            SetStatus(view, row, kWriteFailed);
            view.SetItemText(row, CInkFileList::kHtmlColumn, "");
        }
        if (results.size() == entries)
            results.push_back(nullptr);
    }
}

}  // namespace

bool WriteHtmlPage(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName)
{
    return page.ConvertToHtml(htmlPath, inkBaseName);
}

void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results,
                   IConversionObserver* observer)
{
    IListView& view = list.View();
    // Modal dialogs keep the list from changing while the run goes on.
    const int rowCount = view.RowCount();
    if (list.HintShown() || rowCount == 0) {
        ShowMessage(kNothingToConvert);
        return;
    }
    // An empty, damaged or cut keyboard file reads as one without keys; every
    // stroke would become a picture and all text would be lost.
    if (keyboard.KeyCount() == 0) {
        ShowMessage(CKeyboardDef::kCannotOpenMessage);
        return;
    }

    results.clear();
    // Entry i for row i: with room for all, a failed row's null entry can
    // always be appended.
    results.reserve(static_cast<std::size_t>(rowCount));
    const CKeyboardDef* source = &keyboard;
    int pagesWritten = 0;
    for (int row = 0; row < rowCount; ++row) {
        // Rows stay selected, so after the run every processed row is.
        constexpr unsigned kCurrent = IListView::kSelected | IListView::kFocused;
        view.SetItemState(row, kCurrent, kCurrent);
        if (observer)
            observer->RowStarted(row, rowCount);
        ConvertRow(view, row, source, mapping, saveDialog, writePage, results);
        if (view.GetItemText(row, CInkFileList::kStatusColumn) == kConverted)
            ++pagesWritten;
        if (observer)
            observer->RowFinished(row);
    }
    if (!observer || observer->WantsClosingMessage(pagesWritten))
        ShowMessage(kRunFinished);
}

std::string InkBaseName(const std::string& path, char separator)
{
    const bool shiftJis = separator == '\\';
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (shiftJis && IsShiftJisLeadByte(c)) {
            ++i;
        } else if (c == '/' || c == static_cast<unsigned char>(separator)) {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    const std::size_t nameEnd = lastDot == std::string::npos ? path.size() : lastDot;
    return path.substr(nameStart, nameEnd - nameStart);
}

std::string InkBaseName(const std::string& path) { return InkBaseName(path, PathSeparator()); }

SaveFileRequest HtmlSaveRequest(const std::string& inkBaseName)
{
    SaveFileRequest request;
    request.suggestedName = inkBaseName + ".html";
    request.defaultExtension = ".html";
    request.filter = "HTML document (*.html;*.htm)|*.html;*.htm|Text files (*.txt)|*.txt|";
    request.overwritePrompt = true;
    request.hideReadOnly = true;
    request.longNames = true;
    request.noChangeDir = true;
    return request;
}
