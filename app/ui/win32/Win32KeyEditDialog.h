#pragma once

#include "Win32Dialog.h"

#include "ui/KeyEditDialog.h"

#include <memory>

// The key edit window (template 142) over the logic of CKeyEditDialog: field
// 1012 + k holds slot k, the pictures name the input modes and the gestures,
// and the pictures are painted on a grey ground.
class CWin32KeyEditDialog : public CWin32Dialog {
public:
    // `logic` must outlive the modal run.
    explicit CWin32KeyEditDialog(CKeyEditDialog& logic);
    ~CWin32KeyEditDialog() override;

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool IsPicture(HWND control) const;

    CKeyEditDialog& logic_;
    // Made at WM_INITDIALOG; the bitmaps they hold go after the window.
    std::unique_ptr<Controls> controls_;
};

// Runs key edit windows over its owner, the Keyboard Setup window.
using CWin32KeyEditRunner = CWin32DialogRunner<IKeyEditRunner, CKeyEditDialog, CWin32KeyEditDialog>;
