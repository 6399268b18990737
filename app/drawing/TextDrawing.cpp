#include "drawing/TextDrawing.h"

#include "platform/TextEncoding.h"

#include <algorithm>
#include <cmath>

void SetColor(cairo_t* cr, const CanvasColor& color) { cairo_set_source_rgb(cr, color.red, color.green, color.blue); }

int TextUnits(double mm) { return static_cast<int>(std::lround(mm * kTextUnitsPerMm * PANGO_SCALE)); }

std::size_t CharacterCount(const std::string& utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string InTwoLines(const std::string& utf8)
{
    const std::size_t half = (CharacterCount(utf8) + 1) / 2;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (seen == half)
                return utf8.substr(0, i) + "\n" + utf8.substr(i);
            ++seen;
        }
    }
    return utf8;
}

PangoLayout* NewTextLayout(cairo_t* cr)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    pango_context_set_language(context, pango_language_from_string("ja"));
    pango_context_set_round_glyph_positions(context, FALSE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    return layout;
}

PangoFontDescription* NewFont(bool bold)
{
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamilies);
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    return font;
}

void ShowLayout(cairo_t* cr, PangoLayout* layout, const Box& box, Align align, const CanvasColor& color)
{
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    const double x = align == Align::Left ? -logical.x : (TextUnits(box.w) - logical.width) / 2.0 - logical.x;
    const double y = (TextUnits(box.h) - logical.height) / 2.0 - logical.y;
    cairo_move_to(cr, x / PANGO_SCALE, y / PANGO_SCALE);
    SetColor(cr, color);
    pango_cairo_show_layout(cr, layout);
}

double FittedSize(CTextLayout& layout, const Box& box, const TextStyle& style)
{
    double size = style.maxMm;
    for (;;) {
        layout.SetSize(size);
        if (layout.Fits(box) || size <= style.minMm)
            break;
        size = std::max(style.minMm, size * 0.94);
    }
    return size;
}

double DrawText(cairo_t* cr, const std::string& sjis, const Box& box, const TextStyle& style)
{
    if (sjis.empty())
        return 0;
    CTextLayout layout(cr, box, SjisToUtf8(sjis), style.bold);
    const double size = FittedSize(layout, box, style);
    if (!layout.Fits(box))
        layout.Ellipsize(box.w);
    layout.Show(box, style.align, style.color);
    return size;
}

void DrawWord(cairo_t* cr, const std::string& sjis, const Box& box, const TextStyle& style)
{
    const std::string utf8 = SjisToUtf8(sjis);
    double oneLine = 0;
    {
        CTextLayout probe(cr, box, utf8, style.bold);
        oneLine = FittedSize(probe, box, style);
        if (!probe.Fits(box))
            oneLine = 0;
    }
    if (CharacterCount(utf8) >= 4) {
        CTextLayout twoLines(cr, box, InTwoLines(utf8), style.bold);
        const double size = FittedSize(twoLines, box, style);
        if (twoLines.Fits(box) && size > oneLine * 1.3) {
            twoLines.Show(box, style.align, style.color);
            return;
        }
    }
    DrawText(cr, sjis, box, style);
}

void DrawArrowHead(cairo_t* cr, const Box& box, double widthMm, bool up, const CanvasColor& color)
{
    const double cx = box.x + box.w / 2;
    const double cy = box.y + box.h / 2;
    const double half = widthMm / 2;
    const double tip = up ? -widthMm * 0.55 : widthMm * 0.55;
    cairo_move_to(cr, cx - half, cy - tip);
    cairo_line_to(cr, cx + half, cy - tip);
    cairo_line_to(cr, cx, cy + tip);
    cairo_close_path(cr);
    SetColor(cr, color);
    cairo_fill(cr);
}

void StrokeBox(cairo_t* cr, const Box& box, double lineWidth, const CanvasColor& color)
{
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    cairo_set_line_width(cr, lineWidth);
    SetColor(cr, color);
    cairo_stroke(cr);
}

void FillBox(cairo_t* cr, const Box& box, const CanvasColor& color)
{
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    SetColor(cr, color);
    cairo_fill(cr);
}
