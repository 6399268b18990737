#include "Win32KeyEditDialog.h"

#include "resource.h"

#include "platform/win32/Win32Controls.h"

#include <cstddef>
#include <vector>

namespace {

constexpr COLORREF kPictureGround = RGB(192, 192, 192);

}  // namespace

struct CWin32KeyEditDialog::Controls {
    explicit Controls(HWND dialog)
        : confirm(GetDlgItem(dialog, IDOK)),
          cancel(GetDlgItem(dialog, IDCANCEL)),
          greyBrush(CreateSolidBrush(kPictureGround))
    {
        for (int id = IDC_SLOT_FIRST; id <= IDC_SLOT_LAST; ++id)
            fields.emplace_back(GetDlgItem(dialog, id));
        for (int id = IDC_MODE_PICTURE_FIRST; id <= IDC_MODE_PICTURE_LAST; ++id)
            modePictures.emplace_back(GetDlgItem(dialog, id));
        for (int id = IDC_GESTURE_PICTURE_FIRST; id <= IDC_GESTURE_PICTURE_LAST; ++id)
            gesturePictures.emplace_back(GetDlgItem(dialog, id));
    }

    // The logic keeps these pointers; the vectors are full and stay so.
    KeyEditControls Bound()
    {
        KeyEditControls bound;
        for (std::size_t k = 0; k < bound.slotFields.size(); ++k)
            bound.slotFields[k] = &fields[k];
        for (std::size_t mode = 0; mode < bound.modePictures.size(); ++mode)
            bound.modePictures[mode] = &modePictures[mode];
        for (std::size_t k = 0; k < bound.gesturePictures.size(); ++k)
            bound.gesturePictures[k] = &gesturePictures[k];
        bound.ok = &confirm;
        bound.cancel = &cancel;
        return bound;
    }

    std::vector<CWin32EditField> fields;         // slot order
    std::vector<CWin32Picture> modePictures;     // hiragana, katakana, half-width
    std::vector<CWin32Picture> gesturePictures;  // left of the field of slot k
    CWin32Button confirm;
    CWin32Button cancel;
    BrushHandle greyBrush;  // released when the window closes
};

CWin32KeyEditDialog::CWin32KeyEditDialog(CKeyEditDialog& logic) : CWin32Dialog(IDD_KEY_EDIT), logic_(logic) {}

CWin32KeyEditDialog::~CWin32KeyEditDialog() = default;

bool CWin32KeyEditDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(Handle());
    logic_.OnInitDialog(controls_->Bound());
    return true;
}

bool CWin32KeyEditDialog::OnCommand(int id, int)
{
    // OK and Cancel are the window's only commands.
    if (id != IDOK && id != IDCANCEL)
        return false;
    EndWith(id == IDOK ? logic_.OnOk() : logic_.OnCancel());
    return true;
}

bool CWin32KeyEditDialog::IsPicture(HWND control) const
{
    const int id = GetDlgCtrlID(control);
    return (id >= IDC_GESTURE_PICTURE_FIRST && id <= IDC_GESTURE_PICTURE_LAST) ||
           (id >= IDC_MODE_PICTURE_FIRST && id <= IDC_MODE_PICTURE_LAST);
}

bool CWin32KeyEditDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        // Disabled fields ask the same question; they keep the system's colors.
        if (!controls_ || !controls_->greyBrush || !IsPicture(reinterpret_cast<HWND>(lParam)))
            return false;
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, kPictureGround);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(controls_->greyBrush.get());
        return true;
    }
    case WM_DESTROY:
        if (controls_)
            controls_->greyBrush.reset();
        return false;
    default:
        return false;
    }
}
