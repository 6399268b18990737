#include "handwriting/Segmentation.h"

#include <algorithm>
#include <limits>

void InkBox::Add(const InkBox& other)
{
    if (other.Empty())
        return;
    if (Empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

void InkBox::Add(InkPoint point) { Add(InkBox{point.x, point.y, point.x, point.y}); }

InkBox BoxOf(const InkStroke& stroke)
{
    InkBox box;
    for (const InkPoint& point : stroke)
        box.Add(point);
    return box;
}

std::vector<InkCell> SegmentCells(const std::vector<InkStroke>& strokes, const SegmentationRules& rules)
{
    std::vector<InkCell> pieces;
    InkBox all;
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        const InkBox box = BoxOf(strokes[k]);
        if (box.Empty())
            continue;
        pieces.push_back({{k}, box});
        all.Add(box);
    }
    if (pieces.empty())
        return pieces;
    const double height = std::max(1, all.Height());
    const double maxWidth = rules.maxCellWidth * height;
    const double maxGap = rules.maxInnerGap * height;
    const double markWidth = rules.markWidth * height;

    // Left to right by their middles: a long stroke starting early still
    // belongs where most of it is.
    std::sort(pieces.begin(), pieces.end(), [](const InkCell& a, const InkCell& b) {
        const int64_t ma = int64_t{a.box.left} + a.box.right;
        const int64_t mb = int64_t{b.box.left} + b.box.right;
        return ma != mb ? ma < mb : a.strokes.front() < b.strokes.front();
    });

    // Joins the neighbours closest together (overlap is a negative gap)
    // while a join is allowed; every join is a pass over the line, and a
    // line has few pieces (the reader caps them).
    const auto gapBetween = [](const InkCell& a, const InkCell& b) {
        return static_cast<double>(std::max(a.box.left, b.box.left)) - std::min(a.box.right, b.box.right);
    };
    for (;;) {
        std::size_t best = pieces.size();
        double bestGap = std::numeric_limits<double>::max();
        for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
            const InkCell& a = pieces[k];
            const InkCell& b = pieces[k + 1];
            const double gap = gapBetween(a, b);
            InkBox joined = a.box;
            joined.Add(b.box);
            const bool mark = std::min(a.box.Width(), b.box.Width()) < markWidth &&
                              std::max(a.box.Width(), b.box.Width()) < maxWidth;
            if (gap > (mark ? rules.markGap * height : maxGap))
                continue;
            if (joined.Width() > maxWidth && !(mark && joined.Width() <= maxWidth + markWidth))
                continue;
            // Overlap first, then the narrowest gap; of equal gaps the
            // narrower result.
            const double rank = gap + joined.Width() * 1e-6;
            if (rank < bestGap) {
                bestGap = rank;
                best = k;
            }
        }
        if (best == pieces.size())
            break;
        InkCell& a = pieces[best];
        InkCell& b = pieces[best + 1];
        a.strokes.insert(a.strokes.end(), b.strokes.begin(), b.strokes.end());
        std::sort(a.strokes.begin(), a.strokes.end());
        a.box.Add(b.box);
        pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
    return pieces;
}
