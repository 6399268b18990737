#include "handwriting/HandwritingReader.h"

#include "handwriting/KanaForms.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <zinnia.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

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

double PathLength(const InkStroke& stroke)
{
    double length = 0;
    for (std::size_t k = 1; k < stroke.size(); ++k)
        length += std::hypot(static_cast<double>(stroke[k].x) - stroke[k - 1].x, static_cast<double>(stroke[k].y) - stroke[k - 1].y);
    return length;
}

// The sharp turns a stroke takes, followed in steps of `step`: a wobble of
// the pen is shorter than a step and is not counted.
int SharpCorners(const InkStroke& stroke, double step)
{
    constexpr double kSharp = 70.0 * 3.14159265358979 / 180.0;
    InkPoint last = stroke.front();
    double heading = 0;
    bool headed = false;
    int corners = 0;
    for (const InkPoint& point : stroke) {
        const double dx = static_cast<double>(point.x) - last.x;
        const double dy = static_cast<double>(point.y) - last.y;
        if (std::hypot(dx, dy) < step)
            continue;
        const double now = std::atan2(dy, dx);
        if (headed) {
            double turn = std::fabs(now - heading);
            if (turn > 3.14159265358979)
                turn = 2 * 3.14159265358979 - turn;
            corners += turn > kSharp;
        }
        heading = now;
        headed = true;
        last = point;
    }
    return corners;
}

// Whether a stroke of the cell is small and at its top right, where a
// voicing mark goes.
bool AtMarkPlace(const InkBox& stroke, const InkBox& cell)
{
    const double height = std::max(1, cell.Height());
    const double middleX = (static_cast<double>(stroke.left) + stroke.right) / 2;
    const double middleY = (static_cast<double>(stroke.top) + stroke.bottom) / 2;
    return std::max(stroke.Width(), stroke.Height()) <= 0.3 * height && middleX >= cell.left + 0.65 * cell.Width() &&
           middleY <= cell.top + 0.4 * height;
}

// The voicing mark the cell ends with, written last as it always is: 1 for
// two short strokes (dakuten), 2 for a small loop (handakuten), 0 for none.
// `markStrokes` says how many strokes it takes.
int VoicingMark(const std::vector<InkStroke>& strokes, const InkCell& cell, std::size_t& markStrokes)
{
    markStrokes = 0;
    const std::size_t count = cell.strokes.size();
    if (count < 2)
        return 0;
    const InkStroke& last = strokes[cell.strokes[count - 1]];
    const InkBox lastBox = BoxOf(last);
    if (!AtMarkPlace(lastBox, cell.box))
        return 0;
    const double side = std::max(1, std::max(lastBox.Width(), lastBox.Height()));
    const double gap = std::hypot(static_cast<double>(last.front().x) - last.back().x, static_cast<double>(last.front().y) - last.back().y);
    if (PathLength(last) >= 2.2 * side && gap <= 0.35 * side) {
        markStrokes = 1;
        return 2;
    }
    if (count >= 3 && AtMarkPlace(BoxOf(strokes[cell.strokes[count - 2]]), cell.box)) {
        markStrokes = 2;
        return 1;
    }
    return 0;
}

}  // namespace

CHandwritingReader::CHandwritingReader() = default;
CHandwritingReader::~CHandwritingReader() = default;

bool CHandwritingReader::Open(const std::string& modelPath, std::string& why)
{
    // zinnia maps the file and says little about one it cannot map: a
    // missing or empty file is told here in the system's words.
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(modelPath.c_str(), "rb"), &std::fclose);
        if (!file) {
            why = SystemErrorText(errno);
            return false;
        }
        errno = 0;
        if (std::fgetc(file.get()) == EOF) {
            why = std::ferror(file.get()) != 0 && errno != 0 ? SystemErrorText(errno) : "the file is empty";
            return false;
        }
    }
    auto model = std::make_unique<Model>();
    model->recognizer.reset(zinnia_recognizer_new());
    if (!model->recognizer) {
        why = "out of memory";
        return false;
    }
    if (!zinnia_recognizer_open(model->recognizer.get(), modelPath.c_str())) {
        // Its reasons start with where in its sources they were found.
        const char* given = zinnia_recognizer_strerror(model->recognizer.get());
        std::string reason = given != nullptr ? given : "";
        if (const std::size_t end = reason.find("] "); end != std::string::npos)
            reason.erase(0, end + 2);
        why = reason.empty() ? "not a handwriting model" : "not a handwriting model (" + reason + ")";
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
    // The model knows no voiced kana: the mark is read off, the rest
    // recognised, and the kana given its mark back.
    std::size_t markStrokes = 0;
    const int voicing = VoicingMark(strokes, cell, markStrokes);
    const std::size_t readStrokes = cell.strokes.size() - markStrokes;
    // Nor small kana: a cell well below the line's height, in its lower
    // half, is one where the kana has one.
    const bool small = line.Height() > 0 && cell.box.Height() < 0.55 * line.Height() &&
                       cell.box.Width() < 0.7 * line.Height() &&
                       (static_cast<double>(cell.box.top) + cell.box.bottom) / 2 > (static_cast<double>(line.top) + line.bottom) / 2 + 0.1 * line.Height();
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
    for (std::size_t n = 0; n < readStrokes; ++n) {
        const InkStroke& stroke = strokes[cell.strokes[n]];
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
    CompleteCandidates(found, voicing, small);
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
    const double height = std::max(1, line.Height());
    bool shaped = true;
    bool multiStroke = false;
    for (const InkCell& cell : cells) {
        if (cell.strokes.size() > rules.maxStrokesPerCell)
            return read;
        multiStroke = multiStroke || cell.strokes.size() > 1;
        shaped = shaped && cell.box.Width() <= rules.maxCellWidth * height;
    }
    for (const InkStroke& stroke : strokes) {
        shaped = shaped && !stroke.empty() && PathLength(stroke) <= rules.maxStrokeLength * height &&
                 SharpCorners(stroke, 0.08 * height) <= rules.maxCorners;
    }
    shaped = shaped && (multiStroke || !rules.oneStrokeCellsAreSketches);

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
        read.cells.push_back(std::move(made));
    }
    PreferKatakanaRuns(read.cells);
    read.text.clear();
    for (const HandwritingCell& cell : read.cells) {
        if (!cell.candidates.empty())
            read.text += cell.candidates.front().text;
    }
    if (lexicon_ != nullptr)
        ChooseWords(read, *lexicon_);
    const double meanWidth = static_cast<double>(line.Width()) / static_cast<double>(cells.size());
    const bool lineShaped = line.Height() <= rules.maxHeightPerWidth * std::max(1.0, meanWidth);
    const float mean = sum / static_cast<float>(read.cells.size());
    read.writing = confident && shaped && lineShaped && mean >= rules.minMeanScore && least >= rules.minCellScore;
    return read;
}
