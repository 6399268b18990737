#pragma once

#include "keyboard/PageConversion.h"

#include <string>
#include <vector>

class IListView;

// The list of ink files (control 1002): one row per dropped file with its
// status and the page written for it, or the drop hint while no file has been
// dropped. The list is sorted by path, so a row's index is its place in that
// order, not the order of dropping.
class CInkFileList {
public:
    static constexpr int kPathColumn = 0;
    static constexpr int kStatusColumn = 1;
    static constexpr int kHtmlColumn = 2;

    // The status of a row not converted yet; after a conversion the row says
    // its OutcomeText.
    static constexpr char kNotConverted[] = "未変換";

    CInkFileList() = default;
    CInkFileList(const CInkFileList&) = delete;
    CInkFileList& operator=(const CInkFileList&) = delete;

    // Binds the list control, which must outlive this object; every other
    // operation needs it. The control sorts its rows by label.
    void Attach(IListView& view);

    // The three columns; the third holds the page's path and is never shown.
    void InsertColumns();
    // Six empty rows and the hint row; the empty labels sort first, so the
    // hint stays last.
    void InsertHintRows();
    // Leaves the hint state on the first drop; each path becomes a row with
    // status "未変換", also a path already listed.
    void AddFiles(const std::vector<std::string>& paths);
    // Every selected row, however many; the hint rows come back when the list
    // is left empty.
    void RemoveSelected();

    // The row's status for `outcome` and, for a converted file, its page
    // `htmlPath`. A file that failed has no page; a cancelled one keeps the
    // path of an earlier run, which no longer opens while the row does not
    // say converted.
    void ShowOutcome(int row, InkFileConversion::Outcome outcome, const std::string& htmlPath);

    bool HintShown() const { return hintShown_; }
    IListView& View() { return *view_; }
    const IListView& View() const { return *view_; }

private:
    IListView* view_ = nullptr;
    // True from construction until the first drop, and again whenever the
    // hint rows are inserted.
    bool hintShown_ = true;
};
