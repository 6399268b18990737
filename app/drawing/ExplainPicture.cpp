#include "drawing/ExplainPicture.h"

#include "drawing/BoxGrid.h"
#include "drawing/Paper.h"
#include "drawing/PrintedSheet.h"
#include "drawing/SheetCanvas.h"
#include "keyboard/PenColors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr double kSheetOpacity = 0.3;
// Room around the ink, and at most this far beyond the paper: a stroke
// mapped far off the sheet is cut rather than making the picture huge.
constexpr double kInkMarginMm = 5;
constexpr double kBeyondPaperMm = 60;
constexpr double kLegendBandMm = 12;

constexpr double kInkWidthMm = 0.35;
constexpr double kDotRadiusMm = 0.6;
constexpr double kTapDotRadiusMm = 0.3;
// The ring and cross hairs of a printed calibration mark.
constexpr double kMarkReachMm = 3.4;
constexpr double kLabelSizeMm = 2.6;
constexpr double kSmallLabelSizeMm = 2.2;

constexpr CanvasColor kTapColor{0.0, 0.55, 0.15};
constexpr CanvasColor kUpColor{0.55, 0.15, 0.80};
constexpr CanvasColor kDownColor{0.90, 0.45, 0.0};
constexpr CanvasColor kNothingColor{0.90, 0.0, 0.0};
constexpr CanvasColor kCancelledColor{0.55, 0.55, 0.55};
constexpr CanvasColor kPictureColor{0.0, 0.45, 0.55};
constexpr CanvasColor kMarkColor{0.0, 0.40, 0.85};
constexpr CanvasColor kTextColor{0.15, 0.15, 0.15};
constexpr CanvasColor kHandwritingColor{0.75, 0.10, 0.45};
constexpr CanvasColor kWhite{1, 1, 1};

// The ink as the page's pictures show it.
CanvasColor PenColor(uint16_t code)
{
    const RgbColor& rgb = PenColorOf(code).rgb;
    return {rgb.red / 255.0, rgb.green / 255.0, rgb.blue / 255.0};
}

CanvasColor GestureColor(Gesture gesture)
{
    switch (gesture) {
    case Gesture::BottomToTop:
        return kUpColor;
    case Gesture::TopToBottom:
        return kDownColor;
    case Gesture::Tap:
    case Gesture::None:
        break;
    }
    return kTapColor;
}

int32_t PenUnits(double mm) { return static_cast<int32_t>(std::lround(mm / kMmPerPenUnit)); }

PenRect PenOf(const MmBox& box)
{
    return {PenUnits(box.left), PenUnits(box.top), PenUnits(box.right), PenUnits(box.bottom)};
}

double Mm(int32_t penUnits) { return penUnits * kMmPerPenUnit; }

// Labels go beside their point, on the first side, at the smallest distance,
// where they cover no other label or marked point and stay in the picture;
// a label put further off is tied to its point by a thin line.
class CLabelPlacer {
public:
    explicit CLabelPlacer(const MmBox& area) : area_(area), taken_(area) {}

    void Reserve(const MmBox& box) { taken_.Add(box); }

    // A label for a box: above it or below it, else inside its top.
    MmBox PlaceBeside(const MmBox& t, double w, double h)
    {
        const MmBox candidates[] = {
            {t.left, t.top - h, t.left + w, t.top},
            {t.left, t.bottom, t.left + w, t.bottom + h},
            {t.right - w, t.top - h, t.right, t.top},
            {t.right - w, t.bottom, t.right, t.bottom + h},
            {t.left + 0.5, t.top + 0.5, t.left + 0.5 + w, t.top + 0.5 + h},
        };
        return Take(candidates, std::size(candidates)).value_or(candidates[0]);
    }

