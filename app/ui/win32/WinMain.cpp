#include "Win32MainDialog.h"

#include <windows.h>
#include <commctrl.h>

// The program is its main window: it ends when the window closes, whichever
// way it is closed.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CWin32MainDialog dialog;
    static_cast<void>(dialog.RunModal(nullptr));
    return 0;
}
