#include "platform/win32/Win32SaveFileDialog.h"

#include "platform/win32/WideText.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

std::wstring SaveDialogFilter(const std::string& filter)
{
    std::wstring wide = SjisToWide(filter);
    for (wchar_t& c : wide) {
        if (c == L'|')
            c = L'\0';
    }
    // The dialog reads entries up to an empty one.
    wide.push_back(L'\0');
    return wide;
}

DWORD SaveDialogFlags(const SaveFileRequest& request)
{
    DWORD flags = OFN_EXPLORER;
    if (request.overwritePrompt)
        flags |= OFN_OVERWRITEPROMPT;
    if (request.hideReadOnly)
        flags |= OFN_HIDEREADONLY;
    if (request.longNames)
        flags |= OFN_LONGNAMES;
    if (request.noChangeDir)
        flags |= OFN_NOCHANGEDIR;
    return flags;
}

std::optional<std::string> CWin32SaveFileDialog::Ask(const SaveFileRequest& request)
{
    const std::wstring filter = SaveDialogFilter(request.filter);
    std::wstring extension = SjisToWide(request.defaultExtension);
    if (!extension.empty() && extension.front() == L'.')
        extension.erase(0, 1);
    const std::wstring suggested = AnsiToWide(request.suggestedName);

    // Room for the longest path the system knows; a suggested name longer
    // than that is the only way to outgrow it, and then the buffer grows.
    std::vector<wchar_t> path(std::max<std::size_t>(32768, suggested.size() + 1), L'\0');
    std::copy(suggested.begin(), suggested.end(), path.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = SaveDialogFlags(request);
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;  // cancelled, or the dialog could not open
    return WideToAnsi(path.data());
}
