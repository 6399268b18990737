#pragma once

class CSheetCanvas;
struct PrintedKeyboard;

// Every key with its texts and the five calibration marks (reference
// positions), numbered in tap order. Below an opacity of 1 they are drawn
// faintly, to lie under something drawn later.
void DrawKeyboard(CSheetCanvas& canvas, const PrintedKeyboard& keyboard, double opacity = 1.0);

// The printed sheet's notes: how to read a key, how to re-calibrate and a bar
// to check the print scale, each put in room on the page clear of the keys
// and marks. False when some note found no room and was left out.
bool DrawNotes(CSheetCanvas& canvas, const PrintedKeyboard& keyboard);
