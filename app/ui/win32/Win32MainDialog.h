#pragma once

#include "Win32Dialog.h"

#include <memory>
#include <string>
#include <vector>

// The main window (template 102): the list of ink files with its drop hint,
// the conversion and removal buttons below it, and the setup, help and exit
// buttons beside it. Its controls are reached through the platform
// interfaces, the same ones the portable dialog logic works with.
class CWin32MainDialog : public CWin32Dialog {
public:
    CWin32MainDialog();
    ~CWin32MainDialog() override;

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    static LRESULT CALLBACK FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    // Paths in the system's ANSI code page, in the order the shell gives them.
    void OnFilesDropped(const std::vector<std::string>& paths);

    void InsertHintRows();
    void ShowHelp();
    void RunKeyboardSetup();
    void PaintMinimised();

    HICON icon_;  // shared resource icon, never freed
    bool hintShown_ = true;  // the list shows the drop hint, not files
    std::unique_ptr<Controls> controls_;
};
