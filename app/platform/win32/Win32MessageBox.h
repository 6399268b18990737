#pragma once

#include "platform/MessageBox.h"

#include <string>

// The Windows sink of ShowMessage: a modal box over the active window of the
// program, with the program's name as caption and an OK button.
void ShowWin32MessageBox(const std::string& text, MessageIcon icon);
