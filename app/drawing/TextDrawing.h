#pragma once

#include "drawing/CanvasColor.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <string>

// The text and box primitives the canvas and the printed sheet draw with, on
// a cairo context in millimetres. They know nothing of the canvas.

// Text is laid out in hundredths of a millimetre, so that Pango's metrics and
// glyph positions keep their precision at the size of a key.
constexpr double kTextUnitsPerMm = 100.0;
constexpr const char* kFontFamilies = "IPAPGothic,IPAGothic,Noto Sans CJK JP,sans-serif";
// The sheet's text color.
constexpr CanvasColor kInk{0.08, 0.08, 0.08};

// A rectangle in millimetres on the paper.
struct Box {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;

    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
    bool Overlaps(const Box& other) const
    {
        return x < other.Right() && other.x < Right() && y < other.Bottom() && other.y < Bottom();
    }
};

enum class Align { Left, Centre };

struct TextStyle {
    double maxMm = 3;
    double minMm = 2;
    CanvasColor color = kInk;
    Align align = Align::Centre;
    bool bold = false;
};

void SetColor(cairo_t* cr, const CanvasColor& color);
int TextUnits(double mm);
// The characters of a UTF-8 text.
std::size_t CharacterCount(const std::string& utf8);
// The text split into two lines of nearly equal length, at a character
// boundary.
std::string InTwoLines(const std::string& utf8);
// A layout for cr as it is transformed now, in the text units of the canvas.
// What the transform gives a layout is its scale only: the translation is
// ignored, and with the metrics unhinted nothing else depends on it.
PangoLayout* NewTextLayout(cairo_t* cr);
PangoFontDescription* NewFont(bool bold);
// Shows the layout centred on the box's height and placed in its width, cr
// being transformed to the text units of the box's corner.
void ShowLayout(cairo_t* cr, PangoLayout* layout, const Box& box, Align align, const CanvasColor& color);

// One Pango layout for a text, in the text units of a box's corner. Owns the
// layout and the saved cairo state.
class CTextLayout {
public:
    CTextLayout(cairo_t* cr, const Box& box, const std::string& utf8, bool bold) : cr_(cr)
    {
        cairo_save(cr_);
        cairo_translate(cr_, box.x, box.y);
        cairo_scale(cr_, 1 / kTextUnitsPerMm, 1 / kTextUnitsPerMm);
        layout_ = NewTextLayout(cr_);
        font_ = NewFont(bold);
        pango_layout_set_text(layout_, utf8.c_str(), -1);
    }
    ~CTextLayout()
    {
        pango_font_description_free(font_);
        g_object_unref(layout_);
        cairo_restore(cr_);
    }
    CTextLayout(const CTextLayout&) = delete;
    CTextLayout& operator=(const CTextLayout&) = delete;

    void SetSize(double mm)
    {
        pango_font_description_set_absolute_size(font_, mm * kTextUnitsPerMm * PANGO_SCALE);
        pango_layout_set_font_description(layout_, font_);
    }
    PangoRectangle Logical() const
    {
        PangoRectangle logical{};
        pango_layout_get_extents(layout_, nullptr, &logical);
        return logical;
    }
    // By the advance of the text across and by its glyphs up and down: the
    // font's line height has room above and below that a key cannot spare.
    bool Fits(const Box& box) const
    {
        PangoRectangle ink{};
        PangoRectangle logical{};
        pango_layout_get_extents(layout_, &ink, &logical);
        return logical.width <= TextUnits(box.w) && ink.height <= TextUnits(box.h);
    }
    // Beyond this width the text is cut short with an ellipsis.
    void Ellipsize(double widthMm)
    {
        pango_layout_set_width(layout_, TextUnits(widthMm));
        pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
    }
    // Shows the text centred on the box's height and placed in its width.
    void Show(const Box& box, Align align, const CanvasColor& color) { ShowLayout(cr_, layout_, box, align, color); }

private:
    cairo_t* cr_;
    PangoLayout* layout_ = nullptr;
    PangoFontDescription* font_ = nullptr;
};

// The one layout every label of a canvas is set in. A picture may carry a
// label for each of many thousand strokes, each measured to be placed and
// then drawn: kept, the layout is made once, and a label drawn right after it
// was measured is not laid out again. Owns the layout; made on first use.
class CLabelLayout {
public:
    CLabelLayout() = default;
    ~CLabelLayout()
    {
        if (font_ != nullptr)
            pango_font_description_free(font_);
        if (layout_ != nullptr)
            g_object_unref(layout_);
    }
    CLabelLayout(const CLabelLayout&) = delete;
    CLabelLayout& operator=(const CLabelLayout&) = delete;

    // The layout of the text at that size, for cr transformed to text units.
    PangoLayout* Set(cairo_t* cr, const std::string& utf8, double sizeMm)
    {
        if (layout_ == nullptr) {
            layout_ = NewTextLayout(cr);
            font_ = NewFont(false);
        } else {
            pango_cairo_update_layout(cr, layout_);
        }
        if (!sized_ || sizeMm != sizeMm_) {
            pango_font_description_set_absolute_size(font_, sizeMm * kTextUnitsPerMm * PANGO_SCALE);
            pango_layout_set_font_description(layout_, font_);
            sizeMm_ = sizeMm;
            sized_ = true;
        }
        if (utf8 != text_) {
            pango_layout_set_text(layout_, utf8.c_str(), -1);
            text_ = utf8;
        }
        return layout_;
    }

private:
    PangoLayout* layout_ = nullptr;
    PangoFontDescription* font_ = nullptr;
    bool sized_ = false;
    double sizeMm_ = 0;
    std::string text_;
};

// The largest size from the style's maximum down to its minimum at which the
// text fits the box; at the minimum, what still does not fit is cut short.
double FittedSize(CTextLayout& layout, const Box& box, const TextStyle& style);
// Draws a Shift_JIS text as large as fits the box within the style's sizes.
// Returns the size used (0 for an empty text).
double DrawText(cairo_t* cr, const std::string& sjis, const Box& box, const TextStyle& style);
// A text that may go on two lines when that lets it be much larger, as a
// command word on a small key does.
void DrawWord(cairo_t* cr, const std::string& sjis, const Box& box, const TextStyle& style);
// A small filled triangle pointing up or down, centred in the box.
void DrawArrowHead(cairo_t* cr, const Box& box, double widthMm, bool up, const CanvasColor& color);
void StrokeBox(cairo_t* cr, const Box& box, double lineWidth, const CanvasColor& color);
void FillBox(cairo_t* cr, const Box& box, const CanvasColor& color);
