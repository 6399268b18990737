#include "keyboard/InkStrokes.h"

#include "ink/StrokePaths.h"

#include "image/ImageFile.h"
#include "keyboard/PenColors.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

#include <cerrno>
#include <charconv>
#include <new>
#include <string_view>
#include <utility>

namespace {

// White border around the drawing, in pixels, on every side.
constexpr int32_t kMargin = 5;
constexpr int32_t kPenWidth = 2;

// The part after the last backslash that is a character of its own, not the
// trail byte of a double-byte character.
std::string_view AfterLastBackslash(std::string_view name)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (IsShiftJisLeadByte(c) && i + 1 < name.size())
            ++i;
        else if (c == '\\')
            start = i + 1;
    }
    return name.substr(start);
}

std::string_view AfterSecondToLastSlash(std::string_view name)
{
    const std::size_t last = name.rfind('/');
    if (last == std::string_view::npos || last == 0)
        return name;
    const std::size_t previous = name.rfind('/', last - 1);
    return previous == std::string_view::npos ? name : name.substr(previous + 1);
}

bool IsUnreservedInLink(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '/';
}

std::string PercentEncoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreservedInLink(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

}  // namespace

CInkStrokes::CInkStrokes() = default;

CInkStrokes::~CInkStrokes()
{
    ReleasePictureBitmap();
}

void CInkStrokes::Wrap(int32_t dx, int32_t dy)
{
    if (wrapped_)
        return;
    wrapped_ = true;
    shiftFrom_ = SampleCount();
    shiftX_ = dx;
    shiftY_ = dy;
}

void CInkStrokes::SetScale(int32_t scale)
{
    if (scale > 0)
        scale_ = scale;
}

std::string PictureLink(const std::string& pictureFile, PictureLinkRule rule)
{
    return "./" + (rule == PictureLinkRule::Windows ? std::string(AfterLastBackslash(pictureFile))
                                                    : PercentEncoded(AfterSecondToLastSlash(pictureFile)));
}

std::string MakeImageTag(const std::string& pictureFile, PictureLinkRule rule)
{
    return "<img src=\"" + PictureLink(pictureFile, rule) + "\">\n";
}

std::string PictureTitle(int32_t number) { return "手書きの絵 " + std::to_string(number); }

int32_t CInkStrokes::PictureWidth() const { return (MaxX() - MinX() + 1) / scale_ + 2 * kMargin; }
int32_t CInkStrokes::PictureHeight() const { return (MaxY() - MinY() + 1) / scale_ + 2 * kMargin; }
int32_t CInkStrokes::PictureLeft() const { return MinX() - kMargin * scale_; }
int32_t CInkStrokes::PictureTop() const { return MinY() - kMargin * scale_; }
int32_t CInkStrokes::PenWidth() const { return kPenWidth * scale_; }

std::string CInkStrokes::GetImageTag() const
{
    return MakeImageTag(pictureFile_, kNativePictureLinkRule);
}

bool CInkStrokes::WritePicture(const std::string& name, int32_t index, IMessageBox& messages)
{
    return IsWritten() || DrawPicture(name, index, [this, &messages](CImageFile& image) {
               if (image.Save(pictureFile_, ImageType::Jpeg))
                   return true;
               messages.Show({"画像ファイルの出力に失敗しました", MessageIcon::Exclamation});
               return false;
           });
}

bool CInkStrokes::StagePicture(const std::string& name, int32_t index, CStagedPage& staged,
                               const std::function<void(const CImageFile&)>& drawn)
{
    return IsWritten() || DrawPicture(name, index, [this, &staged, &drawn](CImageFile& image) {
               if (drawn)
                   drawn(image);
               CSafeFile file;
               int error = file.Open(pictureFile_);
               if (error == 0) {
                   errno = 0;
                   if (!image.SaveTo(file, ImageType::Jpeg))
                       error = errno != 0 ? errno : EIO;
               }
               // Synced with the rest of the page, before any of it is
               // published.
               if (error == 0)
                   error = file.Finish(FileSync::Later);
               if (error != 0) {
                   errno = error;
                   return false;
               }
               staged.AddPicture(std::move(file));
               return true;
           });
}

bool CInkStrokes::StagePictureWithSvg(const std::string& name, int32_t index, CStagedPage& staged,
                                      const std::function<void(const CImageFile&)>& drawn)
{
    if (IsWritten())
        return true;
    if (!StagePicture(name, index, staged, drawn))
        return false;
    const std::string svgFile = name + "." + std::to_string(index) + ".svg";
    CSafeFile file;
    int error = file.Open(svgFile);
    if (error == 0) {
        errno = 0;
        if (!file.Write(SvgDocument(index)))
            error = errno != 0 ? errno : EIO;
    }
    if (error == 0)
        error = file.Finish(FileSync::Later);
    if (error != 0) {
        file.Discard();
        errno = error;
        return false;
    }
    staged.AddPicture(std::move(file));
    svgFile_ = svgFile;
    return true;
}

namespace {

void AppendNumber(std::string& out, int32_t value)
{
    char digits[12];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end.ptr);
}

}  // namespace

PenPoint CInkStrokes::PicturePoint(std::size_t index) const
{
    const StrokeSample& sample = Sample(index);
    const bool shifted = index >= shiftFrom_;
    return {ShiftedCoordinate(sample.x, shifted ? shiftX_ : 0), ShiftedCoordinate(sample.y, shifted ? shiftY_ : 0)};
}

