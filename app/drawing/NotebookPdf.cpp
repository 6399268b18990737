#include "drawing/NotebookPdf.h"

#include "drawing/PdfFont.h"
#include "ink/StrokePaths.h"
#include "platform/SafeFile.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string_view>
#include <vector>

namespace {

constexpr double kMarginMm = 18;
// Lines of text are this many font sizes apart, and their baseline this
// far above the bottom of their line.
constexpr double kLineSpacing = 1.5;
constexpr double kBaselineRaise = 0.35;
// Between a picture and what stands beside it or below it.
constexpr double kPictureGap = 3;

// --- numbers and strings as a PDF writes them --------------------------------

void AppendInt(std::string& out, long long value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end.ptr);
}

// Two decimals at most, no exponent, no trailing zeros: positions on paper
// need no more.
void AppendReal(std::string& out, double value)
{
    const long long hundredths = std::llround(value * 100);
    if (hundredths < 0)
        out += '-';
    const long long magnitude = hundredths < 0 ? -hundredths : hundredths;
    AppendInt(out, magnitude / 100);
    const long long fraction = magnitude % 100;
    if (fraction != 0) {
        out += '.';
        out += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0)
            out += static_cast<char>('0' + fraction % 10);
    }
}

void AppendHex16(std::string& out, uint32_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

// The code points of UTF-8 text; a byte that starts no sequence stands for
// U+FFFD.
std::u32string CodePoints(std::string_view utf8)
{
    std::u32string points;
    points.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool whole = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
        for (int k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            whole = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        if (!whole) {
            points += U'\xFFFD';
            ++i;
            continue;
        }
        points += point;
        i += static_cast<std::size_t>(length);
    }
    return points;
}

void AppendUtf16(std::string& out, char32_t point)
{
    if (point >= 0x10000) {
        point -= 0x10000;
        AppendHex16(out, 0xD800 + (point >> 10));
        AppendHex16(out, 0xDC00 + (point & 0x3FF));
    } else {
        AppendHex16(out, point);
    }
}

// A text string of the document (titles, labels): UTF-16BE with its byte
// order mark, as a hex string.
std::string TextString(std::string_view utf8)
{
    std::string out = "<FEFF";
    for (const char32_t point : CodePoints(utf8))
        AppendUtf16(out, point);
    return out + ">";
}

std::string Utf8Of(char32_t point)
{
    std::string out;
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
    return out;
}

// Deflated at `level`; empty when zlib has no memory for it.
std::string Deflated(std::string_view bytes, int level)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uLong>(bytes.size()), level) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

// --- laying a page out -------------------------------------------------------

struct PenRgb {
    const char* fill;    // operands of rg
    const char* stroke;  // operands of RG
};

PenRgb ColourOf(uint16_t penColor)
{
    if (penColor == 2)
        return {"0 0 1 rg\n", "0 0 1 RG\n"};
    if (penColor == 3)
        return {"1 0 0 rg\n", "1 0 0 RG\n"};
    return {"0 g\n", "0 G\n"};
}

// One thing on a line: a glyph of the page's text or a picture.
struct Box {
    double width = 0;
    double height = 0;  // pictures only
    uint32_t glyph = 0;
    uint16_t penColor = 1;
    const PdfPicture* picture = nullptr;
    double scale = 0;  // points per pen unit of the picture
};

struct Line {
    std::vector<Box> boxes;
    double width = 0;
    bool hasText = false;
};

class CPageLayout {
public:
    CPageLayout(const CPdfFont& font, double paperWidth, double paperHeight, double fontPoints)
        : font_(font),
          paperWidth_(paperWidth),
          paperHeight_(paperHeight),
          margin_(kMarginMm * kPointsPerMm),
          fontPoints_(fontPoints)
    {
        columnWidth_ = paperWidth_ - 2 * margin_;
        columnHeight_ = paperHeight_ - 2 * margin_;
        top_ = paperHeight_ - margin_;
    }

