#include "ui/KeyEditDialog.h"

#include "platform/Controls.h"
#include "ui/ResourceIds.h"

#include <cstddef>

CKeyEditDialog::CKeyEditDialog()
{
    lockFlags_.fill('0');
}

void CKeyEditDialog::OnInitDialog(const KeyEditControls& controls)
{
    controls_ = controls;
    for (std::size_t k = 0; k < texts_.size(); ++k)
        controls_.slotFields[k]->SetText(texts_[k]);

    controls_.ok->SetImage(IDB_CONFIRM);
    controls_.cancel->SetImage(IDB_EDIT_CANCEL);
    const int modeImages[] = {IDB_MODE_HIRAGANA, IDB_MODE_KATAKANA, IDB_MODE_HALFWIDTH};
    for (std::size_t mode = 0; mode < controls_.modePictures.size(); ++mode)
        controls_.modePictures[mode]->SetImage(modeImages[mode]);
    // Every mode column repeats the same three gesture glyphs, row by row.
    const int gestureImages[] = {IDB_GESTURE_TAP, IDB_GESTURE_UP, IDB_GESTURE_DOWN};
    for (std::size_t k = 0; k < controls_.gesturePictures.size(); ++k)
        controls_.gesturePictures[k]->SetImage(gestureImages[k % 3]);

    // Only '1' locks; a blank, '0' or any other byte leaves the slot editable.
    for (std::size_t k = 0; k < lockFlags_.size(); ++k)
        controls_.slotFields[k]->Enable(lockFlags_[k] != '1');
}

DialogResult CKeyEditDialog::OnOk()
{
    // Nothing is trimmed or checked: how a text is stored is the keyboard
    // file's business.
    for (std::size_t k = 0; k < texts_.size(); ++k)
        texts_[k] = controls_.slotFields[k]->GetText();
    return DialogResult::Ok;
}

DialogResult CKeyEditDialog::OnCancel()
{
    return DialogResult::Cancel;
}
