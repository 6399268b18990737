#include "platform/win32/Win32MessageBox.h"

#include "platform/win32/WideText.h"

#include <windows.h>

void ShowWin32MessageBox(const std::string& text, MessageIcon icon)
{
    const UINT style = MB_OK | (icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : 0u);
    // OK is the only answer, so the result tells nothing.
    static_cast<void>(MessageBoxW(GetActiveWindow(), SjisToWide(text).c_str(), L"Marovi", style));
}