    void AddText(std::string_view utf8, uint16_t penColor, PdfPageContent& made)
    {
        for (const char32_t point : CodePoints(utf8)) {
            Box box;
            box.glyph = font_.Glyph(point);
            box.width = font_.Advance(box.glyph) * fontPoints_ / 1000.0;
            box.penColor = penColor;
            glyphs_.emplace(box.glyph, Utf8Of(point));
            if (line_.width + box.width > columnWidth_ && !line_.boxes.empty())
                EndLine(made);
            line_.boxes.push_back(box);
            line_.width += box.width;
            line_.hasText = true;
        }
    }

    // At true size, smaller only where it is wider than the column or
    // taller than the paper holds.
    void AddPicture(const PdfPicture& picture, PdfPageContent& made)
    {
        if (picture.width <= 0 || picture.height <= 0)
            return;
        Box box;
        box.picture = &picture;
        box.scale = kPointsPerPenUnit;
        box.scale = std::min(box.scale, columnWidth_ / picture.width);
        box.scale = std::min(box.scale, (columnHeight_ - 2 * kPictureGap) / picture.height);
        box.width = picture.width * box.scale;
        box.height = picture.height * box.scale;
        const double gap = line_.boxes.empty() ? 0 : kPictureGap;
        if (line_.width + gap + box.width > columnWidth_ && !line_.boxes.empty())
            EndLine(made);
        else
            line_.width += gap;
        line_.boxes.push_back(box);
        line_.width += box.width;
    }

    void EndLine(PdfPageContent& made)
    {
        double height = line_.hasText || line_.boxes.empty() ? fontPoints_ * kLineSpacing : 0;
        for (const Box& box : line_.boxes)
            height = std::max(height, box.height + 2 * kPictureGap);
        if (y_ + height > columnHeight_ && y_ > 0)
            EndSheet(made);
        const double bottom = top_ - y_ - height;
        const double baseline = bottom + fontPoints_ * kBaselineRaise;
        DrawLine(bottom, baseline);
        y_ += height;
        line_ = Line();
    }

    void EndSheet(PdfPageContent& made)
    {
        made.sheets.push_back(std::move(content_));
        content_.clear();
        y_ = 0;
    }

    // The last line, and the glyphs the page shows.
    void Finish(PdfPageContent& made)
    {
        if (!line_.boxes.empty())
            EndLine(made);
        if (!content_.empty() || made.sheets.empty())
            EndSheet(made);
        made.glyphs.assign(glyphs_.begin(), glyphs_.end());
    }

private:
    void DrawLine(double bottom, double baseline)
    {
        double x = margin_;
        std::size_t k = 0;
        while (k < line_.boxes.size()) {
            if (line_.boxes[k].picture) {
                const Box& box = line_.boxes[k];
                DrawPicture(box, x, bottom + kPictureGap + box.height);
                x += box.width + kPictureGap;
                ++k;
                continue;
            }
            // A run of glyphs up to the next picture: one text object, the
            // colour changed where the pen did.
            BeginText("", fontPoints_, x, baseline);
            int openPen = -1;
            bool open = false;
            for (; k < line_.boxes.size() && !line_.boxes[k].picture; ++k) {
                const Box& box = line_.boxes[k];
                const int pen = box.penColor == 2 || box.penColor == 3 ? box.penColor : 1;
                if (pen != openPen) {
                    if (open)
                        content_ += "> Tj\n";
                    content_ += ColourOf(static_cast<uint16_t>(pen)).fill;
                    content_ += '<';
                    open = true;
                    openPen = pen;
                }
                AppendHex16(content_, box.glyph);
                x += box.width;
            }
            content_ += "> Tj\nET\n";
            if (k < line_.boxes.size())
                x += kPictureGap;
        }
    }

