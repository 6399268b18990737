#pragma once

// Resource and control ids of the Windows front end. Plain numbers only, so
// that the resource compiler can include this file. The pictures the portable
// dialogs set come from ResourceIds.h.

#include "../ResourceIds.h"

// Dialog templates.
#define IDD_MAIN 102
#define IDD_KEYBOARD_SETUP 138
#define IDD_KEY_EDIT 142

// Main window.
#define IDC_CONVERT 1000
#define IDC_KEY_SETUP 1001
#define IDC_FILE_LIST 1002
#define IDC_REMOVE 1007
// The help command keeps the number the shell's help convention gives it.
#define ID_HELP 57670

// Keyboard Setup.
#define IDC_KEY_LIST 1009
#define IDC_EDIT_KEY 1011
#define IDC_RESET_CALIBRATION 1045
// Column pictures above the key list, slot k is IDC_COLUMN_PICTURE_FIRST + k.
#define IDC_COLUMN_PICTURE_FIRST 1033
#define IDC_COLUMN_PICTURE_LAST 1041

// Key edit: text field of slot k is IDC_SLOT_FIRST + k.
#define IDC_SLOT_FIRST 1012
#define IDC_SLOT_LAST 1020
// Gesture pictures left of the fields, three per mode column, in mode order.
#define IDC_GESTURE_PICTURE_FIRST 1021
#define IDC_GESTURE_PICTURE_LAST 1029
// Mode pictures above the three field columns.
#define IDC_MODE_PICTURE_FIRST 1042
#define IDC_MODE_PICTURE_LAST 1044
