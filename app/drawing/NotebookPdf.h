#pragma once

#include "drawing/PdfModule.h"

#include <memory>
#include <string>

// The notebook as one PDF, written by hand rather than through cairo: the
// ink's whole pen units go into the content under one matrix per picture,
// the text is the embedded font's glyphs with a map back to Unicode (so it
// can be selected, searched and extracted), and the streams are deflated
// at zlib's fastest level. Null with the reason in `error`.
std::unique_ptr<INotebookPdf> OpenNotebookPdf(const PdfSettings& settings, std::string& error);

// Points per millimetre, and per pen unit (0.01 mm).
inline constexpr double kPointsPerMm = 72.0 / 25.4;
inline constexpr double kPointsPerPenUnit = 0.01 * kPointsPerMm;
