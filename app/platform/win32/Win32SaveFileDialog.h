#pragma once

#include "platform/SaveFileDialog.h"

#include <windows.h>

#include <optional>
#include <string>

// The request's filter as the dialog takes it: each "|" ends a description or
// a pattern list and becomes a NUL, and the list ends with an empty entry.
// The bars are replaced after the text is widened, as a Shift_JIS character
// may have the bar's byte as its second half.
std::wstring SaveDialogFilter(const std::string& filter);
DWORD SaveDialogFlags(const SaveFileRequest& request);

// The common save-file dialog, modal over its owner. The suggested name and
// the chosen path are in the ANSI code page, like every path of the program.
class CWin32SaveFileDialog : public ISaveFileDialog {
public:
    explicit CWin32SaveFileDialog(HWND owner) : owner_(owner) {}
    std::optional<std::string> Ask(const SaveFileRequest& request) override;

private:
    HWND owner_;
};
