#include "Win32Dialog.h"

#include "resource.h"

namespace {

bool ModifierHeld()
{
    return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

}  // namespace

INT_PTR CWin32Dialog::RunModal(HWND owner)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
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
    return self ? self->HandleMessage(message, wParam, lParam) : FALSE;
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
        if (ModifierHeld())
            return FALSE;
        // The main window is the root owner of every window of the program.
        SendMessageW(GetAncestor(window_, GA_ROOTOWNER), WM_COMMAND, MAKEWPARAM(ID_HELP, BN_CLICKED), 0);
        return TRUE;

    default: {
        INT_PTR result = FALSE;
        return OnMessage(message, wParam, lParam, result) ? result : FALSE;
    }
    }
}
