#pragma once

// Resource and control ids of the program. Plain numbers only, so that the
// resource compiler and portable code can include this file as well.

// Dialog templates.
#define IDD_MAIN 102
#define IDD_KEYBOARD_SETUP 138
#define IDD_KEY_EDIT 142

// Icon.
#define IDR_MAINFRAME 128

// Bitmaps: button faces.
#define IDB_EXIT 133
#define IDB_HELP 134
#define IDB_KEY_SETUP 135
#define IDB_CONVERT 136
#define IDB_REMOVE 137
#define IDB_EDIT 139
#define IDB_SETUP_CANCEL 140
#define IDB_SAVE 141
#define IDB_CONFIRM 143
#define IDB_EDIT_CANCEL 144

// Bitmaps: gesture glyphs (tap, bottom-to-top stroke, top-to-bottom stroke).
#define IDB_GESTURE_TAP 146
#define IDB_GESTURE_UP 147
#define IDB_GESTURE_DOWN 148

// Bitmaps: key list column titles, slot k is IDB_COLUMN_FIRST + k.
#define IDB_COLUMN_FIRST 149
#define IDB_COLUMN_LAST 157

// Bitmaps: input mode titles of the key edit grid (hiragana, katakana, half-width).
#define IDB_MODE_HIRAGANA 158
#define IDB_MODE_KATAKANA 159
#define IDB_MODE_HALFWIDTH 160

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