std::string CInkStrokes::SvgDocument(int32_t number) const
{
    // The JPEG draws pen unit x at pixel (x - MinX()) / scale_ + kMargin:
    // the viewBox starts kMargin pixels' worth of pen units before the box.
    const int32_t left = PictureLeft();
    const int32_t top = PictureTop();
    const int32_t width = PictureWidth();
    const int32_t height = PictureHeight();
    const std::string boxX = std::to_string(left);
    const std::string boxY = std::to_string(top);
    const std::string w = std::to_string(width * scale_);
    const std::string h = std::to_string(height * scale_);
    std::string svg;
    svg.reserve(512 + SampleCount() * 10);
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"" + boxX + " " + boxY + " " + w +
           " " + h + "\">\n<title>" + SjisToUtf8(PictureTitle(number)) + "</title>\n<rect x=\"" + boxX + "\" y=\"" + boxY +
           "\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#FFFFFF\"/>\n<g fill=\"none\" stroke-width=\"" +
           std::to_string(PenWidth()) + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";

    // A stroke is a path once its pen has moved: a single point leaves no
    // mark in the JPEG either. After the first point the path goes by
    // relative steps, whole pen units like the points, so it is exact and
    // about half as long; a repeated point adds nothing.
    std::size_t pathStart = 0;
    int32_t lastX = 0;
    int32_t lastY = 0;
    ForEachStrokePath(
        SampleCount() > 0 ? &Sample(0) : nullptr, SampleCount(), shiftFrom_, shiftX_, shiftY_,
        [&](int32_t x, int32_t y, uint16_t penColor) {
            pathStart = svg.size();
            svg += "<path stroke=\"";
            svg += PenColorOf(penColor).html;
            svg += "\" d=\"M";
            AppendNumber(svg, x);
            svg += ' ';
            AppendNumber(svg, y);
            lastX = x;
            lastY = y;
        },
        [&](int32_t x, int32_t y, bool first) {
            if (first)
                svg += 'l';
            else if (x >= lastX)
                svg += ' ';
            // A minus sign separates a step from the one before by itself.
            AppendNumber(svg, x - lastX);
            if (y >= lastY)
                svg += ' ';
            AppendNumber(svg, y - lastY);
            lastX = x;
            lastY = y;
        },
        [&](bool moved) {
            if (moved)
                svg += "\"/>\n";
            else
                svg.resize(pathStart);
        });
    svg += "</g>\n</svg>\n";
    return svg;
}

bool CInkStrokes::DrawPicture(const std::string& name, int32_t index, const std::function<bool(CImageFile&)>& save)
{
    pictureName_ = name;
    pictureFile_ = name + "." + std::to_string(index) + ".JPG";
    svgFile_.clear();

    if (!CreatePictureBitmap()) {
        errno = ENOMEM;
        return false;
    }
    // The drawing objects go on every way out, exceptions included.
    struct Release {
        CInkStrokes& owner;
        ~Release() { owner.ReleasePictureBitmap(); }
    } release{*this};

    if (!DrawSamples()) {
        errno = ENOMEM;
        return false;
    }
    // The drawing is done: its pixels become the image's, no copy made.
    CImageFile image(pictureBitmap_->TakeImage());
    return save(image);
}

bool CInkStrokes::CreatePictureBitmap()
{
    const int32_t width = PictureWidth();
    const int32_t height = PictureHeight();
    ReleasePictureBitmap();
    memoryDc_ = CRasterDc::CreateMemoryDc();
    pictureBitmap_ = CRasterBitmap::CreateDibSection(width, height, kRgbWhite);
    if (!memoryDc_ || !pictureBitmap_) {
        ReleasePictureBitmap();
        return false;
    }
    previousBitmap_ = memoryDc_->SelectObject(pictureBitmap_.get());
    // Drawing coordinate (0, 0) falls inside the margin.
    memoryDc_->SetWindowOrigin(-kMargin, -kMargin);
    return true;
}

void CInkStrokes::ReleasePictureBitmap()
{
    if (memoryDc_ && previousBitmap_ != nullptr)
        memoryDc_->SelectObject(previousBitmap_);
    previousBitmap_ = nullptr;
    pictureBitmap_.reset();
    memoryDc_.reset();
}

// Every stroke draws with a pen of its own color, selected at its pen-down
// and dropped at its pen-up. False only when a pen cannot be had.
bool CInkStrokes::DrawSamples()
{
    CRasterDc& dc = *memoryDc_;
    std::unique_ptr<CRasterPen> pen;
    CRasterObject* previousPen = nullptr;
    const auto dropPen = [&] {
        if (pen) {
            dc.SelectObject(previousPen);
            pen.reset();
        }
    };

    // Samples come many to a pixel. The wide pen marks the end of every line,
    // so once a line has been drawn since the pen went down, a line to the
    // current position would only mark that square again.
    static_assert(kPenWidth > 1, "a one-pixel pen leaves the end of its lines out");
    bool marked = false;
    for (std::size_t i = 0; i < SampleCount(); ++i) {
        const StrokeSample& sample = Sample(i);
        const bool shifted = i >= shiftFrom_;
        const int32_t x = (ShiftedCoordinate(sample.x, shifted ? shiftX_ : 0) - MinX()) / scale_;
        const int32_t y = (ShiftedCoordinate(sample.y, shifted ? shiftY_ : 0) - MinY()) / scale_;
        switch (sample.kind) {
        case StrokeSample::PenDown:
            // A stroke cut off before its pen-up ends here.
            dropPen();
            pen = CRasterPen::CreateSolid(kPenWidth, PenColorOf(sample.penColor).rgb);
            if (!pen)
                return false;
            previousPen = dc.SelectObject(pen.get());
            dc.MoveTo(x, y);
            marked = false;
            break;
        case StrokeSample::PenMove:
            if (!marked || x != dc.GetCurrentX() || y != dc.GetCurrentY())
                dc.LineTo(x, y);
            marked = true;
            break;
        case StrokeSample::PenUp:
            dropPen();
            break;
        default:
            break;
        }
    }
    dropPen();
    return true;
}
