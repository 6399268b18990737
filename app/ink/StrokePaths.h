#pragma once

#include "ink/StrokeSample.h"

#include <cstddef>
#include <cstdint>

// The pen strokes of a run of records as paths, as the pictures draw them:
// a pen-down begins a path at its point (`begin(x, y, penColor)`), each move
// to a point other than the last extends it (`step(x, y, first)`, `first` for
// the first step), and a pen-up, the next pen-down or the end of the run ends
// it (`end(moved)`). The first move counts even to the pen-down's own point:
// the JPEG's pen leaves a dot there. A path without a move leaves no mark:
// `end` is told so, to take back what `begin` wrote. Records from `shiftFrom` on are
// moved by (dx, dy), coordinates wrapping at 16 bits as the records' do.
template <class Begin, class Step, class End>
void ForEachStrokePath(const StrokeSample* samples, std::size_t count, std::size_t shiftFrom, int32_t dx, int32_t dy,
                       Begin&& begin, Step&& step, End&& end)
{
    const auto moved = [](int16_t value, int32_t offset) {
        return static_cast<int32_t>(
            static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(offset))));
    };
    bool open = false;
    bool stepped = false;
    int32_t lastX = 0;
    int32_t lastY = 0;
    const auto close = [&] {
        if (open)
            end(stepped);
        open = false;
        stepped = false;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const StrokeSample& sample = samples[i];
        const bool shifted = i >= shiftFrom;
        const int32_t x = moved(sample.x, shifted ? dx : 0);
        const int32_t y = moved(sample.y, shifted ? dy : 0);
        switch (sample.kind) {
        case StrokeSample::PenDown:
            close();
            open = true;
            begin(x, y, sample.penColor);
            lastX = x;
            lastY = y;
            break;
        case StrokeSample::PenMove:
            if (!open || (stepped && x == lastX && y == lastY))
                break;
            step(x, y, !stepped);
            stepped = true;
            lastX = x;
            lastY = y;
            break;
        case StrokeSample::PenUp:
            close();
            break;
        default:
            break;
        }
    }
    close();
}
