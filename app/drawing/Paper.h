#pragma once

#include <optional>
#include <string>
#include <vector>

struct PrintedKeyboard;

// A sheet of paper as it goes into the printer, portrait or landscape.
struct PaperSize {
    std::string name;
    double widthMm = 0;
    double heightMm = 0;
};

// The papers a sheet can be printed on, smallest first.
const std::vector<PaperSize>& StandardPapers();

// The paper of that name (A4, A5, A4-landscape, A5-landscape; any case).
std::optional<PaperSize> FindPaper(const std::string& name);

// Where the printed things lie, in millimetres from the paper's top-left
// corner (the pen's origin): every key and every calibration mark.
struct SheetExtent {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

SheetExtent KeyboardExtent(const PrintedKeyboard& keyboard, double mmPerPenUnit);

// True when nothing of the extent lies off the paper.
bool PaperHolds(const PaperSize& paper, const SheetExtent& extent);

// The smallest standard paper that holds the extent; the largest when none
// does (the caller says what is cut off).
PaperSize SmallestPaperHolding(const SheetExtent& extent);
