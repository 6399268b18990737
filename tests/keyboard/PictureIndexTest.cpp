#include "keyboard/PictureIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

using Pictures = std::vector<std::pair<std::size_t, PenRect>>;

std::size_t LastHolding(const Pictures& pictures, PenPoint point)
{
    for (auto p = pictures.rbegin(); p != pictures.rend(); ++p) {
        if (p->second.Contains(point.x, point.y))
            return p->first;
    }
    return CPictureIndex::kNone;
}

// The index must answer exactly as a scan of every picture from the last
// would, while pictures are still being added: nested and overlapping boxes
// of very different sizes (a later small one inside a large one and the
// other way round), edges (right and bottom outside), empty boxes and
// extents near the 32-bit limits.
TEST(PictureIndex, FindsTheLastPictureAsAScanFromTheBackWould)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const std::vector<std::vector<PenRect>> layouts = {
        {{10, 10, 20, 20}, {0, 0, 1000, 1000}, {12, 12, 14, 14}, {5, 5, 5, 9}},
        {{0, 0, 100, 100}, {50, 50, 150, 150}, {99, 99, 101, 101}, {-100, -100, 0, 0}},
        {{kMin, kMin, kMax, kMax}, {-5, -5, 5, 5}, {kMax - 3, kMax - 3, kMax, kMax}, {kMin, kMin, kMin + 1, kMin + 1}},
        {{30, 30, 10, 10}, {1023, 0, 1025, 1}, {0, 1023, 1, 1025}},
    };
    for (std::size_t l = 0; l < layouts.size(); ++l) {
        CPictureIndex index;
        Pictures added;
        for (std::size_t p = 0; p < layouts[l].size(); ++p) {
            index.Add(3 * p + 1, layouts[l][p]);
            added.emplace_back(3 * p + 1, layouts[l][p]);
            for (const PenRect& r : layouts[l]) {
                const auto middle = [](int32_t a, int32_t b) { return static_cast<int32_t>((int64_t{a} + b) / 2); };
                const auto before = [](int32_t a) { return a > kMin ? a - 1 : a; };
                for (const int32_t x : {r.left, r.right, middle(r.left, r.right), before(r.right), before(r.left)}) {
                    for (const int32_t y : {r.top, r.bottom, middle(r.top, r.bottom), before(r.bottom), before(r.top)}) {
                        EXPECT_EQ(index.LastHolding({x, y}), LastHolding(added, {x, y}))
                            << l << " after " << p << ": " << x << "," << y;
                    }
                }
            }
        }
    }

    // A page of pictures from a dot to the whole sheet, probed between
    // additions as the writer asks.
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> position(-3000, 24000);
    std::uniform_int_distribution<int> scale(0, 15);
    CPictureIndex index;
    Pictures added;
    for (std::size_t p = 0; p < 400; ++p) {
        const int32_t left = position(random);
        const int32_t top = position(random);
        const int32_t width = std::uniform_int_distribution<int32_t>(0, 1 << scale(random))(random);
        const int32_t height = std::uniform_int_distribution<int32_t>(0, 1 << scale(random))(random);
        const PenRect box{left, top, left + width, top + height};
        index.Add(2 * p, box);
        added.emplace_back(2 * p, box);
        for (int probe = 0; probe < 50; ++probe) {
            const PenPoint point{position(random), position(random)};
            ASSERT_EQ(index.LastHolding(point), LastHolding(added, point)) << point.x << "," << point.y;
        }
    }
}

}  // namespace
