#include "ui/InkFileList.h"

#include "platform/ListView.h"

namespace {

constexpr int kEmptyHintRows = 6;

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
    hintShown_ = true;
    // The hint is the program's own text; the dropped paths that replace it
    // are the system's.
    view_->SetCellTexts(kPathColumn, IListView::CellTexts::ShiftJis);
    for (int row = 0; row < kEmptyHintRows; ++row)
        view_->InsertRow(row, "");
    view_->InsertRow(kEmptyHintRows, std::string(24, ' ') + "ここへドラッグ＆ドロップしてください。");
}

void CInkFileList::AddFiles(const std::vector<std::string>& paths)
{
    if (hintShown_) {
        hintShown_ = false;
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

void CInkFileList::ShowOutcome(int row, InkFileConversion::Outcome outcome, const std::string& htmlPath)
{
    view_->SetItemText(row, kStatusColumn, OutcomeText(outcome));
    if (outcome != InkFileConversion::Outcome::Cancelled)
        view_->SetItemText(row, kHtmlColumn, htmlPath);
}
