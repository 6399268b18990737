#pragma once

#include "keyboard/KeyboardTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The pictures of a page that a later ink group may show again, found by the
// point they hold: the last one added whose box holds it. A page may show
// many pictures and ask again for many; each question looks only at the
// pictures around its point of about its size or larger, whatever lies
// elsewhere on the page.
//
// A box goes to the level of cells at least as large as its longer side,
// where it touches at most four cells; a point is looked for in its one cell
// of each level in use. Every box that holds the point is in one of those
// cells, so nothing is missed.
class CPictureIndex {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // The picture `item` with its box; items are added in rising order. An
    // empty box holds no point and is not kept.
    void Add(std::size_t item, const PenRect& box);
    // The item of the last box added that holds the point (PenRect::Contains),
    // or kNone.
    std::size_t LastHolding(PenPoint point) const;

private:
    struct Entry {
        std::size_t item;
        PenRect box;
    };
    // Cells of 2^level pen units, from the least coordinate there is; a
    // level's cells are keyed by their column and row.
    static constexpr int kLevels = 33;
    using Cells = std::unordered_map<uint64_t, std::vector<Entry>>;

    std::array<Cells, kLevels> levels_;
    // The levels holding anything, one bit each.
    uint64_t levelsInUse_ = 0;
};
