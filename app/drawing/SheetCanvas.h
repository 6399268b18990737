#pragma once

#include "drawing/CanvasColor.h"
#include "keyboard/KeyboardTypes.h"
#include "platform/SafeFile.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

enum class CanvasFormat { Pdf, Svg, Png };

// The format a file name asks for by its extension (.pdf, .svg, .png, any
// case), or none.
std::optional<CanvasFormat> CanvasFormatOf(const std::string& path);

// What a canvas shows: `widthMm` by `heightMm` of the sheet, starting
// (leftMm, topMm) from the paper's top-left corner, which is where the pen's
// origin lies. Pen units become millimetres by `mmPerPenUnit`. A PDF or SVG
// page is that size; a PNG has `pixelsPerMm` pixels per millimetre.
struct CanvasSpec {
    CanvasFormat format = CanvasFormat::Pdf;
    double widthMm = 0;
    double heightMm = 0;
    double leftMm = 0;
    double topMm = 0;
    double mmPerPenUnit = 0.01;
    double pixelsPerMm = 300 / 25.4;
};

struct LabelExtent {
    double widthMm = 0;
    double heightMm = 0;
};

// One page or picture drawn in pen units (the printed sheet draws itself on
// it through PrintedSheet.h). Texts are Shift_JIS.
// The picture is kept in memory and written out by Save, so a failed write
// leaves no half-written file.
class CSheetCanvas {
public:
    // Throws std::runtime_error when the picture cannot be made (a raster too
    // large for memory, say).
    explicit CSheetCanvas(const CanvasSpec& spec);
    ~CSheetCanvas();
    CSheetCanvas(const CSheetCanvas&) = delete;
    CSheetCanvas& operator=(const CSheetCanvas&) = delete;

    void DrawLine(PenPoint from, PenPoint to, double widthMm, CanvasColor color);
    // The line through the points, as the pen drew it: round ends and joins,
    // one stroke of the path (one pass of the rasteriser, however many points).
    void DrawPolyline(const std::vector<PenPoint>& points, double widthMm, CanvasColor color);
    void DrawDot(PenPoint centre, double radiusMm, CanvasColor color);
    void DrawBox(const PenRect& box, double lineWidthMm, CanvasColor color);
    // Fills the box; below an opacity of 1 what lies under it shows through.
    void DrawFilledBox(const PenRect& box, CanvasColor color, double opacity = 1.0);
    // One line of text with its top-left corner at `at`.
    void DrawLabel(PenPoint at, const std::string& text, double sizeMm, CanvasColor color);
    // The width and height, in millimetres, DrawLabel takes for the text.
    LabelExtent MeasureLabel(const std::string& text, double sizeMm);

    // Finishes the picture and writes it to `path`, whole or not at all (a
    // file of that name stays as it was on failure; `how` says whether one is
    // replaced). On failure the reason (UTF-8) is in `error`. Nothing can be
    // drawn afterwards.
    bool Save(const std::string& path, std::string& error, FilePublish how = FilePublish::Replace);

    // For the drawing code beside the canvas: the cairo context, scaled to
    // millimetres from the paper's top-left corner, until Save; and what the
    // canvas shows.
    cairo_t* Context();
    const CanvasSpec& Spec() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
