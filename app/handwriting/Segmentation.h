#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The ink of one picture as the handwriting reader takes it: strokes in
// writing order, points in the picture's ink coordinates (pen units, y down).
struct InkPoint {
    int32_t x = 0;
    int32_t y = 0;
};
using InkStroke = std::vector<InkPoint>;

struct InkBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = -1;
    int32_t bottom = -1;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Empty() const { return right < left; }
    void Add(const InkBox& other);
    void Add(InkPoint point);
};

InkBox BoxOf(const InkStroke& stroke);

// One character cell: the strokes that make it (indices into the picture's
// strokes, in writing order) and their box.
struct InkCell {
    std::vector<std::size_t> strokes;
    InkBox box;
};

// How a line is cut, in parts of the writing's height: the height of the
// picture's ink stands for the size of a character.
struct SegmentationRules {
    // A cell is not made wider than this (a character is about as wide as
    // it is high; wide kanji and slant take a little more).
    double maxCellWidth = 1.2;
    // Neighbouring pieces further apart than this are never one character.
    double maxInnerGap = 0.3;
    // A piece narrower than this (a voicing mark, a dot, the short stroke
    // of い) joins the nearer neighbour even past the width limit, and
    // across a gap up to `markGap`.
    double markWidth = 0.25;
    double markGap = 0.45;
};

// Cuts a line written left to right into character cells, left to right:
// strokes that overlap in x join first, then the pieces closest together,
// as long as the cell stays within the width a character of the writing's
// height has. Empty strokes are left out.
std::vector<InkCell> SegmentCells(const std::vector<InkStroke>& strokes, const SegmentationRules& rules = {});