    // The picture with its top-left corner at (left, top) on the paper: pen
    // units under one matrix, y turned downwards, every stroke one path.
    void DrawPicture(const Box& box, double left, double top)
    {
        const PdfPicture& picture = *box.picture;
        content_ += "q\n";
        AppendReal6(box.scale);
        content_ += " 0 0 ";
        AppendReal6(-box.scale);
        content_ += ' ';
        AppendReal(content_, left);
        content_ += ' ';
        AppendReal(content_, top);
        content_ += " cm\n";
        AppendInt(content_, picture.penWidth);
        content_ += " w 1 J 1 j\n";
        int lastPen = -1;
        std::size_t pathStart = 0;
        const auto point = [this, &picture](int32_t x, int32_t y, const char* op) {
            AppendInt(content_, x - picture.left);
            content_ += ' ';
            AppendInt(content_, y - picture.top);
            content_ += op;
        };
        ForEachStrokePath(
            picture.samples, picture.sampleCount, picture.shiftFrom, picture.shiftX, picture.shiftY,
            [&](int32_t x, int32_t y, uint16_t penColor) {
                const int pen = penColor == 2 || penColor == 3 ? penColor : 1;
                if (pen != lastPen) {
                    content_ += ColourOf(static_cast<uint16_t>(pen)).stroke;
                    lastPen = pen;
                }
                // A path taken back leaves the colour set.
                pathStart = content_.size();
                point(x, y, " m\n");
            },
            [&](int32_t x, int32_t y, bool) { point(x, y, " l\n"); },
            [&](bool moved) {
                if (moved)
                    content_ += "S\n";
                else
                    content_.resize(pathStart);
            });
        content_ += "Q\n";
        for (const PdfHiddenText& cell : picture.hidden) {
            const double width = (cell.right - cell.left + 1) * box.scale;
            const double height = (cell.bottom - cell.top + 1) * box.scale;
            const double cellLeft = left + (cell.left - picture.left) * box.scale;
            const double cellTop = top - (cell.top - picture.top) * box.scale;
            DrawHiddenText(cell.text, cellLeft, cellTop - height, width, height);
        }
    }

    // Text read from handwriting, over the ink and invisible: selecting
    // and searching find it where the writing is.
    void DrawHiddenText(const std::string& utf8, double x, double bottom, double width, double height)
    {
        std::vector<uint32_t> glyphs;
        double advance = 0;
        for (const char32_t point : CodePoints(utf8)) {
            const uint32_t glyph = font_.Glyph(point);
            glyphs.push_back(glyph);
            glyphs_.emplace(glyph, Utf8Of(point));
            advance += font_.Advance(glyph);
        }
        if (glyphs.empty() || advance <= 0)
            return;
        const double size = std::clamp(height * 0.8, 4.0, 400.0);
        const double stretch = std::clamp(100.0 * width / (advance * size / 1000.0), 1.0, 10000.0);
        // The render mode and the stretch are graphics state, which outlives
        // the text object: saved and restored around it.
        content_ += "q\n";
        std::string state = "3 Tr\n";
        AppendReal(state, stretch);
        state += " Tz\n";
        BeginText(state, size, x, bottom + height * 0.15);
        content_ += '<';
        for (const uint32_t glyph : glyphs)
            AppendHex16(content_, glyph);
        content_ += "> Tj\nET\nQ\n";
    }

    // A text object in the page's font at `size` points, its text state
    // set by `state`, its first glyph at (x, baseline).
    void BeginText(std::string_view state, double size, double x, double baseline)
    {
        content_ += "BT\n";
        content_ += state;
        content_ += "/F1 ";
        AppendReal(content_, size);
        content_ += " Tf\n";
        AppendReal(content_, x);
        content_ += ' ';
        AppendReal(content_, baseline);
        content_ += " Td\n";
    }

    // The picture's scale needs more places than a position on paper.
    void AppendReal6(double value)
    {
        char digits[32];
        const int length = std::snprintf(digits, sizeof digits, "%.6f", value);
        content_.append(digits, static_cast<std::size_t>(std::max(0, length)));
    }

    const CPdfFont& font_;
    double paperWidth_;
    double paperHeight_;
    double margin_;
    double fontPoints_;
    double columnWidth_ = 0;
    double columnHeight_ = 0;
    double top_ = 0;
    double y_ = 0;  // below the top of the column
    Line line_;
    std::string content_;
    std::map<uint32_t, std::string> glyphs_;
};

// --- the document ------------------------------------------------------------

// The file of the document, object by object, with where each begins. It
// also reads the file already there alongside, so that Finish knows whether
// the new bytes are the old ones.
class CPdfOutput {
public:
    ~CPdfOutput()
    {
        if (old_)
            std::fclose(old_);
    }

    int Open(const std::string& path)
    {
        old_ = std::fopen(path.c_str(), "rb");
        same_ = old_ != nullptr;
        return file_.Open(path);
    }

