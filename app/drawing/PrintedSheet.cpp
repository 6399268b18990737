#include "drawing/PrintedSheet.h"

#include "drawing/KeyFace.h"
#include "drawing/PrintedKeyboard.h"
#include "drawing/SheetCanvas.h"
#include "drawing/TextDrawing.h"
#include "platform/TextEncoding.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr CanvasColor kKatakanaInk{0.0, 0.27, 0.68};
constexpr CanvasColor kHalfWidthInk{0.70, 0.18, 0.0};
constexpr CanvasColor kOutline{0.12, 0.12, 0.12};
constexpr CanvasColor kGuide{0.72, 0.72, 0.72};
constexpr CanvasColor kArrow{0.40, 0.40, 0.40};
constexpr CanvasColor kCommandFill{0.92, 0.92, 0.92};
constexpr CanvasColor kNoteInk{0.25, 0.25, 0.25};

CanvasColor ModeColor(InputMode mode)
{
    switch (mode) {
    case InputMode::Katakana:
        return kKatakanaInk;
    case InputMode::HalfWidth:
        return kHalfWidthInk;
    case InputMode::Hiragana:
        break;
    }
    return kInk;
}

// The three modes side by side (hiragana, katakana, half-width) and the three
// gestures one above the other: a stroke upwards at the top, a tap in the
// middle, a stroke downwards at the bottom. The hiragana tap, the text most
// written, is the large one. All sizes scale with the key; at 10 mm the small
// texts are 2.2 mm or more.
void DrawGridFace(cairo_t* cr, const KeyFace& face, const Box& key)
{
    const double u = std::min(key.w, key.h) / 10;
    const double pad = 0.3 * u;
    const double arrowColumn = 0.9 * u;
    const double columnEdges[4] = {key.x + pad + arrowColumn, key.x + key.w * 0.5, key.x + key.w * 0.745,
                                   key.Right() - pad};
    const double rowEdges[4] = {key.y + pad, key.y + key.h * 0.3, key.y + key.h * 0.7, key.Bottom() - pad};

    cairo_set_line_width(cr, 0.1 * u);
    SetColor(cr, kGuide);
    for (int divider = 1; divider <= 2; ++divider) {
        cairo_move_to(cr, columnEdges[divider], rowEdges[0] + 0.4 * u);
        cairo_line_to(cr, columnEdges[divider], rowEdges[3] - 0.4 * u);
    }
    cairo_stroke(cr);

    for (int mode = 0; mode < 3; ++mode) {
        const auto inputMode = static_cast<InputMode>(mode);
        for (const Gesture gesture : {Gesture::BottomToTop, Gesture::Tap, Gesture::TopToBottom}) {
            const std::string& text = face.slots[static_cast<std::size_t>(SlotIndex(inputMode, gesture))];
            const int row = gesture == Gesture::BottomToTop ? 0 : gesture == Gesture::Tap ? 1 : 2;
            Box cell{columnEdges[mode], rowEdges[row], columnEdges[mode + 1] - columnEdges[mode],
                     rowEdges[row + 1] - rowEdges[row]};
            TextStyle style{2.5 * u, 2.2 * u, ModeColor(inputMode)};
            if (gesture == Gesture::Tap) {
                style.maxMm = 2.8 * u;
                if (inputMode == InputMode::Hiragana) {
                    // The tap row has no arrow: the large text takes its room.
                    cell.x = key.x + pad;
                    cell.w = columnEdges[1] - cell.x;
                    style.maxMm = 4.2 * u;
                }
            }
            DrawText(cr, text, cell, style);
        }
    }

    for (const int row : {0, 2}) {
        const std::size_t first = row == 0 ? 1 : 2;
        if (face.slots[first].empty() && face.slots[first + 3].empty() && face.slots[first + 6].empty())
            continue;
        const Box arrow{key.x + pad, rowEdges[row], arrowColumn, rowEdges[row + 1] - rowEdges[row]};
        DrawArrowHead(cr, arrow, 0.75 * u, row == 0, kArrow);
    }
}

