#pragma once

#include "keyboard/KeyboardTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

// Finds the key under a point without testing every key: the extent of the
// keys is cut into a grid of cells, and each cell lists, in key order, the
// keys whose rectangles reach into it. A point's cell then holds every key
// that can contain it, lowest index first, so the first hit there is the
// first hit of the whole table.
//
// A grid keeps its own copy of the rectangles; it is immutable, and keyboards
// that hold the same keys share one.
class CKeyGrid {
public:
    // rects[k] is key k; empty rectangles hold no point.
    static std::shared_ptr<const CKeyGrid> Build(std::vector<PenRect> rects);

    // Index of the first key whose rectangle holds (x, y), or -1.
    int32_t FindKey(int32_t x, int32_t y) const;

private:
    CKeyGrid() = default;

    std::vector<PenRect> rects_;
    PenRect extent_;
    int64_t cellWidth_ = 1;
    int64_t cellHeight_ = 1;
    int64_t columns_ = 0;
    int64_t rows_ = 0;
    // The keys of cell c are keys_[cellStart_[c] .. cellStart_[c + 1] - 1].
    std::vector<uint32_t> cellStart_;
    std::vector<int32_t> keys_;
};
