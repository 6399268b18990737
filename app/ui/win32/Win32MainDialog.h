#pragma once

#include "Win32Dialog.h"

#include "platform/MessageBox.h"
#include "ui/MainDialog.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

class IKeyboardSetupRunner;
class ISaveFileDialog;
class IShell;

// Services of the desktop the main window calls. Null ones are the
// platform's own: the shell, the common save dialog, the Keyboard Setup
// window and the program's message boxes, each over the main window. Set ones are not owned and must outlive
// the window; tests record through them.
struct Win32MainServices {
    IShell* shell = nullptr;
    ISaveFileDialog* saveDialog = nullptr;
    IKeyboardSetupRunner* keyboardSetup = nullptr;
    IMessageBox* messages = nullptr;
};

// The main window (template 102) over the logic of CMainDialog: the file list
// 1002 with its drop hint, the conversion and removal buttons below it, and
// the setup, help and exit buttons beside it. The program ends when it closes.
class CWin32MainDialog : public CWin32Dialog {
public:
    explicit CWin32MainDialog(const Win32MainServices& services = {});
    ~CWin32MainDialog() override;

    CMainDialog& Logic() { return logic_; }

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnHelpKey() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    static LRESULT CALLBACK FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void PaintMinimised();

    Win32MainServices services_;
    HICON icon_;  // shared resource icon, never freed
    CMainDialog logic_;
    // Made at WM_INITDIALOG and kept until the object goes, after the window:
    // the buttons show bitmaps the adapters own.
    std::unique_ptr<Controls> controls_;
};

// The program's message boxes: each is owned by the program's window in front
// (the main window, or the dialog or box that runs over it), so the main
// window takes no input while a box is open, whichever window of the desktop
// is active. `main` must outlive the object.
class CProgramMessageBoxes : public IMessageBox {
public:
    explicit CProgramMessageBoxes(const CWin32Dialog& main) : main_(main) {}
    void Show(const Message& message) override;

private:
    const CWin32Dialog& main_;
};

// The paths of a drop in the order the shell gives them, in the system's ANSI
// code page, each as long as it is.
std::vector<std::string> DroppedPaths(HDROP drop);
