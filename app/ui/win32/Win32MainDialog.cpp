#include "Win32MainDialog.h"

#include "Win32KeyboardSetupDialog.h"
#include "resource.h"

#include "platform/CurrentDirectory.h"
#include "platform/win32/Win32Controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <utility>

namespace {

struct ColumnSpec {
    const char* title;
    int width;
};

// The third column keeps the path of the page written for the row; it is
// never shown.
constexpr ColumnSpec kFileColumns[] = {{"ファイル名", 300}, {"処理状況", 90}, {"", 0}};

constexpr int kEmptyHintRows = 6;
constexpr UINT_PTR kFileListSubclass = 1;

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

}  // namespace

struct CWin32MainDialog::Controls {
    explicit Controls(HWND dialog)
        : frame(dialog),
          fileList(GetDlgItem(dialog, IDC_FILE_LIST)),
          exit(GetDlgItem(dialog, IDOK)),
          help(GetDlgItem(dialog, ID_HELP)),
          convert(GetDlgItem(dialog, IDC_CONVERT)),
          keySetup(GetDlgItem(dialog, IDC_KEY_SETUP)),
          remove(GetDlgItem(dialog, IDC_REMOVE)),
          shell(dialog)
    {
    }

    CWin32WindowFrame frame;
    CWin32ListView fileList;
    CWin32Button exit;
    CWin32Button help;
    CWin32Button convert;
    CWin32Button keySetup;
    CWin32Button remove;
    CWin32Shell shell;
};

CWin32MainDialog::CWin32MainDialog()
    : CWin32Dialog(IDD_MAIN),
      icon_(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0,
                                          0, LR_DEFAULTSIZE | LR_SHARED)))
{
}

CWin32MainDialog::~CWin32MainDialog() = default;

bool CWin32MainDialog::OnInitDialog()
{
    controls_ = std::make_unique<Controls>(Handle());
    Controls& c = *controls_;

    c.frame.SetIcon(IDR_MAINFRAME);
    int index = 0;
    for (const ColumnSpec& column : kFileColumns)
        c.fileList.InsertColumn(index++, column.title, column.width);

    c.exit.SetImage(IDB_EXIT);
    c.help.SetImage(IDB_HELP);
    c.keySetup.SetImage(IDB_KEY_SETUP);
    c.convert.SetImage(IDB_CONVERT);
    c.remove.SetImage(IDB_REMOVE);
    c.fileList.SetFullRowSelect(true);
    c.frame.SetCaption("Veda-Rovodad for Inkora");
    InsertHintRows();
    // Files are dropped onto the list, which accepts them, not onto the dialog.
    SetWindowSubclass(c.fileList.Handle(), &FileListProc, kFileListSubclass, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

LRESULT CALLBACK CWin32MainDialog::FileListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR self)
{
    if (message == WM_DROPFILES) {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        reinterpret_cast<CWin32MainDialog*>(self)->OnFilesDropped(DroppedPaths(drop));
        const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
        DragFinish(drop);
        return result;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(list, &FileListProc, id);
    return DefSubclassProc(list, message, wParam, lParam);
}

void CWin32MainDialog::OnFilesDropped(const std::vector<std::string>& paths)
{
    IListView& list = controls_->fileList;
    if (hintShown_) {
        hintShown_ = false;
        list.DeleteAllRows();
    }
    // Position 0 is only a wish: the sorted list files each row by its path.
    for (const std::string& path : paths) {
        const int row = list.InsertRow(0, path);
        list.SetItemText(row, 1, "未変換");
        list.SetItemText(row, 2, "");
    }
    controls_->convert.Enable(true);
}

void CWin32MainDialog::InsertHintRows()
{
    // The sorted list puts the empty labels first, so the hint stays last.
    IListView& list = controls_->fileList;
    hintShown_ = true;
    for (int row = 0; row < kEmptyHintRows; ++row)
        list.InsertRow(row, "");
    list.InsertRow(kEmptyHintRows, std::string(24, ' ') + "ここへドラッグ＆ドロップしてください。");
}

void CWin32MainDialog::ShowHelp()
{
    // The manual is looked for in the current directory, with a forward
    // slash, which the shell accepts as well.
    controls_->shell.Open(GetCurrentDir() + "/SKBmanual.pdf");
}

void CWin32MainDialog::RunKeyboardSetup()
{
    CWin32KeyboardSetupDialog setup;
    setup.RunModal(Handle());
}

bool CWin32MainDialog::OnCommand(int id, int)
{
    switch (id) {
    case ID_HELP:
        ShowHelp();
        return true;
    case IDC_KEY_SETUP:
        RunKeyboardSetup();
        return true;
    default:
        return false;
    }
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
    default:
        return false;
    }
}
