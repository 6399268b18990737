#include "Win32KeyboardSetupDialog.h"

#include "resource.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr int kColumnWidth = 68;

// Column k shows slot k: the gesture within the input mode in brackets.
const char* const kColumnHeadings[CWin32KeyEditDialog::kSlots] = {
    "ﾀｯﾌﾟ[ひら]", "下上[ひら]", "上下[ひら]",
    "ﾀｯﾌﾟ[カタ]", "下上[カタ]", "上下[カタ]",
    "ﾀｯﾌﾟ[半角]", "下上[半角]", "上下[半角]",
};

std::string CellText(const std::string& slotText) { return slotText.empty() ? "---" : slotText; }

}  // namespace

struct CWin32KeyboardSetupDialog::Controls {
    explicit Controls(HWND dialog)
        : keyList(GetDlgItem(dialog, IDC_KEY_LIST)),
          edit(GetDlgItem(dialog, IDC_EDIT_KEY)),
          save(GetDlgItem(dialog, IDOK)),
          cancel(GetDlgItem(dialog, IDCANCEL))
    {
        for (int id = IDC_COLUMN_PICTURE_FIRST; id <= IDC_COLUMN_PICTURE_LAST; ++id)
            columnPictures.emplace_back(GetDlgItem(dialog, id));
    }

    CWin32ListView keyList;
    CWin32Button edit;
    CWin32Button save;
    CWin32Button cancel;
    std::vector<CWin32Picture> columnPictures;  // slot order
};

CWin32KeyboardSetupDialog::CWin32KeyboardSetupDialog()
    : CWin32Dialog(IDD_KEYBOARD_SETUP),
      keys_(kRows),
      locks_(kRows, CWin32KeyEditDialog::LockFlags{})
{
}

CWin32KeyboardSetupDialog::~CWin32KeyboardSetupDialog() = default;

bool CWin32KeyboardSetupDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(Handle());
    controls_->edit.SetImage(IDB_EDIT);
    controls_->save.SetImage(IDB_SAVE);
    controls_->cancel.SetImage(IDB_SETUP_CANCEL);
    for (std::size_t k = 0; k < controls_->columnPictures.size(); ++k)
        controls_->columnPictures[k].SetImage(IDB_COLUMN_FIRST + static_cast<int>(k));
    for (int k = 0; k < CWin32KeyEditDialog::kSlots; ++k)
        controls_->keyList.InsertColumn(k, kColumnHeadings[k], kColumnWidth);
    FillKeyList();
    // Full-row selection alone: the extended style is replaced, not added to.
    SendMessageW(controls_->keyList.Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    return true;
}

void CWin32KeyboardSetupDialog::FillKeyList()
{
    IListView& list = controls_->keyList;
    list.DeleteAllRows();
    for (int row = 0; row < kRows; ++row) {
        const auto& texts = keys_[static_cast<std::size_t>(row)];
        const int index = list.InsertRow(row, CellText(texts[0]));
        for (int k = 1; k < CWin32KeyEditDialog::kSlots; ++k)
            list.SetItemText(index, k, CellText(texts[static_cast<std::size_t>(k)]));
    }
}

void CWin32KeyboardSetupDialog::RefreshKeyRow(int row)
{
    IListView& list = controls_->keyList;
    const auto& texts = keys_[static_cast<std::size_t>(row)];
    list.DeleteRow(row);
    const int index = list.InsertRow(row, CellText(texts[0]));
    for (int k = 1; k < CWin32KeyEditDialog::kSlots; ++k)
        list.SetItemText(index, k, CellText(texts[static_cast<std::size_t>(k)]));
}

void CWin32KeyboardSetupDialog::EditSelectedKey()
{
    const IListView& list = controls_->keyList;
    if (list.SelectedCount() == 0)
        return;
    int row = 0;
    while (row < kRows && list.GetItemState(row, IListView::kSelected) == 0)
        ++row;
    if (row == kRows)
        return;

    const auto index = static_cast<std::size_t>(row);
    CWin32KeyEditDialog editor(keys_[index], locks_[index]);
    if (editor.RunModal(Handle()) != IDOK)
        return;
    keys_[index] = editor.Texts();
    RefreshKeyRow(row);
}

bool CWin32KeyboardSetupDialog::OnCommand(int id, int)
{
    switch (id) {
    case IDC_EDIT_KEY:
        EditSelectedKey();
        return true;
    case IDC_RESET_CALIBRATION:
        // The calibration marks belong to the keyboard definition, which this
        // window does not hold yet.
        return true;
    case IDOK:
        End(IDOK);
        return true;
    default:
        return false;
    }
}

bool CWin32KeyboardSetupDialog::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_KEY_LIST && header.code == NM_DBLCLK) {
        EditSelectedKey();
        result = 0;
        return true;
    }
    return false;
}
