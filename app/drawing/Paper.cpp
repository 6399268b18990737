#include "drawing/Paper.h"

#include "drawing/PrintedKeyboard.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

const std::vector<PaperSize>& StandardPapers()
{
    static const std::vector<PaperSize> papers = {
        {"A5", 148, 210},
        {"A5-landscape", 210, 148},
        {"A4", 210, 297},
        {"A4-landscape", 297, 210},
    };
    return papers;
}

std::optional<PaperSize> FindPaper(const std::string& name)
{
    for (const PaperSize& paper : StandardPapers()) {
        if (SameNameIgnoringCase(paper.name, name))
            return paper;
    }
    return std::nullopt;
}

SheetExtent KeyboardExtent(const PrintedKeyboard& keyboard, double mmPerPenUnit)
{
    bool first = true;
    SheetExtent extent;
    const auto add = [&](double left, double top, double right, double bottom) {
        if (first) {
            extent = {left, top, right, bottom};
            first = false;
            return;
        }
        extent.left = std::min(extent.left, left);
        extent.top = std::min(extent.top, top);
        extent.right = std::max(extent.right, right);
        extent.bottom = std::max(extent.bottom, bottom);
    };
    for (const KeyEntry& key : keyboard.keys) {
        const PenRect& rect = key.rect;
        add(rect.left * mmPerPenUnit, rect.top * mmPerPenUnit, rect.right * mmPerPenUnit,
            rect.bottom * mmPerPenUnit);
    }
    for (const PenPoint& mark : keyboard.marks)
        add(mark.x * mmPerPenUnit, mark.y * mmPerPenUnit, mark.x * mmPerPenUnit, mark.y * mmPerPenUnit);
    return extent;
}

bool PaperHolds(const PaperSize& paper, const SheetExtent& extent)
{
    return extent.left >= 0 && extent.top >= 0 && extent.right <= paper.widthMm && extent.bottom <= paper.heightMm;
}

PaperSize SmallestPaperHolding(const SheetExtent& extent)
{
    for (const PaperSize& paper : StandardPapers()) {
        if (PaperHolds(paper, extent))
            return paper;
    }
    return StandardPapers().back();
}
