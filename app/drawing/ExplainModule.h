#pragma once

#include "drawing/PrintedKeyboard.h"
#include "handwriting/PictureHandwriting.h"
#include "ink/StrokeSample.h"
#include "keyboard/PageReading.h"

#include <cstddef>
#include <string>
#include <vector>

// What the explain module (libmarovi_explain.so) is handed of a converted
// page: plain data the program fills, so that the module, which carries its
// own copy of the code it runs, calls nothing of the program's.

// A reading with what its picture needs of the page's object. The reading's
// `stroke` is null: the module has no page to follow it into.
struct ExplainedReading {
    PageReading reading;
    bool cancelled = false;  // a key stroke a back space took back
    PenRect records;         // an ink group's RecordExtent
    double residualMm = 0;   // a calibration tap's ResidualMm
    // An ink group's picture as read for handwriting; `writing` is false
    // for a sketch or a page not read for it.
    PictureHandwriting handwriting;
};

struct ExplainPage {
    PrintedKeyboard keyboard;
    // The page's records mapped into the keyboard's frame, as
    // CPageStrokes::Samples holds them; they belong to the page, which
    // outlives the call.
    const StrokeSample* samples = nullptr;
    std::size_t sampleCount = 0;
    // One per object of the page, in page order.
    std::vector<ExplainedReading> readings;
};

// The entry point, found by the name kExplainEntryPoint: DrawExplanation of
// drawing/ExplainPicture.h. It throws nothing.
using DrawExplanationFunction = bool (*)(const ExplainPage& page, const std::string& path, std::string& error);

inline constexpr char kExplainModule[] = "libmarovi_explain.so";
inline constexpr char kExplainEntryPoint[] = "MaroviDrawExplanation";
