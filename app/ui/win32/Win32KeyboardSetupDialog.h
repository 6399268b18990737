#pragma once

#include "Win32Dialog.h"

#include "ui/KeyboardSetupDialog.h"

#include <memory>

// The Keyboard Setup window (template 138) over the logic of
// CKeyboardSetupDialog: the key list 1009 with the column pictures above it,
// and the edit, reset, save and cancel buttons. Key edit windows open over it.
class CWin32KeyboardSetupDialog : public CWin32Dialog {
public:
    // `logic` must outlive the modal run.
    explicit CWin32KeyboardSetupDialog(CKeyboardSetupDialog& logic);
    ~CWin32KeyboardSetupDialog() override;

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

    CKeyboardSetupDialog& logic_;
    // Made at WM_INITDIALOG; the bitmaps they hold go after the window.
    std::unique_ptr<Controls> controls_;
};

// Runs Keyboard Setup over its owner, the main window.
using CWin32KeyboardSetupRunner =
    CWin32DialogRunner<IKeyboardSetupRunner, CKeyboardSetupDialog, CWin32KeyboardSetupDialog>;
