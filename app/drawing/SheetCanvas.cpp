#include "drawing/SheetCanvas.h"

#include "drawing/TextDrawing.h"
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
#include <stdexcept>
#include <vector>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

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

cairo_t* CSheetCanvas::Context() { return impl_->cr; }

const CanvasSpec& CSheetCanvas::Spec() const { return impl_->spec; }

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