void DrawKeyFace(cairo_t* cr, const KeyFace& face, const Box& key)
{
    const double u = std::min(key.w, key.h) / 10;
    const Box inner{key.x + 0.6 * u, key.y + 0.6 * u, key.w - 1.2 * u, key.h - 1.2 * u};
    switch (face.kind) {
    case KeyFace::Kind::Blank:
        break;
    case KeyFace::Kind::Single:
        DrawWord(cr, face.single, inner, TextStyle{4.4 * u, 2.2 * u, ModeColor(face.singleMode)});
        break;
    case KeyFace::Kind::Space: {
        const Box label{inner.x, inner.y, inner.w, inner.h * 0.55};
        DrawText(cr, face.single, label, TextStyle{2.6 * u, 2.2 * u, kInk});
        // The bracket of a space bar under the word.
        const double half = std::min(inner.w * 0.35, 12 * u);
        const double cx = key.x + key.w / 2;
        const double base = inner.y + inner.h * 0.8;
        cairo_move_to(cr, cx - half, base - 1.4 * u);
        cairo_line_to(cr, cx - half, base);
        cairo_line_to(cr, cx + half, base);
        cairo_line_to(cr, cx + half, base - 1.4 * u);
        cairo_set_line_width(cr, 0.35 * u);
        SetColor(cr, kInk);
        cairo_stroke(cr);
        break;
    }
    case KeyFace::Kind::Grid:
        DrawGridFace(cr, face, key);
        break;
    }
}

// A calibration mark: a ring with cross hairs through its centre, and its tap
// number in the label box.
void DrawMark(cairo_t* cr, double x, double y, int number, const Box& label)
{
    constexpr double kRadius = 2.2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, kRadius, 0, 2 * M_PI);
    cairo_set_line_width(cr, 0.3);
    SetColor(cr, kInk);
    cairo_stroke(cr);
    cairo_move_to(cr, x - kRadius - 1.2, y);
    cairo_line_to(cr, x + kRadius + 1.2, y);
    cairo_move_to(cr, x, y - kRadius - 1.2);
    cairo_line_to(cr, x, y + kRadius + 1.2);
    cairo_set_line_width(cr, 0.15);
    cairo_stroke(cr);
    cairo_arc(cr, x, y, 0.4, 0, 2 * M_PI);
    cairo_fill(cr);
    DrawText(cr, std::to_string(number), label, TextStyle{3.4, 3.4, kInk, Align::Centre, true});
}

constexpr double kMarkReach = 7.0;  // mm around a mark's centre taken by it and its number


// The sheet drawn on one canvas, in millimetres from the paper's top-left
// corner.
class CSheetDrawing {
public:
    explicit CSheetDrawing(CSheetCanvas& canvas) : cr(canvas.Context()), spec(canvas.Spec()) {}

    double Mm(int32_t penUnits) const { return penUnits * spec.mmPerPenUnit; }
    Box BoxOf(const PenRect& rect) const
    {
        return {Mm(rect.left), Mm(rect.top), Mm(rect.right) - Mm(rect.left), Mm(rect.bottom) - Mm(rect.top)};
    }

    void DrawKeys(const PrintedKeyboard& keyboard);
    void DrawMarks(const PrintedKeyboard& keyboard);
    std::optional<Box> FindRoom(double w, double h, double anchorX, double anchorY,
                                const std::vector<Box>& taken) const;
    void DrawLegend(const Box& at);
    void DrawInstruction(const Box& at, const std::string& text, double size);
    void DrawScaleBar(const Box& at, double lengthMm);

    cairo_t* cr;
    const CanvasSpec& spec;
};

}  // namespace

void CSheetDrawing::DrawKeys(const PrintedKeyboard& keyboard)
{
    // Faces first, outlines last, so that no text covers a key's edge.
    for (const KeyEntry& key : keyboard.keys) {
        const Box box = BoxOf(key.rect);
        if (box.w <= 0 || box.h <= 0)
            continue;
        const KeyFace face = FaceOf(key);
        if (face.kind == KeyFace::Kind::Single || face.kind == KeyFace::Kind::Space)
            FillBox(cr, box, kCommandFill);
        DrawKeyFace(cr, face, box);
    }
    for (const KeyEntry& key : keyboard.keys) {
        const Box box = BoxOf(key.rect);
        if (box.w > 0 && box.h > 0)
            StrokeBox(cr, box, 0.25, kOutline);
    }
}

