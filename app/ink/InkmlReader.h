#pragma once

#include "ink/StrokeSample.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A page read from an InkML document: every trace that holds ink, in
// document order, as stroke records (a pen-down, its pen-moves, a pen-up)
// in pen units, with the pen colour of its brush.
struct InkmlPage {
    std::vector<StrokeSample> records;
    InkPageGeometry geometry;
};

// What keeps an InkML file from being read: the message for the user
// (Shift_JIS) and the system's reason, when there is one.
struct InkmlFailure {
    std::string message;
    int systemError = 0;
};

// Bounds no page comes near: a file is read whole into memory, and every
// point becomes a record.
inline constexpr std::size_t kMaxInkmlBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxInkmlRecords = 4 * 1024 * 1024;

inline constexpr char kInkmlNamespace[] = "http://www.w3.org/2003/InkML";

// Whether the file's name says InkML: it ends in ".inkml", in any case.
bool IsInkmlPath(const std::string& path);

// Reads the document into `page`. Empty on success, else what is wrong with
// it (ASCII). X and Y are taken in whatever unit the trace format or the
// resolution of the ink source states, and rounded to the pen's 0.01 mm;
// values without a unit are taken as pen units. Other channels are read
// over. Blue and red brushes give the pens of those colours, every other
// brush the black pen.
std::string ParseInkml(std::string_view document, InkmlPage& page);

// The file at `path` (a regular file of at most kMaxInkmlBytes), parsed.
// The failure's message is empty when the file was read.
InkmlFailure ReadInkmlFile(const std::string& path, InkmlPage& page);
