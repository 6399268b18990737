#pragma once

#include "handwriting/Lexicon.h"
#include "handwriting/PictureHandwriting.h"
#include "handwriting/Segmentation.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// When a picture counts as writing, and how much of it is read at all.
// The values are those the handwriting benchmark (tools/handwriting-bench)
// chose on generated words and sketches; see the README.
struct ReadingRules {
    // Work is capped: a picture past any of these is a sketch unread, so a
    // picture of any size is decided in bounded time.
    std::size_t maxPoints = 20000;
    std::size_t maxStrokes = 240;
    std::size_t maxCells = 16;
    std::size_t maxStrokesPerCell = 30;
    // Candidates kept per cell.
    std::size_t candidates = 40;
    // Confidence: the mean of the cells' best scores, and the least of them.
    float minMeanScore = -0.5f;
    float minCellScore = -2.0f;
    // Shape, in parts of the line's height: a line of writing is no taller
    // than this many cells' width on average (a column or a tall drawing is
    // not a line); no cell is wider than a character can be, and no stroke
    // longer (the longest of KanjiVG's, ゑ's, is 4.4 times the character's
    // height; a circle twice round or a signature is longer).
    double maxHeightPerWidth = 1.6;
    double maxCellWidth = 1.6;
    double maxStrokeLength = 4.5;
    // Sharp turns (over 70 degrees, the stroke followed in steps of 0.08
    // of the height) a stroke may take: three at most in KanjiVG's strokes
    // (ゑ's seven aside), many in a scribble.
    int maxCorners = 4;
    // A picture of nothing but one-stroke cells is a sketch: a circle, a
    // line, a tick read as の, 一 or つ. Writing of one-stroke characters
    // alone (くし) is lost with them.
    bool oneStrokeCellsAreSketches = true;
    SegmentationRules segmentation;
};

// The handwriting recogniser: zinnia with a model, opened once and then
// read by any number of threads at once. zinnia's classify is a const call
// that keeps its working state on its own stack and reads the model only,
// so one recogniser serves every thread; each call makes its own character.
class CHandwritingReader {
public:
    CHandwritingReader();
    ~CHandwritingReader();
    CHandwritingReader(const CHandwritingReader&) = delete;
    CHandwritingReader& operator=(const CHandwritingReader&) = delete;

    // Opens the model file; false with the reason (UTF-8) when it cannot be
    // read as a model.
    bool Open(const std::string& modelPath, std::string& why);
    // The words the cells of a line are chosen together by (ChooseWords);
    // null: none. It outlives the reader's use, and is only read.
    void SetLexicon(const CLexicon* lexicon) { lexicon_ = lexicon; }

    // Reads one picture: its cells, each cell's candidates, and whether it
    // is writing. For a sketch the cells and text are what was read before
    // the decision (none when a cap stopped the reading), for measurement;
    // only `writing` is meant for the pages.
    PictureHandwriting Read(const std::vector<InkStroke>& strokes, const ReadingRules& rules = {}) const;

    // The candidates of one cell of a line whose ink box is `line`, best
    // first (Shift_JIS; those the code page has no character for are left
    // out).
    std::vector<HandwritingCandidate> Classify(const std::vector<InkStroke>& strokes, const InkCell& cell,
                                               const InkBox& line, std::size_t candidates) const;

private:
    struct Model;
    std::unique_ptr<Model> model_;
    const CLexicon* lexicon_ = nullptr;
};
