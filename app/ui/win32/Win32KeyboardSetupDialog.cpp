#include "Win32KeyboardSetupDialog.h"

#include "Win32KeyEditDialog.h"
#include "resource.h"

#include "platform/win32/Win32Controls.h"

#include <commctrl.h>

#include <cstddef>
#include <vector>

struct CWin32KeyboardSetupDialog::Controls {
    explicit Controls(HWND dialog)
        : keyList(GetDlgItem(dialog, IDC_KEY_LIST)),
          edit(GetDlgItem(dialog, IDC_EDIT_KEY)),
          resetCalibration(GetDlgItem(dialog, IDC_RESET_CALIBRATION)),
          save(GetDlgItem(dialog, IDOK)),
          cancel(GetDlgItem(dialog, IDCANCEL)),
          keyEditor(dialog)
    {
        for (int id = IDC_COLUMN_PICTURE_FIRST; id <= IDC_COLUMN_PICTURE_LAST; ++id)
            columnPictures.emplace_back(GetDlgItem(dialog, id));
    }

    // The logic keeps these pointers; the vector is full and stays so.
    KeyboardSetupControls Bound()
    {
        KeyboardSetupControls bound;
        bound.keyList = &keyList;
        for (std::size_t k = 0; k < bound.columnPictures.size(); ++k)
            bound.columnPictures[k] = &columnPictures[k];
        bound.edit = &edit;
        bound.resetCalibration = &resetCalibration;
        bound.save = &save;
        bound.cancel = &cancel;
        return bound;
    }

    CWin32ListView keyList;
    std::vector<CWin32Picture> columnPictures;  // above list column k
    CWin32Button edit;
    CWin32Button resetCalibration;
    CWin32Button save;
    CWin32Button cancel;
    CWin32KeyEditRunner keyEditor;
};

CWin32KeyboardSetupDialog::CWin32KeyboardSetupDialog(CKeyboardSetupDialog& logic)
    : CWin32Dialog(IDD_KEYBOARD_SETUP), logic_(logic)
{
}

CWin32KeyboardSetupDialog::~CWin32KeyboardSetupDialog() = default;

bool CWin32KeyboardSetupDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(Handle());
    logic_.OnInitDialog(controls_->Bound(), controls_->keyEditor);
    return true;
}

bool CWin32KeyboardSetupDialog::OnCommand(int id, int)
{
    switch (id) {
    case IDC_EDIT_KEY:
        EndWith(logic_.OnEdit());
        return true;
    case IDC_RESET_CALIBRATION:
        EndWith(logic_.OnResetCalibration());
        return true;
    case IDOK:
        EndWith(logic_.OnSave());
        return true;
    case IDCANCEL:
        EndWith(logic_.OnCancel());
        return true;
    default:
        return false;
    }
}

bool CWin32KeyboardSetupDialog::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_KEY_LIST || header.code != NM_DBLCLK)
        return false;
    EndWith(logic_.OnListDoubleClick());
    result = 0;
    return true;
}
