#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// A rectangle in millimetres on the sheet.
struct MmBox {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    bool Overlaps(const MmBox& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
};

// Boxes filed by the cells of a grid over an area (a picture), each in every
// cell its closed extent touches, so that a box is checked only against the
// boxes near it. Two boxes that overlap share a point, and that point's cell
// holds both: a cell's index grows with the coordinate, clamped or not. A box
// wholly off the area can overlap no box within it and is not filed.
class CBoxGrid {
public:
    explicit CBoxGrid(const MmBox& area)
        : area_(area), columns_(Count(area.right - area.left, kCellWidthMm)),
          rows_(Count(area.bottom - area.top, kCellHeightMm)),
          cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_))
    {
    }

    void Add(const MmBox& box)
    {
        const double left = std::min(box.left, box.right);
        const double right = std::max(box.left, box.right);
        const double top = std::min(box.top, box.bottom);
        const double bottom = std::max(box.top, box.bottom);
        // Also false for a box with a NaN corner, which overlaps nothing.
        if (!(left <= area_.right && right >= area_.left && top <= area_.bottom && bottom >= area_.top))
            return;
        for (int row = Row(top); row <= Row(bottom); ++row) {
            for (int column = Column(left); column <= Column(right); ++column)
                Cell(column, row).push_back(box);
        }
    }

    // Whether a box added so far overlaps `box`: exactly for a box within the
    // area; beyond it, the boxes that were not filed are missed.
    bool AnyOverlaps(const MmBox& box) const
    {
        const double left = std::min(box.left, box.right);
        const double right = std::max(box.left, box.right);
        const double top = std::min(box.top, box.bottom);
        const double bottom = std::max(box.top, box.bottom);
        if (!(left <= area_.right && right >= area_.left && top <= area_.bottom && bottom >= area_.top))
            return false;
        for (int row = Row(top); row <= Row(bottom); ++row) {
            for (int column = Column(left); column <= Column(right); ++column) {
                // Newest first: on a picture, the labels, which are large,
                // before the many small marked points filed ahead of them.
                const std::vector<MmBox>& cell = Cell(column, row);
                if (std::any_of(cell.rbegin(), cell.rend(), [&](const MmBox& t) { return t.Overlaps(box); }))
                    return true;
            }
        }
        return false;
    }

private:
    // Fine enough that the boxes of a crowded cell mostly overlap whatever
    // else touches it, coarse enough that a label (a line of 2.6 mm text) is
    // filed in a handful of cells.
    static constexpr double kCellWidthMm = 4;
    static constexpr double kCellHeightMm = 2;

    static int Count(double length, double cell)
    {
        return static_cast<int>(std::clamp(std::ceil(length / cell), 1.0, 4096.0));
    }

    // Clamped to the grid, which keeps the order of coordinates. Never given
    // a NaN: the callers have checked that the box touches the area.
    static int Index(double offset, double cell, int count)
    {
        return static_cast<int>(std::clamp(std::floor(offset / cell), 0.0, static_cast<double>(count - 1)));
    }
    int Column(double x) const { return Index(x - area_.left, kCellWidthMm, columns_); }
    int Row(double y) const { return Index(y - area_.top, kCellHeightMm, rows_); }

    std::vector<MmBox>& Cell(int column, int row)
    {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)];
    }
    const std::vector<MmBox>& Cell(int column, int row) const
    {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)];
    }

    MmBox area_;
    int columns_;
    int rows_;
    std::vector<std::vector<MmBox>> cells_;
};
