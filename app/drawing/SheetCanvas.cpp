#include "drawing/SheetCanvas.h"

#include "drawing/KeyFace.h"
#include "drawing/TextDrawing.h"
#include "drawing/PrintedKeyboard.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

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

}  // namespace

std::optional<CanvasFormat> CanvasFormatOf(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < FileNameStart(path))
        return std::nullopt;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "pdf")
        return CanvasFormat::Pdf;
    if (extension == "svg")
        return CanvasFormat::Svg;
    if (extension == "png")
        return CanvasFormat::Png;
    return std::nullopt;
}

struct CSheetCanvas::Impl {
    CanvasSpec spec;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    // Holds nothing of cr or the surface.
    CLabelLayout labels;
    // What a vector surface has written so far; a raster is encoded into it
    // when saved.
    std::string bytes;

    static cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length)
    {
        static_cast<Impl*>(closure)->bytes.append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    }

    ~Impl()
    {
        if (cr != nullptr)
            cairo_destroy(cr);
        if (surface != nullptr)
            cairo_surface_destroy(surface);
    }

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
};

CSheetCanvas::CSheetCanvas(const CanvasSpec& spec) : impl_(std::make_unique<Impl>())
{
    impl_->spec = spec;
    Impl& impl = *impl_;
    double deviceUnitsPerMm = kPointsPerMm;
    switch (spec.format) {
    case CanvasFormat::Pdf:
        impl.surface = cairo_pdf_surface_create_for_stream(&Impl::Append, &impl, spec.widthMm * kPointsPerMm,
                                                           spec.heightMm * kPointsPerMm);
        cairo_pdf_surface_set_metadata(impl.surface, CAIRO_PDF_METADATA_TITLE, "Marovi keyboard");
        cairo_pdf_surface_set_metadata(impl.surface, CAIRO_PDF_METADATA_CREATOR, "marovi-sheet");
        break;
    case CanvasFormat::Svg:
        impl.surface = cairo_svg_surface_create_for_stream(&Impl::Append, &impl, spec.widthMm * kPointsPerMm,
                                                           spec.heightMm * kPointsPerMm);
        break;
    case CanvasFormat::Png: {
        deviceUnitsPerMm = spec.pixelsPerMm;
        const double width = std::round(spec.widthMm * spec.pixelsPerMm);
        const double height = std::round(spec.heightMm * spec.pixelsPerMm);
        if (!(width >= 1 && height >= 1 && width <= 32767 && height <= 32767))
            throw std::runtime_error("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                     " pixels is too large");
        impl.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width),
                                                  static_cast<int>(height));
        break;
    }
    }
    if (cairo_surface_status(impl.surface) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(cairo_status_to_string(cairo_surface_status(impl.surface)));
    impl.cr = cairo_create(impl.surface);
    if (spec.format == CanvasFormat::Png) {
        cairo_set_source_rgb(impl.cr, 1, 1, 1);
        cairo_paint(impl.cr);
    }
    cairo_scale(impl.cr, deviceUnitsPerMm, deviceUnitsPerMm);
    cairo_translate(impl.cr, -spec.leftMm, -spec.topMm);
    cairo_set_line_join(impl.cr, CAIRO_LINE_JOIN_MITER);
}

CSheetCanvas::~CSheetCanvas() = default;

void CSheetCanvas::Impl::DrawKeys(const PrintedKeyboard& keyboard)
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

void CSheetCanvas::Impl::DrawMarks(const PrintedKeyboard& keyboard)
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

void CSheetCanvas::DrawKeyboard(const PrintedKeyboard& keyboard, double opacity)
{
    cairo_t* cr = impl_->cr;
    const bool faint = opacity < 1;
    if (faint)
        cairo_push_group(cr);
    impl_->DrawKeys(keyboard);
    impl_->DrawMarks(keyboard);
    if (faint) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, std::max(0.0, opacity));
    }
}