    // The label's box, and whether it lies off its point.
    std::pair<MmBox, bool> Place(double x, double y, double w, double h)
    {
        static constexpr double kDistances[] = {1.1, 2.6, 4.5, 7, 10, 14, 18, 23, 29};
        std::optional<MmBox> first;
        for (const double r : kDistances) {
            const double d = r * 0.7;
            const MmBox candidates[] = {
                {x + r, y - h / 2, x + r + w, y + h / 2},  // right
                {x + d, y - d - h, x + d + w, y - d},      // above right
                {x + d, y + d, x + d + w, y + d + h},      // below right
                {x - r - w, y - h / 2, x - r, y + h / 2},  // left
                {x - w / 2, y - r - h, x + w / 2, y - r},  // above
                {x - w / 2, y + r, x + w / 2, y + r + h},  // below
            };
            for (const MmBox& box : candidates) {
                if (!first && Inside(box))
                    first = box;
                if (Clear(box)) {
                    taken_.Add(box);
                    return {box, r > kDistances[0]};
                }
            }
        }
        const MmBox box = first.value_or(MmBox{x, y, x + w, y + h});
        taken_.Add(box);
        return {box, false};
    }

private:
    bool Inside(const MmBox& box) const
    {
        return box.left >= area_.left && box.top >= area_.top && box.right <= area_.right && box.bottom <= area_.bottom;
    }

    bool Clear(const MmBox& box) const { return Inside(box) && !taken_.AnyOverlaps(box); }

    // The first candidate that is clear, taken; else the first in the
    // picture, taken; else none.
    std::optional<MmBox> Take(const MmBox* candidates, std::size_t count)
    {
        std::optional<MmBox> fallback;
        for (std::size_t i = 0; i < count; ++i) {
            const MmBox& box = candidates[i];
            if (!fallback && Inside(box))
                fallback = box;
            if (Clear(box)) {
                taken_.Add(box);
                return box;
            }
        }
        if (fallback)
            taken_.Add(*fallback);
        return fallback;
    }

    MmBox area_;
    CBoxGrid taken_;
};

// The nearest point of the box to (x, y), where a leader line ends.
PenPoint NearestPointOf(const MmBox& box, double x, double y)
{
    return {PenUnits(std::clamp(x, box.left, box.right)), PenUnits(std::clamp(y, box.top, box.bottom))};
}

bool IsBlank(const std::string& sjis)
{
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        if (sjis[i] == ' ')
            continue;
        if (sjis.compare(i, 2, "\x81\x40") == 0) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// A key text as the picture shows it: blanks by the name on their key.
std::string PictureText(const std::string& sjis)
{
    if (sjis.empty())
        return "-";
    if (IsBlank(sjis))
        return "スペース";
    return sjis;
}

void DrawInk(CSheetCanvas& canvas, const StrokeSample* samples, std::size_t count)
{
    // Each stroke is one path: a rasteriser pass per segment would cost a
    // page of many strokes seconds.
    std::vector<PenPoint> stroke;  // empty while the pen is up
    CanvasColor color = PenColor(1);
    const auto drawStroke = [&] {
        if (stroke.size() > 1)
            canvas.DrawPolyline(stroke, kInkWidthMm, color);
        stroke.clear();
    };
    for (const StrokeSample* s = samples; s != samples + count; ++s) {
        const PenPoint point{s->x, s->y};
        switch (s->kind) {
        case StrokeSample::PenDown:
            drawStroke();
            color = PenColor(s->penColor);
            stroke.push_back(point);
            break;
        case StrokeSample::PenMove:
            if (!stroke.empty())
                stroke.push_back(point);
            break;
        case StrokeSample::PenUp:
            // A stroke of one point leaves a dot where the pen touched.
            if (stroke.size() == 1)
                canvas.DrawDot(stroke.front(), kInkWidthMm / 2, color);
            drawStroke();
            break;
        default:
            break;
        }
    }
    drawStroke();
}

std::string Millimetres(double mm)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2fmm", mm);
    return text;
}

void DrawLegend(CSheetCanvas& canvas, const ExplainFrame& frame)
{
    const double top = frame.topMm + frame.heightMm - kLegendBandMm + 3;
    double x = frame.leftMm + 5;
    const auto entry = [&](const CanvasColor& color, const std::string& sjis) {
        canvas.DrawDot({PenUnits(x + 1), PenUnits(top + 1.6)}, 1.1, color);
        canvas.DrawLabel({PenUnits(x + 3), PenUnits(top)}, sjis, kLabelSizeMm, kTextColor);
        x += 7 + canvas.MeasureLabel(sjis, kLabelSizeMm).widthMm;
    };
    entry(kTapColor, "タップ");
    entry(kUpColor, "下から上へ");
    entry(kDownColor, "上から下へ");
    entry(kNothingColor, "何も出力しない");
    entry(kCancelledColor, "後退で取り消し");
    entry(kMarkColor, "位置合わせ（マーク番号と誤差）");
    canvas.DrawBox({PenUnits(x), PenUnits(top + 0.2), PenUnits(x + 4), PenUnits(top + 3)}, 0.4, kPictureColor);
    canvas.DrawLabel({PenUnits(x + 5.5), PenUnits(top)}, "画像と番号", kLabelSizeMm, kTextColor);
}

