#include "keyboard/KeyGrid.h"

#include <algorithm>
#include <utility>

namespace {

// A printed sheet has a few dozen keys; this many cells keep each cell's
// list to a key or two while the grid stays small.
constexpr int64_t kMaxCellsPerSide = 16;

int64_t CeilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

// The smallest n with n * n >= count.
int64_t CeilSqrt(int64_t count)
{
    int64_t n = 0;
    while (n * n < count)
        ++n;
    return n;
}

}  // namespace

std::shared_ptr<const CKeyGrid> CKeyGrid::Build(std::vector<PenRect> rects)
{
    std::shared_ptr<CKeyGrid> grid(new CKeyGrid());
    grid->rects_ = std::move(rects);
    const std::vector<PenRect>& keys = grid->rects_;
    const auto count = static_cast<int32_t>(keys.size());
    for (const PenRect& rect : keys)
        grid->extent_ = UnionRect(grid->extent_, rect);
    if (grid->extent_.IsEmpty()) {
        grid->cellStart_.assign(1, 0);
        return grid;
    }

    const PenRect& e = grid->extent_;
    const int64_t width = int64_t{e.right} - e.left;
    const int64_t height = int64_t{e.bottom} - e.top;
    const auto side = std::clamp<int64_t>(CeilSqrt(count) * 2, 1, kMaxCellsPerSide);
    grid->cellWidth_ = CeilDiv(width, side);
    grid->cellHeight_ = CeilDiv(height, side);
    grid->columns_ = CeilDiv(width, grid->cellWidth_);
    grid->rows_ = CeilDiv(height, grid->cellHeight_);

    // Calls visit(cell, key) for every cell each key reaches, keys in order.
    const auto forEachCellOfEachKey = [&](const auto& visit) {
        for (int32_t k = 0; k < count; ++k) {
            const PenRect& r = keys[static_cast<std::size_t>(k)];
            if (r.IsEmpty())
                continue;
            const int64_t c0 = (int64_t{r.left} - e.left) / grid->cellWidth_;
            const int64_t c1 = (int64_t{r.right} - 1 - e.left) / grid->cellWidth_;
            const int64_t r0 = (int64_t{r.top} - e.top) / grid->cellHeight_;
            const int64_t r1 = (int64_t{r.bottom} - 1 - e.top) / grid->cellHeight_;
            for (int64_t row = r0; row <= r1; ++row) {
                for (int64_t column = c0; column <= c1; ++column)
                    visit(static_cast<std::size_t>(row * grid->columns_ + column), k);
            }
        }
    };

    // Counted first, then placed: each cell's keys end up together, in order.
    const auto cells = static_cast<std::size_t>(grid->columns_ * grid->rows_);
    std::vector<uint32_t> counts(cells + 1, 0);
    forEachCellOfEachKey([&](std::size_t cell, int32_t) { ++counts[cell + 1]; });
    for (std::size_t c = 1; c <= cells; ++c)
        counts[c] += counts[c - 1];
    grid->cellStart_ = counts;
    grid->keys_.resize(counts[cells]);
    forEachCellOfEachKey([&](std::size_t cell, int32_t k) { grid->keys_[counts[cell]++] = k; });
    return grid;
}

int32_t CKeyGrid::FindKey(int32_t x, int32_t y) const
{
    if (!extent_.Contains(x, y))
        return -1;
    const int64_t column = (int64_t{x} - extent_.left) / cellWidth_;
    const int64_t row = (int64_t{y} - extent_.top) / cellHeight_;
    const auto cell = static_cast<std::size_t>(row * columns_ + column);
    for (uint32_t i = cellStart_[cell]; i < cellStart_[cell + 1]; ++i) {
        const int32_t k = keys_[i];
        if (rects_[static_cast<std::size_t>(k)].Contains(x, y))
            return k;
    }
    return -1;
}
