#include "Win32MainDialog.h"

#include "Win32KeyboardSetupDialog.h"
#include "resource.h"

#include "platform/win32/Win32Controls.h"
#include "platform/win32/Win32MessageBox.h"
#include "platform/win32/Win32SaveFileDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

namespace {

constexpr UINT_PTR kFileListSubclass = 1;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

}  // namespace

void CProgramMessageBoxes::Show(const Message& message)
{
    ShowWin32MessageBox(ProgramWindowInFront(main_.Handle()), message.text, message.icon);
}

std::vector<std::string> DroppedPaths(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        const UINT copied = DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(copied);
        paths.push_back(std::move(path));
    }
    return paths;
}

struct CWin32MainDialog::Controls {
    Controls(const CWin32Dialog& main, const Win32MainServices& services)
        : frame(main.Handle()),
          fileList(GetDlgItem(main.Handle(), IDC_FILE_LIST)),
          exit(GetDlgItem(main.Handle(), IDOK)),
          help(GetDlgItem(main.Handle(), ID_HELP)),
          convert(GetDlgItem(main.Handle(), IDC_CONVERT)),
          keySetup(GetDlgItem(main.Handle(), IDC_KEY_SETUP)),
          remove(GetDlgItem(main.Handle(), IDC_REMOVE)),
          shell(main.Handle()),
          saveDialog(main.Handle()),
          keyboardSetup(main.Handle()),
          boxes(main),
          services_(services)
    {
    }

    MainDialogControls Bound()
    {
        // In the order MainDialogControls lists them.
        return {&frame,
                &fileList,
                &exit,
                &help,
                &convert,
                &keySetup,
                &remove,
                services_.saveDialog ? services_.saveDialog : &saveDialog,
                services_.shell ? services_.shell : &shell,
                services_.keyboardSetup ? services_.keyboardSetup : &keyboardSetup,
                services_.messages ? services_.messages : &boxes};
    }

    CWin32WindowFrame frame;
    CWin32ListView fileList;
    CWin32Button exit;
    CWin32Button help;
    CWin32Button convert;
    CWin32Button keySetup;
    CWin32Button remove;
    CWin32Shell shell;
    CWin32SaveFileDialog saveDialog;
    CWin32KeyboardSetupRunner keyboardSetup;
    CProgramMessageBoxes boxes;

private:
    Win32MainServices services_;
};

CWin32MainDialog::CWin32MainDialog(const Win32MainServices& services)
    : CWin32Dialog(IDD_MAIN),
      services_(services),
      icon_(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0,
                                          0, LR_DEFAULTSIZE | LR_SHARED)))
{
}

CWin32MainDialog::~CWin32MainDialog() = default;

bool CWin32MainDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(*this, services_);
    const bool result = logic_.OnInitDialog(controls_->Bound());
    // Files are dropped onto the list, which accepts them, not onto the dialog.
    SetWindowSubclass(controls_->fileList.Handle(), &FileListProc, kFileListSubclass,
                      reinterpret_cast<DWORD_PTR>(this));
    return result;
}

LRESULT CALLBACK CWin32MainDialog::FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR self)
{
    if (message == WM_DROPFILES) {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        reinterpret_cast<CWin32MainDialog*>(self)->logic_.OnDropFiles(DroppedPaths(drop));
        const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
        DragFinish(drop);
        return result;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(list, &FileListProc, id);
    return DefSubclassProc(list, message, wParam, lParam);
}

bool CWin32MainDialog::OnCommand(int id, int)
{
    switch (id) {
    case IDC_CONVERT:
        logic_.OnConvert();
        return true;
    case IDC_REMOVE:
        logic_.OnRemoveSelected();
        return true;
    case IDC_KEY_SETUP:
        logic_.OnKeyboardSetup();
        return true;
    case ID_HELP:
        logic_.OnHelp();
        return true;
    default:
        return false;
    }
}

bool CWin32MainDialog::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_FILE_LIST)
        return false;
    switch (header.code) {
    case NM_CLICK:
        logic_.OnListClick();
        result = 0;
        return true;
    case NM_DBLCLK:
        logic_.OnListDoubleClick();
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CWin32MainDialog::OnHelpKey()
{
    // The other windows pass their F1 on to their owners, up to this one.
    return logic_.OnF1(KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL), KeyHeld(VK_MENU));
}

void CWin32MainDialog::PaintMinimised()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(Handle(), &paint);
}

bool CWin32MainDialog::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result)
{
    switch (message) {
    case WM_PAINT:
        if (!IsIconic(Handle()))
            return false;
        PaintMinimised();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(icon_);
        return true;
    case WM_DESTROY:
        // The default handling goes on; the mapping and the pages go now.
        logic_.OnDestroy();
        return false;
    default:
        return false;
    }
}