    int Reserve()
    {
        offsets_.push_back(0);
        return static_cast<int>(offsets_.size());
    }

    void Write(std::string_view bytes)
    {
        if (error_ != 0)
            return;
        if (!file_.Write(bytes)) {
            error_ = errno != 0 ? errno : EIO;
            return;
        }
        offset_ += bytes.size();
        Compare(bytes);
    }

    void BeginObject(int number)
    {
        offsets_[static_cast<std::size_t>(number - 1)] = offset_;
        std::string head;
        AppendInt(head, number);
        head += " 0 obj\n";
        Write(head);
    }

    void Object(int number, std::string_view body)
    {
        BeginObject(number);
        Write(body);
        Write("\nendobj\n");
    }

    // A stream object: `dictionary` holds what goes beside its length.
    void Stream(int number, std::string_view dictionary, std::string_view data)
    {
        BeginObject(number);
        std::string head = "<<";
        head += dictionary;
        head += " /Length ";
        AppendInt(head, static_cast<long long>(data.size()));
        head += ">>\nstream\n";
        Write(head);
        Write(data);
        Write("\nendstream\nendobj\n");
    }

    // The cross-reference table and the trailer.
    void End(int root, int info)
    {
        const uint64_t start = offset_;
        std::string table = "xref\n0 ";
        AppendInt(table, static_cast<long long>(offsets_.size() + 1));
        table += "\n0000000000 65535 f\r\n";
        char entry[24];
        for (const uint64_t at : offsets_) {
            std::snprintf(entry, sizeof entry, "%010llu 00000 n\r\n", static_cast<unsigned long long>(at));
            table += entry;
            if (table.size() > 1 << 16) {
                Write(table);
                table.clear();
            }
        }
        table += "trailer\n<< /Size ";
        AppendInt(table, static_cast<long long>(offsets_.size() + 1));
        table += " /Root ";
        AppendInt(table, root);
        table += " 0 R /Info ";
        AppendInt(table, info);
        table += " 0 R >>\nstartxref\n";
        AppendInt(table, static_cast<long long>(start));
        table += "\n%%EOF\n";
        Write(table);
    }

    int Error() const { return error_; }

    void Discard() { file_.Discard(); }

    // Names the document, or keeps the file there when it holds the same
    // bytes.
    int Publish(bool& unchanged)
    {
        unchanged = false;
        if (error_ != 0) {
            file_.Discard();
            return error_;
        }
        if (same_ && std::fgetc(old_) == EOF) {
            file_.Discard();
            unchanged = true;
            return 0;
        }
        return file_.Commit(FilePublish::Replace);
    }

private:
    void Compare(std::string_view bytes)
    {
        char buffer[1 << 14];
        while (same_ && !bytes.empty()) {
            const std::size_t want = std::min(bytes.size(), sizeof buffer);
            if (std::fread(buffer, 1, want, old_) != want || std::memcmp(buffer, bytes.data(), want) != 0)
                same_ = false;
            bytes.remove_prefix(want);
        }
    }

    CSafeFile file_;
    std::FILE* old_ = nullptr;
    bool same_ = false;
    uint64_t offset_ = 0;
    std::vector<uint64_t> offsets_;
    int error_ = 0;
};

// An outline entry waits for the next one, which it must name; the label
// leaves of the page-label number tree go out a few hundred pages at a
// time. What the document keeps of a page written is its object number.
struct PendingItem {
    int object = 0;
    int page = 0;
    int previous = 0;
    std::string title;
};

struct LabelLeaf {
    int object = 0;
    std::size_t first = 0;
    std::size_t last = 0;
};

constexpr std::size_t kLabelsPerLeaf = 256;

class CNotebookPdf final : public INotebookPdf {
public:
    CNotebookPdf(const PdfSettings& settings, std::unique_ptr<CPdfFont> font)
        : settings_(settings), font_(std::move(font))
    {
        width_ = settings.paperWidthMm * kPointsPerMm;
        height_ = settings.paperHeightMm * kPointsPerMm;
    }

