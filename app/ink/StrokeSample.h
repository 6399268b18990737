#pragma once

#include <cstdint>

// One point record of a loaded page. A stroke is a kind-1 record, any number of
// kind-2 records and one kind-3 end record; the end record's other fields are
// not meaningful. Coordinates are pen units stored as signed 16-bit values, so
// an x of 32768 or more reads as negative in every later step.
struct StrokeSample {
    enum Kind : uint16_t { PenDown = 1, PenMove = 2, PenUp = 3 };

    uint16_t kind;
    int16_t x;
    int16_t y;
    uint16_t penColor;
};

static_assert(sizeof(StrokeSample) == 8, "StrokeSample is the shared 8-byte record");

// The page an ink file describes, as its header states it: the extent along x
// and y in pen units and the turned position it was stored in (0 upright; the
// records are upright whatever it says).
struct InkPageGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t orientation = 0;
};