void CSheetDrawing::DrawMarks(const PrintedKeyboard& keyboard)
{
    // The number goes diagonally beside its mark, on the side facing the
    // middle of the page unless a key lies there.
    const double middleX = spec.leftMm + spec.widthMm / 2;
    const double middleY = spec.topMm + spec.heightMm / 2;
    std::vector<Box> keys;
    for (const KeyEntry& key : keyboard.keys)
        keys.push_back(BoxOf(key.rect));
    int number = 1;
    for (const PenPoint& mark : keyboard.marks) {
        const double x = Mm(mark.x);
        const double y = Mm(mark.y);
        const double dx = middleX >= x ? 1 : -1;
        const double dy = middleY >= y ? 1 : -1;
        const double sides[4][2] = {{dx, dy}, {dx, -dy}, {-dx, dy}, {-dx, -dy}};
        Box label{x + dx * 4.6 - 1.8, y + dy * 4.6 - 1.8, 3.6, 3.6};
        for (const auto& side : sides) {
            const Box candidate{x + side[0] * 4.6 - 1.8, y + side[1] * 4.6 - 1.8, 3.6, 3.6};
            if (std::none_of(keys.begin(), keys.end(), [&](const Box& key) { return key.Overlaps(candidate); })) {
                label = candidate;
                break;
            }
        }
        DrawMark(cr, x, y, number++, label);
    }
}

void DrawKeyboard(CSheetCanvas& canvas, const PrintedKeyboard& keyboard, double opacity)
{
    CSheetDrawing sheet(canvas);
    cairo_t* cr = sheet.cr;
    const bool faint = opacity < 1;
    if (faint)
        cairo_push_group(cr);
    sheet.DrawKeys(keyboard);
    sheet.DrawMarks(keyboard);
    if (faint) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, std::max(0.0, opacity));
    }
}

// The free place for a w x h block nearest to the anchor: inside the page's
// margins and clear of everything taken.
std::optional<Box> CSheetDrawing::FindRoom(double w, double h, double anchorX, double anchorY,
                                                const std::vector<Box>& taken) const
{
    constexpr double kMargin = 6;
    constexpr double kClearance = 2;
    constexpr double kStep = 0.5;
    std::optional<Box> best;
    double bestDistance = std::numeric_limits<double>::max();
    const double right = spec.leftMm + spec.widthMm - kMargin - w;
    const double bottom = spec.topMm + spec.heightMm - kMargin - h;
    for (double y = spec.topMm + kMargin; y <= bottom; y += kStep) {
        for (double x = spec.leftMm + kMargin; x <= right; x += kStep) {
            const Box padded{x - kClearance, y - kClearance, w + 2 * kClearance, h + 2 * kClearance};
            if (std::any_of(taken.begin(), taken.end(), [&](const Box& t) { return t.Overlaps(padded); }))
                continue;
            const double distance = std::hypot(x + w / 2 - anchorX, y + h / 2 - anchorY);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = Box{x, y, w, h};
            }
        }
    }
    return best;
}

namespace {

constexpr double kLegendKey = 20;
constexpr double kLegendTitle = 5;
constexpr double kLegendCaptions = 16;
constexpr double kLegendModes = 4;
constexpr double kScaleBarLength = 30;
constexpr double kScaleBarHeight = 7;

}  // namespace

// An enlarged key showing where each mode and gesture puts its text, with
// the gesture of each row beside it and the colors of the modes below.
void CSheetDrawing::DrawLegend(const Box& at)
{
    DrawText(cr, "キーの見方", Box{at.x, at.y, at.w, kLegendTitle - 1},
             TextStyle{3.2, 2.6, kInk, Align::Left, true});
    KeyFace sample;
    sample.kind = KeyFace::Kind::Grid;
    const char* const modeSamples[3] = {"あ", "ア", "a"};
    for (std::size_t slot = 0; slot < sample.slots.size(); ++slot)
        sample.slots[slot] = modeSamples[slot / 3];
    const Box key{at.x, at.y + kLegendTitle, kLegendKey, kLegendKey};
    DrawKeyFace(cr, sample, key);
    StrokeBox(cr, key, 0.35, kOutline);

    const double rowEdges[4] = {key.y, key.y + key.h * 0.3, key.y + key.h * 0.7, key.Bottom()};
    const char* const captions[3] = {"下から上へ", "タップ", "上から下へ"};
    for (int row = 0; row < 3; ++row) {
        const Box caption{key.Right() + 1.5, rowEdges[row], kLegendCaptions - 1.5, rowEdges[row + 1] - rowEdges[row]};
        if (row != 1)
            DrawArrowHead(cr, Box{caption.x, caption.y, 1.6, caption.h}, 1.3, row == 0, kArrow);
        DrawText(cr, captions[row], Box{caption.x + 2.2, caption.y, caption.w - 2.2, caption.h},
                 TextStyle{2.5, 2.0, kNoteInk, Align::Left});
    }

    const char* const modeNames[3] = {"ひらがな", "カタカナ", "半角"};
    const double modeWidths[3] = {11, 11, 7};
    double x = key.x;
    for (int mode = 0; mode < 3; ++mode) {
        DrawText(cr, modeNames[mode], Box{x, key.Bottom() + 0.8, modeWidths[mode], kLegendModes - 0.8},
                 TextStyle{2.5, 2.0, ModeColor(static_cast<InputMode>(mode)), Align::Left});
        x += modeWidths[mode];
    }
}

