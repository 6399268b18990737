#include "ui/ConversionRun.h"

#include "ink/InkParser.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "platform/CurrentDirectory.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "ui/MainDialog.h"

#include <cstddef>
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

}  // namespace

bool WriteHtmlPage(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName)
{
    return page.ConvertToHtml(htmlPath, inkBaseName);
}

void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results)
{
    IListView& view = list.View();
    const int rowCount = view.RowCount();
    if (list.HintShown() || rowCount == 0) {
        ShowMessage(kNothingToConvert);
        return;
    }

    results.clear();
    const CKeyboardDef* source = &keyboard;
    for (int row = 0; row < rowCount; ++row) {
        // Rows stay selected, so after the run every processed row is.
        constexpr unsigned kCurrent = IListView::kSelected | IListView::kFocused;
        view.SetItemState(row, kCurrent, kCurrent);

        const std::string inkPath = view.GetItemText(row, CInkFileList::kPathColumn);
        CInkParser parser;
        parser.SetPath(inkPath);
        if (!parser.DoParse()) {
            SetStatus(view, row, kUnreadable);
            view.SetItemText(row, CInkFileList::kHtmlColumn, "");
            results.push_back(nullptr);
            continue;
        }

        // Building the page recognises a calibration at its start, which
        // changes its clone; the next page is cloned from that one.
        results.push_back(
            std::make_unique<CPageStrokes>(parser.GetRecords(), parser.GetRecordCount(), source->Clone(), mapping));
        CPageStrokes& page = *results.back();
        source = &page.Keyboard();

        SavePage(view, row, page, inkPath, saveDialog, writePage);
    }
    ShowMessage(kRunFinished);
}

void CConversionRun::Run(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                         ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results)
{
    if (running_)
        return;
    struct Running {
        explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
        ~Running() { flag_ = false; }
        bool& flag_;
    } running(running_);
    RunConversion(list, keyboard, mapping, saveDialog, writePage, results);
}

std::string InkBaseName(const std::string& path, char separator, bool (*isLeadByte)(unsigned char))
{
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (isLeadByte(c)) {
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

std::string InkBaseName(const std::string& path) { return InkBaseName(path, PathSeparator(), &IsPathLeadByte); }

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
