#pragma once

// The icon and pictures the dialogs' logic names. Plain numbers only, so that
// the resource compiler can include this file through win32/resource.h.

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
