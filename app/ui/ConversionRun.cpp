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

// Converts one ink file with a clone of `source`; the page is null when the
// file could not be read.
InkFileConversion ConvertOne(const std::string& inkPath, const CKeyboardDef& source, CQuadMapping* mapping,
                             ISaveFileDialog& saveDialog, const PageWriter& writePage)
{
    // The save dialog and the page writer may move the current directory;
    // the next file starts where this one did.
    const CCurrentDirectoryKeeper keeper;
    return ConvertInkFile(
        inkPath, source.Clone(), mapping,
        [&](const std::string& baseName) { return saveDialog.Ask(HtmlSaveRequest(baseName)); }, writePage);
}

// The window's list as a run's observer: each row is selected as its file
// starts and shows its outcome when it ends; what it hears goes on to the
// window's own observer.
class CListRowsObserver : public IConversionObserver {
public:
    CListRowsObserver(CInkFileList& list, IConversionObserver* next) : list_(list), next_(next) {}

    void FileStarted(int index, int count, const std::string& inkPath) override
    {
        // Rows stay selected, so after the run every processed row is.
        constexpr unsigned kCurrent = IListView::kSelected | IListView::kFocused;
        list_.View().SetItemState(index, kCurrent, kCurrent);
        if (next_)
            next_->FileStarted(index, count, inkPath);
    }

    void FileFinished(int index, InkFileConversion::Outcome outcome, const std::string& htmlPath) override
    {
        list_.ShowOutcome(index, outcome, htmlPath);
        if (next_)
            next_->FileFinished(index, outcome, htmlPath);
    }

    bool WantsClosingMessage(int pagesWritten) override { return !next_ || next_->WantsClosingMessage(pagesWritten); }

private:
    CInkFileList& list_;
    IConversionObserver* next_;
};

}  // namespace

void ConvertInkFiles(const std::vector<std::string>& inkPaths, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                     ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                     IConversionObserver* observer)
{
    // An empty, damaged or cut keyboard file reads as one without keys; every
    // stroke would become a picture and all text would be lost.
    if (keyboard.KeyCount() == 0) {
        keyboard.Messages().Show({CKeyboardDef::kCannotOpenMessage});
        return;
    }
    if (results) {
        results->clear();
        // Entry i is file i's, whatever it came to.
        results->reserve(inkPaths.size());
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
    const int count = static_cast<int>(inkPaths.size());
    for (int index = 0; index < count; ++index) {
        const std::string& inkPath = inkPaths[static_cast<std::size_t>(index)];
        if (observer)
            observer->FileStarted(index, count, inkPath);
        InkFileConversion done = ConvertOne(inkPath, *source, mapping, saveDialog, writePage);
        if (done.page && results) {
            source = &done.page->Keyboard();
        } else if (done.page) {
            carried = done.page->Keyboard().Clone();
            source = carried.get();
        }
        if (results)
            results->push_back(std::move(done.page));
        using Outcome = InkFileConversion::Outcome;
        const bool converted = done.outcome == Outcome::Converted;
        pagesWritten += converted ? 1 : 0;
        anyFailed = anyFailed || done.outcome == Outcome::WriteFailed || done.outcome == Outcome::Unreadable;
        if (observer)
            observer->FileFinished(index, done.outcome, converted ? done.htmlPath : std::string());
    }
    // The closing message says the pages were made; after a failure it would
    // tell the user something that is not so. The failures have been told.
    anyFailed = anyFailed || keyboard.FailedSaves() != failedSaves;
    if (!anyFailed && (!observer || observer->WantsClosingMessage(pagesWritten)))
        keyboard.Messages().Show({kRunFinished});
}

void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                   IConversionObserver* observer)
{
    IListView& view = list.View();
    const int rowCount = view.RowCount();
    if (list.HintShown() || rowCount == 0) {
        keyboard.Messages().Show({kNothingToConvert});
        return;
    }
    std::vector<std::string> inkPaths;
    for (int row = 0; row < rowCount; ++row)
        inkPaths.push_back(view.GetItemText(row, CInkFileList::kPathColumn));
    CListRowsObserver rows(list, observer);
    ConvertInkFiles(inkPaths, keyboard, mapping, saveDialog, writePage, results, &rows);
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
