#include "ui/KeyboardSetupDialog.h"

#include "keyboard/KeyboardDef.h"
#include "platform/Controls.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "ui/KeyEditDialog.h"
#include "ui/ResourceIds.h"

#include <cstddef>

namespace {

constexpr int kColumnWidth = 68;

constexpr char kNotLoaded[] = "ソフトＫＢ定義ファイルが読み込めなかったため、キーボードを保存できません。";

// Column k shows slot k: the gesture, then the input mode in brackets. The
// list hides its header, so the pictures above it are what the user reads.
const char* const kColumnHeadings[kSlotCount] = {
    "ﾀｯﾌﾟ[ひら]", "下上[ひら]", "上下[ひら]",
    "ﾀｯﾌﾟ[カタ]", "下上[カタ]", "上下[カタ]",
    "ﾀｯﾌﾟ[半角]", "下上[半角]", "上下[半角]",
};

}  // namespace

void CKeyboardSetupDialog::OnInitDialog(const KeyboardSetupControls& controls, IKeyEditRunner& keyEditor)
{
    controls_ = controls;
    keyEditor_ = &keyEditor;

    controls_.edit->SetImage(IDB_EDIT);
    controls_.save->SetImage(IDB_SAVE);
    controls_.cancel->SetImage(IDB_SETUP_CANCEL);
    for (std::size_t k = 0; k < controls_.columnPictures.size(); ++k)
        controls_.columnPictures[k]->SetImage(IDB_COLUMN_FIRST + static_cast<int>(k));

    IListView& list = *controls_.keyList;
    for (int k = 0; k < kSlotCount; ++k)
        list.InsertColumn(k, kColumnHeadings[k], kColumnWidth);

    // The window opens whatever the files hold: a file that cannot be read
    // has shown its message, and the list then shows empty keys, unlocked.
    keyboardLoaded_ = keyboard_.Load();
    static_cast<void>(keyboard_.LoadLockFlags());

    // Rows are refreshed in place by index, which a sorted list would break.
    list.SetSorted(false);
    list.SetSingleSelection(true);
    keyboard_.FillKeyList(list);
    list.SetFullRowSelect(true);
}

int CKeyboardSetupDialog::FirstSelectedRow() const
{
    const IListView& list = *controls_.keyList;
    for (int row = 0; row < CKeyboardDef::kKeyListRows; ++row) {
        if (list.GetItemState(row, IListView::kSelected) != 0)
            return row;
    }
    return -1;
}

DialogResult CKeyboardSetupDialog::OnEdit()
{
    IListView& list = *controls_.keyList;
    if (list.SelectedCount() == 0)
        return DialogResult::None;
    const int row = FirstSelectedRow();
    if (row < 0)
        return DialogResult::None;

    KeyEntry key = keyboard_.GetKey(row);
    CKeyEditDialog editor(keyboard_.Messages());
    editor.SetTexts(key.texts);
    editor.SetLockFlags(keyboard_.LockFlags(row));
    if (keyEditor_->Run(editor) != DialogResult::Ok)
        return DialogResult::None;

    // An OK counts as a change even when every text is as it was.
    key.texts = editor.Texts();
    keyboard_.SetModified();
    keyboard_.SetKey(row, key);
    keyboard_.RefreshKeyRow(list, row);
    return DialogResult::None;
}

DialogResult CKeyboardSetupDialog::OnResetCalibration()
{
    if (!keyboardLoaded_) {
        keyboard_.Messages().Show({kNotLoaded});
        return DialogResult::None;
    }
    keyboard_.SetMeasuredMarks(keyboard_.ReferenceMarks());
    keyboard_.SetModified();
    // The whole working copy is written, key edits included. A failed write
    // has shown its message; the copy stays modified, so Save tries again.
    static_cast<void>(keyboard_.SaveIfModified());
    return DialogResult::None;
}

DialogResult CKeyboardSetupDialog::OnSave()
{
    if (!keyboardLoaded_) {
        // Nothing was saved, so the main window has nothing to read again.
        if (keyboard_.IsModified())
            keyboard_.Messages().Show({kNotLoaded});
        return DialogResult::Cancel;
    }
    // A failed write has shown its message; the main window then reloads the
    // file as it still is.
    static_cast<void>(keyboard_.SaveIfModified());
    return DialogResult::Ok;
}

DialogResult CKeyboardSetupDialog::OnCancel()
{
    return DialogResult::Cancel;
}
