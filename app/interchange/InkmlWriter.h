#pragma once

#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <string>

class CPageStrokes;

// The page as an InkML 1.0 document, UTF-8: every stroke of the ink as it
// was read (pen coordinates in millimetres, page order) with its pen's brush,
// the sheet's size and orientation, and how the page was read: each key
// stroke in a trace group annotated with its key, gesture, input mode and
// text, each picture's strokes in one annotated with the picture number,
// each calibration tap in one with its mark. `readings` are those of a
// conversion of `page` that wrote it; converting the document again gives
// the page's records back unchanged. A picture taken as writing in
// `handwriting` has its text annotated ("handwriting"), and each of its
// cells in order ("handwritingCell"): the cell's box in mm of the
// picture's frame (left top right bottom, the keyboard's frame, not the
// records'), then each candidate with its score.
std::string InkmlDocument(const CPageStrokes& page, const PageReadings& readings,
                          const PageHandwriting* handwriting = nullptr);

// Text as XML character data or attribute value: markup characters escaped,
// characters XML does not allow replaced by U+FFFD. UTF-8 in and out.
std::string XmlEscaped(const std::string& utf8);
