#pragma once

#include "ink/StrokeSample.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the PDF module (libmarovi_pdf.so) is handed of the pages of a run:
// plain data the program fills, so that the module, which carries its own
// copy of the code it runs, calls nothing of the program's.

// Text read from handwriting (UTF-8) and the box of its ink, in the frame
// of its picture's records as they are placed (pen units).
struct PdfHiddenText {
    std::string text;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// A picture of a page as its SVG shows it: the crop in pen units (the
// ink's box with the picture's margins), the pen width the JPEG draws with,
// and the ink's records as the picture places them. The records belong to
// the page, which outlives the call that lays the page out.
struct PdfPicture {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;   // pen units
    int32_t height = 0;  // pen units
    int32_t penWidth = 0;
    const StrokeSample* samples = nullptr;
    std::size_t sampleCount = 0;
    // Records from shiftFrom on are moved by (shiftX, shiftY), wrapping at
    // 16 bits as the records' coordinates do.
    std::size_t shiftFrom = 0;
    int32_t shiftX = 0;
    int32_t shiftY = 0;
    // Text read from the picture's handwriting, laid over its ink as
    // invisible text.
    std::vector<PdfHiddenText> hidden;
};

// One piece of a page's flow, in page order: a key text, a line break or a
// picture.
struct PdfPiece {
    enum class Kind { Text, LineBreak, Picture };
    Kind kind = Kind::Text;
    std::string text;        // UTF-8, Text
    uint16_t penColor = 1;   // Text: 2 blue, 3 red, black otherwise
    std::size_t picture = 0;  // Picture: index into PdfPageSource::pictures
};

struct PdfPageSource {
    std::string label;  // the ink file's name, UTF-8: the page's label
    std::string title;  // UTF-8: the page's outline entry
    double fontPoints = 12;
    std::vector<PdfPiece> pieces;
    std::vector<PdfPicture> pictures;
};

// A page laid out and drawn, ready to be added to the document in its turn:
// made on any thread, added on one.
struct PdfPageContent {
    std::string label;
    std::string title;
    // One content stream per sheet of paper, deflated; a page whose flow
    // does not fit one sheet goes on over more.
    std::vector<std::string> sheets;
    // The glyphs the sheets show, with the text each stands for (UTF-8).
    std::vector<std::pair<uint32_t, std::string>> glyphs;
};

struct PdfSettings {
    std::string path;      // the document to write
    double paperWidthMm = 210;
    double paperHeightMm = 297;
    std::string title;     // the document's, UTF-8
    std::string creator;   // UTF-8
    // A TrueType font with the Japanese glyphs; empty: kPdfFontFamily as
    // fontconfig finds it.
    std::string fontFile;
};

// IPA P Gothic, of Debian's fonts-ipafont-gothic: proportional, so that
// the Latin letters of a page are not spread out.
inline constexpr char kPdfFontFamily[] = "IPAPGothic";
inline constexpr char kPdfFontFile[] = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

// The document of a run, written as its pages are added: to a temporary
// file beside `path`, given that name by Finish and not before. A document
// whose bytes are those of the file already there leaves that file as it is.
class INotebookPdf {
public:
    virtual ~INotebookPdf() = default;
    // Lays a page out; may be called from several threads at once. Throws
    // nothing; a page that cannot be made comes back with no sheets and the
    // reason in `error`.
    virtual PdfPageContent MakePage(const PdfPageSource& page, std::string& error) const = 0;
    // Appends a made page. 0, or the errno of a failure to write, after
    // which the document is lost and later calls change nothing.
    virtual int AddPage(PdfPageContent&& page) = 0;
    // Writes what the document needs beyond its pages and names it: 0, or
    // the errno of the failure (nothing is left then). `unchanged` says
    // whether the file already there was kept because it was the same.
    virtual int Finish(bool& unchanged) = 0;
};

// The entry point, found by the name kPdfEntryPoint: opens the font and the
// temporary file. Null with the reason, UTF-8, in `error`. Throws nothing.
using OpenNotebookPdfFunction = INotebookPdf* (*)(const PdfSettings& settings, std::string& error);

inline constexpr char kPdfModule[] = "libmarovi_pdf.so";
inline constexpr char kPdfEntryPoint[] = "MaroviOpenNotebookPdf";
