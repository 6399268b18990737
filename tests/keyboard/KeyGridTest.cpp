#include "keyboard/KeyGrid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

int32_t FirstKeyHolding(const std::vector<PenRect>& rects, int32_t x, int32_t y)
{
    for (std::size_t k = 0; k < rects.size(); ++k) {
        if (rects[k].Contains(x, y))
            return static_cast<int32_t>(k);
    }
    return -1;
}

// The grid must answer exactly as a search of every key in order would:
// overlapping keys (the lower index wins), empty and inverted rectangles,
// edges (right and bottom outside), and extents near the 32-bit limits.
TEST(KeyGrid, FindsTheFirstKeyAsAFullSearchWould)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const std::vector<std::vector<PenRect>> layouts = {
        {},
        {{0, 0, 0, 0}, {5, 5, 5, 9}},
        {{10, 10, 20, 20}},
        {{0, 0, 100, 100}, {50, 50, 150, 150}, {60, 60, 70, 70}, {0, 0, 1000, 1000}},
        {{kMin, kMin, kMax, kMax}, {-5, -5, 5, 5}},
        {{kMax - 3, kMax - 3, kMax, kMax}, {kMin, kMin, kMin + 2, kMin + 2}},
        {{30, 30, 10, 10}, {10, 10, 30, 30}},
    };
    for (std::size_t l = 0; l < layouts.size(); ++l) {
        const auto grid = CKeyGrid::Build(layouts[l]);
        const auto middle = [](int32_t a, int32_t b) { return static_cast<int32_t>((int64_t{a} + b) / 2); };
        for (const PenRect& r : layouts[l]) {
            for (const int32_t x : {r.left, r.right, middle(r.left, r.right), r.right - 1}) {
                for (const int32_t y : {r.top, r.bottom, middle(r.top, r.bottom), r.bottom - 1})
                    EXPECT_EQ(grid->FindKey(x, y), FirstKeyHolding(layouts[l], x, y)) << l << ": " << x << "," << y;
            }
        }
        EXPECT_EQ(grid->FindKey(kMin, kMin), FirstKeyHolding(layouts[l], kMin, kMin)) << l;
        EXPECT_EQ(grid->FindKey(kMax, kMax), -1) << l;
    }

    // A sheet of random keys, many overlapping, probed everywhere.
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> position(-2000, 22000);
    std::uniform_int_distribution<int32_t> size(0, 3000);
    std::vector<PenRect> keys;
    for (int k = 0; k < 200; ++k) {
        const int32_t left = position(random);
        const int32_t top = position(random);
        keys.push_back({left, top, left + size(random), top + size(random)});
    }
    const auto grid = CKeyGrid::Build(keys);
    for (int probe = 0; probe < 20000; ++probe) {
        const int32_t x = position(random);
        const int32_t y = position(random);
        ASSERT_EQ(grid->FindKey(x, y), FirstKeyHolding(keys, x, y)) << x << "," << y;
    }
}

}  // namespace