    int Open()
    {
        if (const int error = out_.Open(settings_.path); error != 0)
            return error;
        catalog_ = out_.Reserve();
        pages_ = out_.Reserve();
        fontObject_ = out_.Reserve();
        info_ = out_.Reserve();
        out_.Write("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
        return out_.Error();
    }

    PdfPageContent MakePage(const PdfPageSource& page, std::string& error) const override
    {
        PdfPageContent made;
        try {
            made.label = page.label;
            made.title = page.title;
            const double fontPoints = std::clamp(page.fontPoints, 4.0, 72.0);
            CPageLayout layout(*font_, width_, height_, fontPoints);
            for (const PdfPiece& piece : page.pieces) {
                switch (piece.kind) {
                case PdfPiece::Kind::Text:
                    layout.AddText(piece.text, piece.penColor, made);
                    break;
                case PdfPiece::Kind::LineBreak:
                    layout.EndLine(made);
                    break;
                case PdfPiece::Kind::Picture:
                    if (piece.picture < page.pictures.size())
                        layout.AddPicture(page.pictures[piece.picture], made);
                    break;
                }
            }
            layout.Finish(made);
            for (std::string& sheet : made.sheets) {
                std::string deflated = Deflated(sheet, 1);
                if (deflated.empty())
                    throw std::bad_alloc();
                sheet = std::move(deflated);
            }
        } catch (...) {
            // Nothing thrown may reach the program; the only failure left is
            // memory running out.
            error = std::strerror(ENOMEM);
            made.sheets.clear();
        }
        return made;
    }

    int AddPage(PdfPageContent&& page) override
    {
        try {
            for (auto& [glyph, text] : page.glyphs)
                glyphs_.emplace(glyph, std::move(text));
            for (std::size_t k = 0; k < page.sheets.size(); ++k) {
                const int content = out_.Reserve();
                out_.Stream(content, " /Filter /FlateDecode", page.sheets[k]);
                const int object = out_.Reserve();
                std::string body = "<< /Type /Page /Parent ";
                AppendInt(body, pages_);
                body += " 0 R /Contents ";
                AppendInt(body, content);
                body += " 0 R >>";
                out_.Object(object, body);
                AddLabel(k == 0 ? page.label : page.label + " (" + std::to_string(k + 1) + ")");
                if (k == 0)
                    AddOutlineItem(object, std::move(page.title));
                pageObjects_.push_back(object);
            }
        } catch (...) {
            return ENOMEM;
        }
        return out_.Error();
    }

    int Finish(bool& unchanged) override
    {
        unchanged = false;
        try {
            // A document has a page, even a notebook without any.
            if (pageObjects_.empty()) {
                const int content = out_.Reserve();
                out_.Stream(content, " /Filter /FlateDecode", Deflated("", 1));
                const int object = out_.Reserve();
                out_.Object(object, "<< /Type /Page /Parent " + std::to_string(pages_) + " 0 R /Contents " +
                                        std::to_string(content) + " 0 R >>");
                pageObjects_.push_back(object);
                AddLabel("");
            }
            std::string fontError;
            if (!WriteFont(fontError)) {
                out_.Discard();
                return EIO;
            }
            WritePages();
            const bool outlined = FinishOutline();
            WriteCatalog(outlined, FinishLabels());
            out_.Object(info_, "<< /Title " + TextString(settings_.title) + " /Creator " +
                                   TextString(settings_.creator) + " /Producer " + TextString(settings_.creator) +
                                   " >>");
            out_.End(catalog_, info_);
        } catch (...) {
            out_.Discard();
            return ENOMEM;
        }
        return out_.Publish(unchanged);
    }

private:
    // Type 0 font over the subset TrueType, glyph numbers as character
    // codes (Identity-H), with widths and a map back to Unicode.
    bool WriteFont(std::string& error)
    {
        std::set<uint32_t> used;
        for (const auto& [glyph, text] : glyphs_)
            used.insert(glyph);
        const std::string subset = font_->Subset(used, error);
        if (subset.empty())
            return false;
        // A tag of six capitals naming this subset.
        uint32_t hash = 2166136261u;
        for (const uint32_t glyph : used)
            hash = (hash ^ glyph) * 16777619u;
        std::string name;
        for (int k = 0; k < 6; ++k, hash /= 26)
            name += static_cast<char>('A' + hash % 26);
        name += "+" + font_->PostScriptName();

        const int file = out_.Reserve();
        std::string dictionary = " /Filter /FlateDecode /Length1 ";
        AppendInt(dictionary, static_cast<long long>(subset.size()));
        out_.Stream(file, dictionary, Deflated(subset, 6));

        const int descriptor = out_.Reserve();
        std::string body = "<< /Type /FontDescriptor /FontName /" + name + " /Flags 4 /FontBBox [";
        for (int k = 0; k < 4; ++k) {
            body += ' ';
            AppendInt(body, font_->BoundingBox()[k]);
        }
        body += " ] /ItalicAngle 0 /Ascent ";
        AppendInt(body, font_->Ascent());
        body += " /Descent ";
        AppendInt(body, font_->Descent());
        body += " /CapHeight ";
        AppendInt(body, font_->CapHeight());
        body += " /StemV 80 /FontFile2 ";
        AppendInt(body, file);
        body += " 0 R >>";
        out_.Object(descriptor, body);

        const int cidFont = out_.Reserve();
        body = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
        AppendInt(body, descriptor);
        body += " 0 R /CIDToGIDMap /Identity /W [";
        for (const uint32_t glyph : used) {
            body += ' ';
            AppendInt(body, glyph);
            body += " [";
            AppendInt(body, font_->Advance(glyph));
            body += ']';
        }
        body += " ] >>";
        out_.Object(cidFont, body);

        const int toUnicode = out_.Reserve();
        std::string cmap =
            "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
            "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
            "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
        std::vector<std::pair<uint32_t, std::string>> mapped(glyphs_.begin(), glyphs_.end());
        for (std::size_t start = 0; start < mapped.size(); start += 100) {
            const std::size_t end = std::min(mapped.size(), start + 100);
            AppendInt(cmap, static_cast<long long>(end - start));
            cmap += " beginbfchar\n";
            for (std::size_t k = start; k < end; ++k) {
                cmap += '<';
                AppendHex16(cmap, mapped[k].first);
                cmap += "> <";
                for (const char32_t point : CodePoints(mapped[k].second))
                    AppendUtf16(cmap, point);
                cmap += ">\n";
            }
            cmap += "endbfchar\n";
        }
        cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        out_.Stream(toUnicode, " /Filter /FlateDecode", Deflated(cmap, 6));

        body = "<< /Type /Font /Subtype /Type0 /BaseFont /" + name + " /Encoding /Identity-H /DescendantFonts [";
        AppendInt(body, cidFont);
        body += " 0 R] /ToUnicode ";
        AppendInt(body, toUnicode);
        body += " 0 R >>";
        out_.Object(fontObject_, body);
        return true;
    }

    void WritePages()
    {
        out_.BeginObject(pages_);
        std::string body = "<< /Type /Pages /MediaBox [0 0 ";
        AppendReal(body, width_);
        body += ' ';
        AppendReal(body, height_);
        body += "] /Resources << /Font << /F1 ";
        AppendInt(body, fontObject_);
        body += " 0 R >> >> /Count ";
        AppendInt(body, static_cast<long long>(pageObjects_.size()));
        body += " /Kids [";
        for (const int object : pageObjects_) {
            AppendInt(body, object);
            body += " 0 R ";
            if (body.size() > 1 << 16) {
                out_.Write(body);
                body.clear();
            }
        }
        body += "] >>\nendobj\n";
        out_.Write(body);
    }

    // The entry of the page whose first sheet is `page`; the one before it
    // is written now that its next is known.
    void AddOutlineItem(int page, std::string title)
    {
        if (outline_ == 0)
            outline_ = out_.Reserve();
        const int object = out_.Reserve();
        if (pending_.object != 0)
            WriteOutlineItem(object);
        else
            firstItem_ = object;
        pending_ = PendingItem{object, page, pending_.object, std::move(title)};
        ++items_;
    }

    void WriteOutlineItem(int next)
    {
        std::string body = "<< /Title " + TextString(pending_.title) + " /Parent ";
        AppendInt(body, outline_);
        body += " 0 R";
        if (pending_.previous != 0) {
            body += " /Prev ";
            AppendInt(body, pending_.previous);
            body += " 0 R";
        }
        if (next != 0) {
            body += " /Next ";
            AppendInt(body, next);
            body += " 0 R";
        }
        body += " /Dest [";
        AppendInt(body, pending_.page);
        body += " 0 R /Fit] >>";
        out_.Object(pending_.object, body);
    }

    // False when no page has an entry.
    bool FinishOutline()
    {
        if (pending_.object == 0)
            return false;
        WriteOutlineItem(0);
        std::string body = "<< /Type /Outlines /First ";
        AppendInt(body, firstItem_);
        body += " 0 R /Last ";
        AppendInt(body, pending_.object);
        body += " 0 R /Count ";
        AppendInt(body, items_);
        body += " >>";
        out_.Object(outline_, body);
        return true;
    }

    void AddLabel(const std::string& label)
    {
        const std::size_t index = pageObjects_.size();
        if (labels_.empty())
            labelsFrom_ = index;
        labels_ += ' ';
        AppendInt(labels_, static_cast<long long>(index));
        labels_ += " << /P " + TextString(label) + " >>";
        if (index + 1 - labelsFrom_ == kLabelsPerLeaf)
            WriteLabelLeaf(index);
    }

    void WriteLabelLeaf(std::size_t last)
    {
        LabelLeaf leaf{out_.Reserve(), labelsFrom_, last};
        std::string body = "<< /Limits [";
        AppendInt(body, static_cast<long long>(leaf.first));
        body += ' ';
        AppendInt(body, static_cast<long long>(leaf.last));
        body += "] /Nums [" + labels_ + " ] >>";
        out_.Object(leaf.object, body);
        leaves_.push_back(leaf);
        labels_.clear();
    }

    // The number tree of the page labels, its leaves written.
    std::string FinishLabels()
    {
        if (!labels_.empty())
            WriteLabelLeaf(pageObjects_.size() - 1);
        std::string tree = "<< /Kids [";
        for (const LabelLeaf& leaf : leaves_) {
            AppendInt(tree, leaf.object);
            tree += " 0 R ";
        }
        return tree + "] >>";
    }

    void WriteCatalog(bool outlined, const std::string& labels)
    {
        std::string body = "<< /Type /Catalog /Pages ";
        AppendInt(body, pages_);
        body += " 0 R /Lang (ja) /ViewerPreferences << /DisplayDocTitle true >>";
        if (outlined) {
            body += " /Outlines ";
            AppendInt(body, outline_);
            body += " 0 R /PageMode /UseOutlines";
        }
        body += " /PageLabels " + labels + " >>";
        out_.Object(catalog_, body);
    }

    PdfSettings settings_;
    std::unique_ptr<CPdfFont> font_;
    double width_ = 0;
    double height_ = 0;
    CPdfOutput out_;
    int catalog_ = 0;
    int pages_ = 0;
    int fontObject_ = 0;
    int info_ = 0;
    int outline_ = 0;  // made with the first entry
    std::vector<int> pageObjects_;
    PendingItem pending_;
    int firstItem_ = 0;
    int items_ = 0;
    std::string labels_;
    std::size_t labelsFrom_ = 0;
    std::vector<LabelLeaf> leaves_;
    std::map<uint32_t, std::string> glyphs_;
};

}  // namespace

std::unique_ptr<INotebookPdf> OpenNotebookPdf(const PdfSettings& settings, std::string& error)
{
    std::string fontFile = settings.fontFile;
    // Where Debian puts it, before asking fontconfig: reading its caches
    // costs more memory than the whole document does.
    if (std::FILE* known = fontFile.empty() ? std::fopen(kPdfFontFile, "rb") : nullptr) {
        std::fclose(known);
        fontFile = kPdfFontFile;
    }
    if (fontFile.empty())
        fontFile = CPdfFont::FindFile(kPdfFontFamily, error);
    if (fontFile.empty())
        return nullptr;
    std::unique_ptr<CPdfFont> font = CPdfFont::Open(fontFile, error);
    if (!font)
        return nullptr;
    auto pdf = std::make_unique<CNotebookPdf>(settings, std::move(font));
    if (const int failed = pdf->Open(); failed != 0) {
        error = std::strerror(failed);
        return nullptr;
    }
    return pdf;
}
