#include "ui/MainDialog.h"

#include "ink/QuadMapping.h"
#include "keyboard/PageStrokes.h"
#include "platform/Controls.h"
#include "platform/CurrentDirectory.h"
#include "platform/ListView.h"
#include "platform/Shell.h"
#include "ui/KeyboardSetupDialog.h"
#include "ui/win32/resource.h"

#include <utility>

namespace {

constexpr int kEmptyHintRows = 6;
constexpr char kNotConverted[] = "未変換";
constexpr char kConverted[] = "変換済み";

}  // namespace

void CInkFileList::Attach(IListView& view)
{
    view_ = &view;
    view_->SetSorted(true);
}

void CInkFileList::InsertColumns()
{
    view_->InsertColumn(kPathColumn, "ファイル名", 300);
    view_->InsertColumn(kStatusColumn, "処理状況", 90);
    view_->InsertColumn(kHtmlColumn, "", 0);
    view_->SetCellTexts(kHtmlColumn, IListView::CellTexts::Paths);
}

void CInkFileList::InsertHintRows()
{
    m_hintShown = true;
    // The hint is the program's own text; the dropped paths that replace it
    // are the system's.
    view_->SetCellTexts(kPathColumn, IListView::CellTexts::ShiftJis);
    for (int row = 0; row < kEmptyHintRows; ++row)
        view_->InsertRow(row, "");
    view_->InsertRow(kEmptyHintRows, std::string(24, ' ') + "ここへドラッグ＆ドロップしてください。");
}

void CInkFileList::AddFiles(const std::vector<std::string>& paths)
{
    if (m_hintShown) {
        m_hintShown = false;
        view_->DeleteAllRows();
        view_->SetCellTexts(kPathColumn, IListView::CellTexts::Paths);
    }
    for (const std::string& path : paths) {
        // The list places the row by its path; the index it reports is the
        // one to fill.
        const int row = view_->InsertRow(0, path);
        if (row < 0)
            continue;
        view_->SetItemText(row, kStatusColumn, kNotConverted);
        view_->SetItemText(row, kHtmlColumn, "");
    }
}

void CInkFileList::RemoveSelected()
{
    std::vector<int> selected;
    for (int row = view_->NextSelected(-1); row >= 0; row = view_->NextSelected(row))
        selected.push_back(row);
    if (selected.empty())
        return;
    // From the highest index down, so the indices still to go stay valid.
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        view_->DeleteRow(*it);
    if (view_->RowCount() == 0)
        InsertHintRows();
}

CMainDialog::CMainDialog(PageWriter writePage) : writePage_(std::move(writePage)) {}

CMainDialog::~CMainDialog() = default;

bool CMainDialog::OnInitDialog(const MainDialogControls& controls)
{
    controls_ = controls;
    fileList_.Attach(*controls_.fileList);
    controls_.frame->SetIcon(IDR_MAINFRAME);
    fileList_.InsertColumns();

    mapping_ = std::make_unique<CQuadMapping>();
    mapping_->SetTraceStream(traceStream_);
    mapping_->SelfTest();
    keyboard_.SetMapping(mapping_.get());

    // Without softKB.skb (its message has been shown) the window opens bare:
    // no pictures, no caption and no hint rows, though the hint state holds,
    // so converting answers with the drop message.
    keyboardLoaded_ = keyboard_.Load();
    if (!keyboardLoaded_)
        return true;

    controls_.exit->SetImage(IDB_EXIT);
    controls_.help->SetImage(IDB_HELP);
    controls_.keySetup->SetImage(IDB_KEY_SETUP);
    controls_.convert->SetImage(IDB_CONVERT);
    controls_.remove->SetImage(IDB_REMOVE);
    controls_.fileList->SetFullRowSelect(true);
    controls_.frame->SetCaption("Veda-Rovodad for Inkora");
    fileList_.InsertHintRows();
    return true;
}

void CMainDialog::OnDestroy()
{
    // The pages and the keyboard hold the mapping without owning it; none of
    // them is used once the window is gone.
    results_.clear();
    keyboard_.SetMapping(nullptr);
    mapping_.reset();
}

void CMainDialog::OnDropFiles(const std::vector<std::string>& paths)
{
    if (conversion_.Running())
        return;
    fileList_.AddFiles(paths);
    controls_.convert->Enable(true);
}

void CMainDialog::OnRemoveSelected()
{
    if (!conversion_.Running())
        fileList_.RemoveSelected();
}

void CMainDialog::OnListClick() { controls_.remove->Enable(controls_.fileList->SelectedCount() > 0); }

void CMainDialog::OnListDoubleClick()
{
    const IListView& list = *controls_.fileList;
    const int row = list.NextSelected(-1);
    if (row < 0 || list.GetItemText(row, CInkFileList::kStatusColumn) != kConverted)
        return;
    controls_.shell->Open(list.GetItemText(row, CInkFileList::kHtmlColumn));
}

void CMainDialog::OnHelp()
{
    // The manual is looked for where the process stands now, not beside the
    // program; the shell takes the forward slash on every platform.
    controls_.shell->Open(GetCurrentDir() + "/SKBmanual.pdf");
}

bool CMainDialog::OnF1(bool shift, bool ctrl, bool alt)
{
    if (shift || ctrl || alt)
        return false;
    OnHelp();
    return true;
}

void CMainDialog::OnKeyboardSetup()
{
    if (conversion_.Running())
        return;
    CKeyboardSetupDialog setup;
    if (controls_.keyboardSetup->Run(setup) != DialogResult::Ok)
        return;
    // A file that cannot be read again has shown its message; the keyboard
    // then keeps what it had.
    static_cast<void>(keyboard_.Load());
}

void CMainDialog::OnConvert()
{
    conversion_.Run(fileList_, keyboard_, mapping_.get(), *controls_.saveDialog, writePage_, results_);
}
