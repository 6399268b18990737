// The grid the explain picture files its labels and marked points in: it
// must find every overlap a scan of all the boxes finds, or a label would
// be put over another one.

#include "drawing/BoxGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Crowds of boxes of every kind, each box asked about before it is added:
// corners on whole millimetres (where cell edges lie), a hair beside them and
// anywhere; boxes from tiny to strips wider than the area, across its edges
// and wholly off it, empty and inverted ones; a part of the area filled a few
// to many layers deep.
TEST(BoxGrid, FindsEveryOverlapAScanFinds)
{
    const MmBox area{-12, -7, 203, 151};
    std::mt19937 random(11);
    const auto coordinate = [&](double from, double to) {
        const double at = std::uniform_real_distribution<double>(from, to)(random);
        switch (random() % 4) {
        case 0:
            return std::round(at);
        case 1:
            return std::nextafter(std::round(at), random() % 2 ? 1e9 : -1e9);
        default:
            return at;
        }
    };
    // The crowded part grows from a spot to most of the area.
    for (const double reach : {5.0, 20.0, 60.0, 100.0}) {
        SCOPED_TRACE(reach);
        CBoxGrid grid(area);
        std::vector<MmBox> added;
        for (int i = 0; i < 2000; ++i) {
            const bool crowded = random() % 3 != 0;
            const double x = crowded ? coordinate(90 - reach, 90 + reach) : coordinate(area.left - 40, area.right + 40);
            const double y = crowded ? coordinate(70 - reach / 2, 70 + reach / 2)
                                     : coordinate(area.top - 40, area.bottom + 40);
            double w = 0;
            double h = 0;
            switch (random() % 6) {
            case 0:
                w = coordinate(0, 1.5);
                h = w;
                break;
            case 1:
                w = coordinate(2, 30);
                h = coordinate(2.5, 4);
                break;
            case 2:
                // A strip across the area, either way.
                w = random() % 2 ? coordinate(0, 250) : coordinate(0, 1);
                h = w > 1 ? coordinate(0, 1) : coordinate(0, 200);
                break;
            case 3:
                w = random() % 2 ? 0 : coordinate(0, 8);
                h = w == 0 ? coordinate(0, 8) : 0;
                break;
            case 4:
                // Inverted one way or the other; only a box wider (or
                // higher) than it overlaps it.
                w = random() % 2 ? -coordinate(0, 3) : coordinate(0, 12);
                h = w < 0 ? coordinate(0, 4) : -coordinate(0, 3);
                break;
            default:
                w = coordinate(1, 12);
                h = coordinate(1, 12);
                break;
            }
            const MmBox box{x, y, x + w, y + h};
            if (std::min(box.left, box.right) >= area.left && std::max(box.left, box.right) <= area.right &&
                std::min(box.top, box.bottom) >= area.top && std::max(box.top, box.bottom) <= area.bottom) {
                const bool scanned =
                    std::any_of(added.begin(), added.end(), [&](const MmBox& t) { return t.Overlaps(box); });
                ASSERT_EQ(grid.AnyOverlaps(box), scanned)
                    << i << ": " << box.left << " " << box.top << " " << box.right << " " << box.bottom;
            }
            grid.Add(box);
            added.push_back(box);
        }
    }
}

}  // namespace
