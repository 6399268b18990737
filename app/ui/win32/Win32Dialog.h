#pragma once

#include "ui/DialogResult.h"

#include <windows.h>

// A modal dialog built from a template. The dialog procedure finds its object
// through DWLP_USER, set from the creation parameter at WM_INITDIALOG; the
// object lives on the caller's stack for the whole modal run.
//
// Behaviour every window of the program shares lives here: a left-button
// press on a free spot of the surface moves the window. F1 (WM_HELP) left to
// the default procedure goes on to the window's owner, so from any window it
// reaches the main window, which decides whether it opens the manual.
class CWin32Dialog {
public:
    CWin32Dialog(const CWin32Dialog&) = delete;
    CWin32Dialog& operator=(const CWin32Dialog&) = delete;
    virtual ~CWin32Dialog() = default;

    // Runs the dialog over `owner` (null for a top-level window) and returns
    // the code it ended with, or -1 when it could not be created.
    INT_PTR RunModal(HWND owner);

    // Null before WM_INITDIALOG and after the window is gone.
    HWND Handle() const { return window_; }

protected:
    explicit CWin32Dialog(int templateId) : templateId_(templateId) {}

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void End(INT_PTR result) { EndDialog(window_, result); }
    // Ends the modal run when a handler of the dialog's logic asked for it:
    // Ok with IDOK, Cancel with IDCANCEL; None keeps the run going.
    void EndWith(DialogResult result);

    // The result is WM_INITDIALOG's: true lets the system set the focus.
    virtual bool OnInitDialog() { return true; }
    // True when handled. IDOK and IDCANCEL end the dialog unless handled.
    virtual bool OnCommand(int id, int notifyCode) { return false; }
    // True when handled; `result` is the notification's answer.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result) { return false; }
    // F1 (WM_HELP). True when handled; otherwise the owner is asked.
    virtual bool OnHelpKey() { return false; }
    // Any other message. True when handled; `result` is what the dialog
    // procedure returns (see the rules of DialogProc for each message).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND window_ = nullptr;
};

// How a modal run ended, as the dialogs' logic reads it: only IDOK is Ok; a
// window that could not be created counts as Cancel.
DialogResult ModalResult(INT_PTR code);

// The runner interface `Runner` of a dialog's logic `Logic`, each run a modal
// `Window` over `owner`.
template <class Runner, class Logic, class Window>
class CWin32DialogRunner : public Runner {
public:
    explicit CWin32DialogRunner(HWND owner) : owner_(owner) {}
    DialogResult Run(Logic& logic) override
    {
        Window window(logic);
        return ModalResult(window.RunModal(owner_));
    }

private:
    HWND owner_;
};
