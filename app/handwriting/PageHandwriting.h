#pragma once

#include "handwriting/HandwritingReader.h"
#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <string>
#include <vector>

class CInkStrokes;

// The strokes of an ink group as its picture shows them (see
// CInkStrokes::PicturePoint), in writing order.
std::vector<InkStroke> PictureInk(const CInkStrokes& group);

// Reads every picture of a page that a conversion wrote (`readings`) for
// handwriting: those taken as writing, by picture number. A picture shown
// again is read once; a page without pictures costs nothing.
PageHandwriting ReadPageHandwriting(const PageReadings& readings, const CHandwritingReader& reader);

// The candidates of each cell of each picture taken as writing, Shift_JIS,
// for the index's search: one line per picture, in picture order, cells
// parted by '|', the candidates of a cell one after another, best first.
std::string HandwritingCandidates(const PageHandwriting& handwriting);
