#include "keyboard/PictureIndex.h"

#include <algorithm>

namespace {

// A coordinate from the least int32_t on, so that a shift gives its cell.
uint64_t FromLeast(int32_t value) { return static_cast<uint64_t>(static_cast<int64_t>(value) - INT32_MIN); }

uint64_t CellKey(uint64_t column, uint64_t row) { return column << 32 | row; }

}  // namespace

void CPictureIndex::Add(std::size_t item, const PenRect& box)
{
    if (box.IsEmpty())
        return;
    const uint64_t left = FromLeast(box.left);
    const uint64_t top = FromLeast(box.top);
    // The last column and row the box holds.
    const uint64_t right = FromLeast(box.right) - 1;
    const uint64_t bottom = FromLeast(box.bottom) - 1;
    const uint64_t side = std::max(right - left, bottom - top) + 1;
    int level = 0;
    while ((uint64_t{1} << level) < side)
        ++level;
    levelsInUse_ |= uint64_t{1} << level;
    // At most two columns and two rows: the cells are as large as the box.
    Cells& cells = levels_[static_cast<std::size_t>(level)];
    for (uint64_t column = left >> level; column <= right >> level; ++column) {
        for (uint64_t row = top >> level; row <= bottom >> level; ++row)
            cells[CellKey(column, row)].push_back({item, box});
    }
}

std::size_t CPictureIndex::LastHolding(PenPoint point) const
{
    const uint64_t x = FromLeast(point.x);
    const uint64_t y = FromLeast(point.y);
    std::size_t found = kNone;
    for (int level = 0; level < kLevels; ++level) {
        if ((levelsInUse_ >> level & 1) == 0)
            continue;
        const Cells& cells = levels_[static_cast<std::size_t>(level)];
        const auto cell = cells.find(CellKey(x >> level, y >> level));
        if (cell == cells.end())
            continue;
        // A cell lists its boxes in the order they were added: the first
        // from the back that holds the point is the cell's last, and none
        // before one already found elsewhere can be later.
        for (auto entry = cell->second.rbegin(); entry != cell->second.rend(); ++entry) {
            if (found != kNone && entry->item < found)
                break;
            if (entry->box.Contains(point.x, point.y)) {
                found = entry->item;
                break;
            }
        }
    }
    return found;
}
