#include "platform/win32/Win32MessageBox.h"

#include "platform/win32/WideText.h"

#include <cwchar>

namespace {

struct OwnedDialogSearch {
    HWND owner;
    HWND found;
};

// Modal dialogs, boxes and the common dialogs all have the dialog class;
// tooltips and other popups an owner may have do not.
BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<OwnedDialogSearch*>(search);
    if (GetWindow(window, GW_OWNER) != s.owner || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wcscmp(name, L"#32770") != 0)
        return TRUE;
    s.found = window;
    return FALSE;
}

}  // namespace

void ShowWin32MessageBox(HWND owner, const std::string& text, MessageIcon icon)
{
    const UINT style = MB_OK | (icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : 0u);
    // OK is the only answer, so the result tells nothing.
    static_cast<void>(MessageBoxW(owner, SjisToWide(text).c_str(), L"Marovi", style));
}

HWND ProgramWindowInFront(HWND main)
{
    if (!main || !IsWindow(main))
        return nullptr;
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    HWND front = main;
    while (!IsWindowEnabled(front)) {
        OwnedDialogSearch search{front, nullptr};
        EnumThreadWindows(thread, &FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            break;
        front = search.found;
    }
    return front;
}