void CSheetDrawing::DrawInstruction(const Box& at, const std::string& text, double size)
{
    DrawText(cr, text, at, TextStyle{size, size, kNoteInk, Align::Left});
}

// A bar of a known length, to check that the sheet was printed at full size.
void CSheetDrawing::DrawScaleBar(const Box& at, double lengthMm)
{
    const double y = at.y + 1;
    cairo_move_to(cr, at.x, y - 1);
    cairo_line_to(cr, at.x, y + 1);
    cairo_move_to(cr, at.x, y);
    cairo_line_to(cr, at.x + lengthMm, y);
    cairo_move_to(cr, at.x + lengthMm, y - 1);
    cairo_line_to(cr, at.x + lengthMm, y + 1);
    cairo_set_line_width(cr, 0.25);
    SetColor(cr, kInk);
    cairo_stroke(cr);
    const std::string caption = std::to_string(static_cast<int>(lengthMm)) + " mm (100 % で印刷したときの長さ)";
    DrawText(cr, caption, Box{at.x, y + 1.2, at.w, at.h - 2.2}, TextStyle{2.3, 1.8, kNoteInk, Align::Left});
}

bool DrawNotes(CSheetCanvas& canvas, const PrintedKeyboard& keyboard)
{
    CSheetDrawing sheet(canvas);
    std::vector<Box> taken;
    for (const KeyEntry& key : keyboard.keys)
        taken.push_back(sheet.BoxOf(key.rect));
    for (const PenPoint& mark : keyboard.marks)
        taken.push_back(Box{sheet.Mm(mark.x) - kMarkReach, sheet.Mm(mark.y) - kMarkReach, 2 * kMarkReach, 2 * kMarkReach});

    bool allPlaced = true;
    const double pageMiddleX = sheet.spec.leftMm + sheet.spec.widthMm / 2;

    const std::string instruction = "位置合わせ：ページの書き始めに、丸印を 1→2→3→4→5 の順にタップします";
    constexpr double kInstructionSize = 2.8;
    const double instructionWidth = [&] {
        CTextLayout probe(sheet.cr, Box{}, SjisToUtf8(instruction), false);
        probe.SetSize(kInstructionSize);
        return probe.Logical().width / kTextUnitsPerMm / PANGO_SCALE + 0.5;
    }();
    const double instructionHeight = kInstructionSize * 1.3;
    if (const auto room = sheet.FindRoom(instructionWidth, instructionHeight, pageMiddleX,
                                        sheet.spec.topMm, taken)) {
        sheet.DrawInstruction(*room, instruction, kInstructionSize);
        taken.push_back(*room);
    } else {
        allPlaced = false;
    }

    // Beside the keyboard, on its left where there is room.
    const PenRect bounds = keyboard.bounds;
    const Box keys = sheet.BoxOf(bounds);
    const double legendWidth = std::max(kLegendKey + kLegendCaptions, kScaleBarLength + 2);
    const double legendHeight = kLegendTitle + kLegendKey + kLegendModes + 3 + kScaleBarHeight;
    const double anchorX = bounds.IsEmpty() ? pageMiddleX : keys.x - 4 - legendWidth / 2;
    const double anchorY = bounds.IsEmpty() ? sheet.spec.topMm + sheet.spec.heightMm / 2 : keys.y + keys.h / 2;
    if (const auto room = sheet.FindRoom(legendWidth, legendHeight, anchorX, anchorY, taken)) {
        sheet.DrawLegend(*room);
        sheet.DrawScaleBar(Box{room->x, room->Bottom() - kScaleBarHeight, room->w, kScaleBarHeight},
                          kScaleBarLength);
        taken.push_back(*room);
    } else {
        allPlaced = false;
    }
    return allPlaced;
}
