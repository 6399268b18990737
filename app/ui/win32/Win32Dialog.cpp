#include "Win32Dialog.h"

INT_PTR CWin32Dialog::RunModal(HWND owner)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CWin32Dialog::EndWith(DialogResult result)
{
    switch (result) {
    case DialogResult::Ok:
        End(IDOK);
        break;
    case DialogResult::Cancel:
        End(IDCANCEL);
        break;
    case DialogResult::None:
        break;
    }
}

INT_PTR CALLBACK CWin32Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWin32Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CWin32Dialog*>(lParam);
        self->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CWin32Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    // Messages that arrive before WM_INITDIALOG (WM_SETFONT) find no object.
    if (!self)
        return FALSE;
    const INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

INT_PTR CWin32Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;

    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam)))
            return TRUE;
        if (id == IDOK || id == IDCANCEL) {
            End(id);
            return TRUE;
        }
        return FALSE;
    }

    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
            return FALSE;
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
        return TRUE;
    }

    case WM_LBUTTONDOWN:
        // Pictures and group boxes let the press through to the dialog, so
        // every spot but the buttons, fields and lists grabs the window.
        PostMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return FALSE;

    case WM_HELP:
        return OnHelpKey() ? TRUE : FALSE;

    default: {
        INT_PTR result = FALSE;
        return OnMessage(message, wParam, lParam, result) ? result : FALSE;
    }
    }
}

DialogResult ModalResult(INT_PTR code) { return code == IDOK ? DialogResult::Ok : DialogResult::Cancel; }
