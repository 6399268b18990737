#pragma once

#include "platform/MessageBox.h"

#include <windows.h>

#include <string>

// A modal box over `owner`, with the program's name as caption and an OK
// button. The owner stays disabled while the box is open.
void ShowWin32MessageBox(HWND owner, const std::string& text, MessageIcon icon);

// The window of the program that takes input now, starting from its main
// window: while a window is disabled because a modal window (a dialog or a
// box) runs over it, that window is the one. The result is `main` itself when
// nothing runs over it, also before it is shown; null for a null `main`.
// Windows of other programs, and top-level windows of the thread that `main`
// does not own, never count, whichever of them is active.
HWND ProgramWindowInFront(HWND main);