// A point of the page and the label that explains it.
struct Marker {
    PenPoint at;
    CanvasColor color;
    std::string label;  // Shift_JIS
    double labelSizeMm = kLabelSizeMm;
    double radiusMm = kDotRadiusMm;
};

void DrawLabelled(CSheetCanvas& canvas, CLabelPlacer& placer, const Marker& marker)
{
    constexpr double kPad = 0.3;
    const LabelExtent size = canvas.MeasureLabel(marker.label, marker.labelSizeMm);
    const double x = Mm(marker.at.x);
    const double y = Mm(marker.at.y);
    const auto [box, away] = placer.Place(x, y, size.widthMm + 2 * kPad, size.heightMm);
    if (away)
        canvas.DrawLine(marker.at, NearestPointOf(box, x, y), 0.15, marker.color);
    canvas.DrawFilledBox(PenOf(box), kWhite, 0.8);
    canvas.DrawLabel({PenUnits(box.left + kPad), PenUnits(box.top)}, marker.label, marker.labelSizeMm, marker.color);
}

CanvasColor KeyColor(const ExplainedReading& key)
{
    if (key.cancelled)
        return kCancelledColor;
    if (key.reading.text.empty())
        return kNothingColor;
    return GestureColor(key.reading.gesture);
}

// An ink group's box around its records; its label, with its picture, is
// put once every point is marked.
Marker DrawInkGroup(CSheetCanvas& canvas, const ExplainedReading& group, std::size_t number, MmBox& box)
{
    constexpr double kPad = 1.5;
    const PageReading& reading = group.reading;
    const PenRect& extent = group.records;
    box = {Mm(extent.left) - kPad, Mm(extent.top) - kPad, Mm(extent.right) + kPad, Mm(extent.bottom) + kPad};
    const bool shown = reading.picture > 0;
    const CanvasColor color = shown ? kPictureColor : kNothingColor;
    canvas.DrawBox(PenOf(box), 0.4, color);
    std::string label = std::to_string(number) + " ";
    if (shown)
        label += "picture " + std::to_string(reading.picture) + (reading.reused ? " reused" : "");
    else
        label += "not shown";
    return {PenPoint{}, color, label};
}

// Each cell of a picture read as writing boxed, its best candidate and
// score above it.
void DrawHandwriting(CSheetCanvas& canvas, CLabelPlacer& placer, const PictureHandwriting& handwriting)
{
    if (!handwriting.writing)
        return;
    for (const HandwritingCell& cell : handwriting.cells) {
        canvas.DrawBox({cell.left, cell.top, cell.right, cell.bottom}, 0.25, kHandwritingColor);
        if (cell.candidates.empty())
            continue;
        char score[32];
        static_cast<void>(std::snprintf(score, sizeof score, " %.2f", static_cast<double>(cell.candidates.front().score)));
        const std::string label = cell.candidates.front().text + score;
        const LabelExtent size = canvas.MeasureLabel(label, kSmallLabelSizeMm);
        const MmBox at{Mm(cell.left), Mm(cell.top) - size.heightMm - 0.3, Mm(cell.left) + size.widthMm,
                       Mm(cell.top) - 0.3};
        placer.Reserve(at);
        canvas.DrawLabel({PenUnits(at.left), PenUnits(at.top)}, label, kSmallLabelSizeMm, kHandwritingColor);
    }
}

}  // namespace

