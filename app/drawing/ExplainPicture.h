#pragma once

#include "drawing/ExplainModule.h"

#include <string>

// Pixels per millimetre of an explain picture: one pixel is 0.1 mm.
inline constexpr double kExplainPixelsPerMm = 10;

// Where an explain picture lies on the sheet, in millimetres from the
// paper's top-left corner: the paper the keyboard is printed on, widened to
// hold the page's ink, and a band below for the legend.
struct ExplainFrame {
    double leftMm = 0;
    double topMm = 0;
    double widthMm = 0;
    double heightMm = 0;
};

ExplainFrame ExplainFrameOf(const ExplainPage& page);

// Draws how the page was read as a PNG at `path`: the sheet faintly, the
// page's ink in its pen colors where the recogniser saw it, every key
// stroke's hit point numbered as in the explanation text and colored by its
// gesture (red when it produced nothing, grey when a back space cancelled
// it), every ink group boxed with its picture number and the calibration
// taps with their marks and residuals. On failure the reason (UTF-8) is in
// `error` and no file is left at `path`.
bool DrawExplanation(const ExplainPage& page, const std::string& path, std::string& error);