// The free place for a w x h block nearest to the anchor: inside the page's
// margins and clear of everything taken.
std::optional<Box> CSheetCanvas::Impl::FindRoom(double w, double h, double anchorX, double anchorY,
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
void CSheetCanvas::Impl::DrawLegend(const Box& at)
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

void CSheetCanvas::Impl::DrawInstruction(const Box& at, const std::string& text, double size)
{
    DrawText(cr, text, at, TextStyle{size, size, kNoteInk, Align::Left});
}

// A bar of a known length, to check that the sheet was printed at full size.
void CSheetCanvas::Impl::DrawScaleBar(const Box& at, double lengthMm)
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

bool CSheetCanvas::DrawNotes(const PrintedKeyboard& keyboard)
{
    Impl& impl = *impl_;
    std::vector<Box> taken;
    for (const KeyEntry& key : keyboard.keys)
        taken.push_back(impl.BoxOf(key.rect));
    for (const PenPoint& mark : keyboard.marks)
        taken.push_back(Box{impl.Mm(mark.x) - kMarkReach, impl.Mm(mark.y) - kMarkReach, 2 * kMarkReach, 2 * kMarkReach});

    bool allPlaced = true;
    const double pageMiddleX = impl.spec.leftMm + impl.spec.widthMm / 2;

    const std::string instruction = "位置合わせ：ページの書き始めに、丸印を 1→2→3→4→5 の順にタップします";
    constexpr double kInstructionSize = 2.8;
    const double instructionWidth = [&] {
        CTextLayout probe(impl.cr, Box{}, SjisToUtf8(instruction), false);
        probe.SetSize(kInstructionSize);
        return probe.Logical().width / kTextUnitsPerMm / PANGO_SCALE + 0.5;
    }();
    const double instructionHeight = kInstructionSize * 1.3;
    if (const auto room = impl.FindRoom(instructionWidth, instructionHeight, pageMiddleX,
                                        impl.spec.topMm, taken)) {
        impl.DrawInstruction(*room, instruction, kInstructionSize);
        taken.push_back(*room);
    } else {
        allPlaced = false;
    }

    // Beside the keyboard, on its left where there is room.
    const PenRect bounds = keyboard.bounds;
    const Box keys = impl.BoxOf(bounds);
    const double legendWidth = std::max(kLegendKey + kLegendCaptions, kScaleBarLength + 2);
    const double legendHeight = kLegendTitle + kLegendKey + kLegendModes + 3 + kScaleBarHeight;
    const double anchorX = bounds.IsEmpty() ? pageMiddleX : keys.x - 4 - legendWidth / 2;
    const double anchorY = bounds.IsEmpty() ? impl.spec.topMm + impl.spec.heightMm / 2 : keys.y + keys.h / 2;
    if (const auto room = impl.FindRoom(legendWidth, legendHeight, anchorX, anchorY, taken)) {
        impl.DrawLegend(*room);
        impl.DrawScaleBar(Box{room->x, room->Bottom() - kScaleBarHeight, room->w, kScaleBarHeight},
                          kScaleBarLength);
        taken.push_back(*room);
    } else {
        allPlaced = false;
    }
    return allPlaced;
}

void CSheetCanvas::DrawLine(PenPoint from, PenPoint to, double widthMm, CanvasColor color)
{
    cairo_t* cr = impl_->cr;
    cairo_move_to(cr, impl_->Mm(from.x), impl_->Mm(from.y));
    cairo_line_to(cr, impl_->Mm(to.x), impl_->Mm(to.y));
    cairo_set_line_width(cr, widthMm);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColor(cr, color);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void CSheetCanvas::DrawPolyline(const std::vector<PenPoint>& points, double widthMm, CanvasColor color)
{
    if (points.size() < 2)
        return;
    cairo_t* cr = impl_->cr;
    cairo_move_to(cr, impl_->Mm(points.front().x), impl_->Mm(points.front().y));
    for (std::size_t i = 1; i < points.size(); ++i)
        cairo_line_to(cr, impl_->Mm(points[i].x), impl_->Mm(points[i].y));
    cairo_set_line_width(cr, widthMm);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, color);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

void CSheetCanvas::DrawDot(PenPoint centre, double radiusMm, CanvasColor color)
{
    cairo_t* cr = impl_->cr;
    cairo_new_sub_path(cr);
    cairo_arc(cr, impl_->Mm(centre.x), impl_->Mm(centre.y), radiusMm, 0, 2 * M_PI);
    SetColor(cr, color);
    cairo_fill(cr);
}

void CSheetCanvas::DrawBox(const PenRect& box, double lineWidthMm, CanvasColor color)
{
    StrokeBox(impl_->cr, impl_->BoxOf(box), lineWidthMm, color);
}

void CSheetCanvas::DrawFilledBox(const PenRect& box, CanvasColor color, double opacity)
{
    cairo_t* cr = impl_->cr;
    const Box area = impl_->BoxOf(box);
    cairo_rectangle(cr, area.x, area.y, area.w, area.h);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, std::clamp(opacity, 0.0, 1.0));
    cairo_fill(cr);
}

LabelExtent CSheetCanvas::MeasureLabel(const std::string& text, double sizeMm)
{
    if (text.empty())
        return {};
    cairo_t* cr = impl_->cr;
    cairo_save(cr);
    cairo_scale(cr, 1 / kTextUnitsPerMm, 1 / kTextUnitsPerMm);
    PangoRectangle logical{};
    pango_layout_get_extents(impl_->labels.Set(cr, SjisToUtf8(text), sizeMm), nullptr, &logical);
    cairo_restore(cr);
    const double toMm = 1 / (kTextUnitsPerMm * PANGO_SCALE);
    return {logical.width * toMm, logical.height * toMm};
}

void CSheetCanvas::DrawLabel(PenPoint at, const std::string& text, double sizeMm, CanvasColor color)
{
    if (text.empty())
        return;
    cairo_t* cr = impl_->cr;
    cairo_save(cr);
    cairo_translate(cr, impl_->Mm(at.x), impl_->Mm(at.y));
    cairo_scale(cr, 1 / kTextUnitsPerMm, 1 / kTextUnitsPerMm);
    PangoLayout* layout = impl_->labels.Set(cr, SjisToUtf8(text), sizeMm);
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    const double toMm = 1 / (kTextUnitsPerMm * PANGO_SCALE);
    ShowLayout(cr, layout, Box{0, 0, logical.width * toMm, logical.height * toMm}, Align::Left, color);
    cairo_restore(cr);
}

bool CSheetCanvas::Save(const std::string& path, std::string& error, FilePublish how)
{
    Impl& impl = *impl_;
    if (impl.cr == nullptr) {
        error = "the picture was saved already";
        return false;
    }
    cairo_status_t status = cairo_status(impl.cr);
    cairo_destroy(impl.cr);
    impl.cr = nullptr;
    if (status == CAIRO_STATUS_SUCCESS) {
        if (impl.spec.format == CanvasFormat::Png) {
            cairo_surface_flush(impl.surface);
            status = cairo_surface_write_to_png_stream(impl.surface, &Impl::Append, &impl);
        } else {
            cairo_surface_finish(impl.surface);
            status = cairo_surface_status(impl.surface);
        }
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot draw the picture: ") + cairo_status_to_string(status);
        return false;
    }

    if (const int failure = WriteWholeFile(path, impl.bytes, how); failure != 0) {
        error = SystemErrorText(failure);
        return false;
    }
    return true;
}
