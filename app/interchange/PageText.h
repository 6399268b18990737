#pragma once

#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <string>

// The text of a page as the page shows it, UTF-8: the key texts in page
// order, a line break where the writer broke the line, nothing for mode
// keys, back spaces and pictures. The readings must come from a conversion
// that wrote the page (CPageStrokes::ConvertToHtml): which strokes a back
// space took back is known only then. A page with text ends in a line break.
// A picture taken as writing in `handwriting` shows its text in its place.
std::string PageText(const PageReadings& readings, const PageHandwriting* handwriting = nullptr);

// Whether a key stroke's reading puts its text on the page, and whether that
// text breaks the line; shared by every writer of the page's text.
bool ShowsText(const PageReading& reading);
bool IsLineBreak(const PageReading& reading);