ExplainFrame ExplainFrameOf(const ExplainPage& page)
{
    const PaperSize paper = SmallestPaperHolding(KeyboardExtent(page.keyboard, kMmPerPenUnit));
    double left = 0;
    double top = 0;
    double right = paper.widthMm;
    double bottom = paper.heightMm;
    for (const StrokeSample* s = page.samples; s != page.samples + page.sampleCount; ++s) {
        if (s->kind != StrokeSample::PenDown && s->kind != StrokeSample::PenMove)
            continue;
        left = std::min(left, Mm(s->x) - kInkMarginMm);
        top = std::min(top, Mm(s->y) - kInkMarginMm);
        right = std::max(right, Mm(s->x) + kInkMarginMm);
        bottom = std::max(bottom, Mm(s->y) + kInkMarginMm);
    }
    left = std::floor(std::max(left, -kBeyondPaperMm));
    top = std::floor(std::max(top, -kBeyondPaperMm));
    right = std::ceil(std::min(right, paper.widthMm + kBeyondPaperMm));
    bottom = std::ceil(std::min(bottom, paper.heightMm + kBeyondPaperMm));
    // Whole millimetres: whole pixels.
    return {left, top, right - left, bottom - top + kLegendBandMm};
}

bool DrawExplanation(const ExplainPage& page, const std::string& path, std::string& error)
{
    const ExplainFrame frame = ExplainFrameOf(page);
    CanvasSpec spec;
    spec.format = CanvasFormat::Png;
    spec.leftMm = frame.leftMm;
    spec.topMm = frame.topMm;
    spec.widthMm = frame.widthMm;
    spec.heightMm = frame.heightMm;
    spec.mmPerPenUnit = kMmPerPenUnit;
    spec.pixelsPerMm = kExplainPixelsPerMm;
    try {
        CSheetCanvas canvas(spec);
        DrawKeyboard(canvas, page.keyboard, kSheetOpacity);
        DrawInk(canvas, page.samples, page.sampleCount);

        CLabelPlacer placer({frame.leftMm, frame.topMm, frame.leftMm + frame.widthMm,
                             frame.topMm + frame.heightMm - kLegendBandMm});
        std::vector<Marker> markers;
        std::vector<std::pair<MmBox, Marker>> groups;
        for (std::size_t i = 0; i < page.readings.size(); ++i) {
            const ExplainedReading& explained = page.readings[i];
            const PageReading& reading = explained.reading;
            const std::string number = std::to_string(i + 1);
            switch (reading.kind) {
            case PageReading::Kind::Calibration: {
                // A small dot, tied to the mark's centre, so that a residual
                // of a few tenths of a millimetre shows; the label keeps clear
                // of the printed mark.
                canvas.DrawLine(reading.at, reading.reference, 0.2, kMarkColor);
                const double x = Mm(reading.reference.x);
                const double y = Mm(reading.reference.y);
                placer.Reserve({x - kMarkReachMm, y - kMarkReachMm, x + kMarkReachMm, y + kMarkReachMm});
                markers.push_back({reading.at, kMarkColor,
                                   number + " mark " + std::to_string(reading.mark) + " " +
                                       Millimetres(explained.residualMm),
                                   kSmallLabelSizeMm, kTapDotRadiusMm});
                break;
            }
            case PageReading::Kind::Key:
                markers.push_back({reading.at, KeyColor(explained), number + " " + PictureText(reading.text)});
                break;
            case PageReading::Kind::Ink: {
                MmBox box;
                Marker label = DrawInkGroup(canvas, explained, i + 1, box);
                groups.emplace_back(box, std::move(label));
                DrawHandwriting(canvas, placer, explained.handwriting);
                break;
            }
            }
        }
        // Every marked point before any label: no label may cover one.
        for (const Marker& marker : markers) {
            const double x = Mm(marker.at.x);
            const double y = Mm(marker.at.y);
            const double r = marker.radiusMm;
            placer.Reserve({x - r, y - r, x + r, y + r});
            canvas.DrawDot(marker.at, r + 0.15, kWhite);
            canvas.DrawDot(marker.at, r, marker.color);
        }
        for (const auto& [box, label] : groups) {
            const LabelExtent size = canvas.MeasureLabel(label.label, label.labelSizeMm);
            const MmBox at = placer.PlaceBeside(box, size.widthMm, size.heightMm);
            canvas.DrawFilledBox(PenOf(at), kWhite, 0.8);
            canvas.DrawLabel({PenUnits(at.left), PenUnits(at.top)}, label.label, label.labelSizeMm, label.color);
        }
        for (const Marker& marker : markers)
            DrawLabelled(canvas, placer, marker);
        DrawLegend(canvas, frame);
        return canvas.Save(path, error);
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
}
