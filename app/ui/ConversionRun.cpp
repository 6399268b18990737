#include "ui/ConversionRun.h"

#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "platform/CurrentDirectory.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "ui/InkFileList.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr char kNothingToConvert[] = "Inkoraのファイルをドラッグ＆ドロップし、変換ボタンを押してください。";
constexpr char kRunFinished[] = "HTMLファイルを生成しました";

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

void SetStatus(IListView& view, int row, const char* status) { view.SetItemText(row, CInkFileList::kStatusColumn, status); }

// Converts the ink file of `row` with a clone of `source` and shows the
// outcome in its row; returns the page, null when the file could not be read.
std::unique_ptr<CPageStrokes> ConvertRow(IListView& view, int row, const CKeyboardDef& source,
                                         CQuadMapping* mapping, ISaveFileDialog& saveDialog,
                                         const PageWriter& writePage)
{
    const std::string inkPath = view.GetItemText(row, CInkFileList::kPathColumn);
    InkFileConversion done;
    {
        // The save dialog and the page writer may move the current
        // directory; the next row starts where this one did.
        const CCurrentDirectoryKeeper keeper;
        done = ConvertInkFile(
            inkPath, source.Clone(), mapping,
            [&](const std::string& baseName) { return saveDialog.Ask(HtmlSaveRequest(baseName)); }, writePage);
    }
    switch (done.outcome) {
    case InkFileConversion::Outcome::Unreadable:
        SetStatus(view, row, CInkFileList::kUnreadable);
        view.SetItemText(row, CInkFileList::kHtmlColumn, "");
        break;
    case InkFileConversion::Outcome::Cancelled:
        // The path of an earlier run stays, but without "変換済み" it no
        // longer opens.
        SetStatus(view, row, CInkFileList::kCancelled);
        break;
    case InkFileConversion::Outcome::WriteFailed:
        SetStatus(view, row, CInkFileList::kWriteFailed);
        view.SetItemText(row, CInkFileList::kHtmlColumn, "");
        break;
    case InkFileConversion::Outcome::Converted:
        SetStatus(view, row, CInkFileList::kConverted);
        view.SetItemText(row, CInkFileList::kHtmlColumn, done.htmlPath);
        break;
    }
    return std::move(done.page);
}

}  // namespace

void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                   IConversionObserver* observer)
{
    IListView& view = list.View();
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

    if (results) {
        results->clear();
        // Entry i is row i's, whatever its row came to.
        results->reserve(static_cast<std::size_t>(rowCount));
    }
    // Recognising a calibration at the start of a page changes its keyboard;
    // the next page is cloned from that one. A page that is not kept leaves
    // a copy of it in `carried`.
    const CKeyboardDef* source = &keyboard;
    std::unique_ptr<CKeyboardDef> carried;
    int pagesWritten = 0;
    bool anyFailed = false;
    // A calibration that could not be stored fails too, though its page was
    // written; clones count their saves with the keyboard they came from.
    const int failedSaves = keyboard.FailedSaves();
    for (int row = 0; row < rowCount; ++row) {
        // Rows stay selected, so after the run every processed row is.
        constexpr unsigned kCurrent = IListView::kSelected | IListView::kFocused;
        view.SetItemState(row, kCurrent, kCurrent);
        if (observer)
            observer->RowStarted(row, rowCount);
        std::unique_ptr<CPageStrokes> page = ConvertRow(view, row, *source, mapping, saveDialog, writePage);
        if (page && results) {
            source = &page->Keyboard();
        } else if (page) {
            carried = page->Keyboard().Clone();
            source = carried.get();
        }
        if (results)
            results->push_back(std::move(page));
        const std::string status = view.GetItemText(row, CInkFileList::kStatusColumn);
        if (status == CInkFileList::kConverted)
            ++pagesWritten;
        anyFailed = anyFailed || status == CInkFileList::kWriteFailed || status == CInkFileList::kUnreadable;
        if (observer)
            observer->RowFinished(row);
    }
    // The closing message says the pages were made; after a failure it would
    // tell the user something that is not so. The failures have been told.
    anyFailed = anyFailed || keyboard.FailedSaves() != failedSaves;
    if (!anyFailed && (!observer || observer->WantsClosingMessage(pagesWritten)))
        ShowMessage(kRunFinished);
}

void CConversionRun::Run(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                         ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                         IConversionObserver* observer)
{
    if (running_)
        return;
    struct Running {
        explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
        ~Running() { flag_ = false; }
        bool& flag_;
    } running(running_);
    RunConversion(list, keyboard, mapping, saveDialog, writePage, results, observer);
}

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
