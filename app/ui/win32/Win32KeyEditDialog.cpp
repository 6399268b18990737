#include "Win32KeyEditDialog.h"

#include "resource.h"

#include <vector>

struct CWin32KeyEditDialog::Controls {
    explicit Controls(HWND dialog)
        : confirm(GetDlgItem(dialog, IDOK)), cancel(GetDlgItem(dialog, IDCANCEL))
    {
        for (int id = IDC_SLOT_FIRST; id <= IDC_SLOT_LAST; ++id)
            fields.emplace_back(GetDlgItem(dialog, id));
        for (int id = IDC_MODE_PICTURE_FIRST; id <= IDC_MODE_PICTURE_LAST; ++id)
            modePictures.emplace_back(GetDlgItem(dialog, id));
        for (int id = IDC_GESTURE_PICTURE_FIRST; id <= IDC_GESTURE_PICTURE_LAST; ++id)
            gesturePictures.emplace_back(GetDlgItem(dialog, id));
    }

    std::vector<CWin32EditField> fields;  // slot order
    std::vector<CWin32Picture> modePictures;
    std::vector<CWin32Picture> gesturePictures;  // three per mode column, in gesture order
    CWin32Button confirm;
    CWin32Button cancel;
};

CWin32KeyEditDialog::CWin32KeyEditDialog(const SlotTexts& texts, const LockFlags& locks)
    : CWin32Dialog(IDD_KEY_EDIT), texts_(texts), locks_(locks)
{
}

CWin32KeyEditDialog::~CWin32KeyEditDialog() = default;

bool CWin32KeyEditDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(Handle());
    for (std::size_t k = 0; k < kSlots; ++k)
        controls_->fields[k].SetText(texts_[k]);

    greyBrush_.reset(CreateSolidBrush(RGB(192, 192, 192)));
    controls_->confirm.SetImage(IDB_CONFIRM);
    controls_->cancel.SetImage(IDB_EDIT_CANCEL);
    const int modeImages[] = {IDB_MODE_HIRAGANA, IDB_MODE_KATAKANA, IDB_MODE_HALFWIDTH};
    for (std::size_t mode = 0; mode < 3; ++mode)
        controls_->modePictures[mode].SetImage(modeImages[mode]);
    const int gestureImages[] = {IDB_GESTURE_TAP, IDB_GESTURE_UP, IDB_GESTURE_DOWN};
    for (std::size_t k = 0; k < controls_->gesturePictures.size(); ++k)
        controls_->gesturePictures[k].SetImage(gestureImages[k % 3]);

    for (std::size_t k = 0; k < kSlots; ++k) {
        if (locks_[k] == '1')
            controls_->fields[k].Enable(false);
    }
    return true;
}

bool CWin32KeyEditDialog::OnCommand(int id, int)
{
    if (id != IDOK)
        return false;
    // Disabled fields still hold the text they were given, so all nine are read.
    for (std::size_t k = 0; k < kSlots; ++k)
        texts_[k] = controls_->fields[k].GetText();
    End(IDOK);
    return true;
}

bool CWin32KeyEditDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_CTLCOLORSTATIC && greyBrush_) {
        // Disabled fields ask the same question; they keep the system's colours.
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id >= IDC_SLOT_FIRST && id <= IDC_SLOT_LAST)
            return false;
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(192, 192, 192));
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(greyBrush_.get());
        return true;
    }
    if (message == WM_DESTROY)
        greyBrush_.reset();
    return false;
}
