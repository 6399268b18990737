#include "handwriting/HandwritingReader.h"

#include "platform/TextEncoding.h"

#include <zinnia.h>

#include <algorithm>
#include <cmath>

struct CHandwritingReader::Model {
    struct Close {
        void operator()(zinnia_recognizer_t* recognizer) const { zinnia_recognizer_destroy(recognizer); }
    };
    std::unique_ptr<zinnia_recognizer_t, Close> recognizer;
};

namespace {

struct CharacterDeleter {
    void operator()(zinnia_character_t* character) const { zinnia_character_destroy(character); }
};
struct ResultDeleter {
    void operator()(zinnia_result_t* result) const { zinnia_result_destroy(result); }
};

// The square zinnia sees a cell in, in its own units.
constexpr int kFrame = 1000;

}  // namespace

CHandwritingReader::CHandwritingReader() = default;
CHandwritingReader::~CHandwritingReader() = default;

bool CHandwritingReader::Open(const std::string& modelPath, std::string& why)
{
    auto model = std::make_unique<Model>();
    model->recognizer.reset(zinnia_recognizer_new());
    if (!model->recognizer) {
        why = "out of memory";
        return false;
    }
    if (!zinnia_recognizer_open(model->recognizer.get(), modelPath.c_str())) {
        const char* reason = zinnia_recognizer_strerror(model->recognizer.get());
        why = reason != nullptr && *reason != '\0' ? reason : "not a handwriting model";
        return false;
    }
    // A file that opens but holds no character is of no use either.
    if (zinnia_recognizer_size(model->recognizer.get()) == 0) {
        why = "the model holds no character";
        return false;
    }
    model_ = std::move(model);
    return true;
}

std::vector<HandwritingCandidate> CHandwritingReader::Classify(const std::vector<InkStroke>& strokes,
                                                               const InkCell& cell, const InkBox& line,
                                                               std::size_t candidates) const
{
    std::vector<HandwritingCandidate> found;
    if (!model_ || cell.box.Empty())
        return found;
    // The cell is shown as a square as high as the line and centred on the
    // cell across: a small kana stays small and low, as it was written.
    const double side = std::max({1.0, static_cast<double>(line.Height()), static_cast<double>(cell.box.Width())});
    const double middleX = (static_cast<double>(cell.box.left) + cell.box.right) / 2.0;
    const double left = middleX - side / 2.0;
    const double top = (static_cast<double>(line.top) + line.bottom) / 2.0 - side / 2.0;
    // A margin as the model's writers left one in their box.
    constexpr double kMargin = 0.06;
    const double scale = kFrame * (1.0 - 2 * kMargin) / side;

    std::unique_ptr<zinnia_character_t, CharacterDeleter> character(zinnia_character_new());
    if (!character)
        return found;
    zinnia_character_set_width(character.get(), kFrame);
    zinnia_character_set_height(character.get(), kFrame);
    std::size_t id = 0;
    for (const std::size_t k : cell.strokes) {
        const InkStroke& stroke = strokes[k];
        if (stroke.empty())
            continue;
        for (const InkPoint& point : stroke) {
            const int x = static_cast<int>(std::lround(kFrame * kMargin + (point.x - left) * scale));
            const int y = static_cast<int>(std::lround(kFrame * kMargin + (point.y - top) * scale));
            if (!zinnia_character_add(character.get(), id, x, y))
                return found;
        }
        ++id;
    }
    std::unique_ptr<zinnia_result_t, ResultDeleter> result(
        zinnia_recognizer_classify(model_->recognizer.get(), character.get(), candidates));
    if (!result)
        return found;
    const std::size_t size = zinnia_result_size(result.get());
    for (std::size_t i = 0; i < size; ++i) {
        const char* value = zinnia_result_value(result.get(), i);
        if (value == nullptr)
            continue;
        std::string sjis = Utf8ToSjis(value);
        if (sjis.empty() || sjis.find('?') != std::string::npos)
            continue;
        found.push_back({std::move(sjis), zinnia_result_score(result.get(), i)});
    }
    return found;
}

PictureHandwriting CHandwritingReader::Read(const std::vector<InkStroke>& strokes, const ReadingRules& rules) const
{
    PictureHandwriting read;
    if (!model_ || strokes.empty() || strokes.size() > rules.maxStrokes)
        return read;
    std::size_t points = 0;
    InkBox line;
    for (const InkStroke& stroke : strokes) {
        points += stroke.size();
        line.Add(BoxOf(stroke));
    }
    if (points > rules.maxPoints || line.Empty())
        return read;
    const std::vector<InkCell> cells = SegmentCells(strokes, rules.segmentation);
    if (cells.empty() || cells.size() > rules.maxCells)
        return read;
    for (const InkCell& cell : cells) {
        if (cell.strokes.size() > rules.maxStrokesPerCell)
            return read;
    }

    float sum = 0.0f;
    float least = 0.0f;
    bool confident = true;
    for (const InkCell& cell : cells) {
        HandwritingCell made;
        made.left = cell.box.left;
        made.top = cell.box.top;
        made.right = cell.box.right;
        made.bottom = cell.box.bottom;
        made.candidates = Classify(strokes, cell, line, rules.candidates);
        if (made.candidates.empty()) {
            confident = false;
            read.cells.push_back(std::move(made));
            continue;
        }
        const float best = made.candidates.front().score;
        sum += best;
        least = read.cells.empty() ? best : std::min(least, best);
        read.text += made.candidates.front().text;
        read.cells.push_back(std::move(made));
    }
    const double meanWidth = static_cast<double>(line.Width()) / static_cast<double>(cells.size());
    const bool lineShaped = line.Height() <= rules.maxHeightPerWidth * std::max(1.0, meanWidth);
    const float mean = sum / static_cast<float>(read.cells.size());
    read.writing = confident && lineShaped && mean >= rules.minMeanScore && least >= rules.minCellScore;
    return read;
}
