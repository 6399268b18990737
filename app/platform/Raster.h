#pragma once

#include "platform/ProcessMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A small stand-in for the GDI drawing the pictures need: a memory device
// context, 24-bit device-independent bitmaps, solid pens, filling, window
// origin, MoveTo and LineTo. It is portable code, used on every platform, so a
// picture comes out the same on Linux and on Windows.

struct RgbColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;

    friend bool operator==(const RgbColor& a, const RgbColor& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend bool operator!=(const RgbColor& a, const RgbColor& b) { return !(a == b); }
};

constexpr RgbColor kRgbBlack{0, 0, 0};
constexpr RgbColor kRgbWhite{255, 255, 255};

// The pixel rows of a picture, see LargeBlockAllocator.
using PixelBlock = std::vector<uint8_t, LargeBlockAllocator<uint8_t>>;

// The pixels of a 24-bit bitmap, laid out exactly as Windows keeps a bottom-up
// device-independent bitmap, so they can be handed to a DIB consumer as they are:
//   - bytesPerRow = ((3 * width + 3) / 4) * 4: every row is padded to a multiple
//     of 4 bytes; the padding bytes stay zero;
//   - rows are stored bottom-up: the first stored row is the BOTTOM row of the
//     picture, so picture row y (counted from the top) starts at byte
//     (height - 1 - y) * bytesPerRow;
//   - every pixel is three bytes in the order blue, green, red.
// bits holds bytesPerRow * height bytes.
struct RasterImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerRow = 0;
    PixelBlock bits;

    static int64_t StrideFor(int64_t width) { return (3 * width + 3) / 4 * 4; }

    bool Contains(int32_t x, int32_t y) const { return x >= 0 && x < width && y >= 0 && y < height; }

    // x and y count from the top-left corner, as on screen; the point must be inside.
    std::size_t OffsetOf(int32_t x, int32_t y) const
    {
        return static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(bytesPerRow) +
               3 * static_cast<std::size_t>(x);
    }
    RgbColor GetPixel(int32_t x, int32_t y) const
    {
        const std::size_t at = OffsetOf(x, y);
        return RgbColor{bits[at + 2], bits[at + 1], bits[at]};
    }
    void SetPixel(int32_t x, int32_t y, RgbColor color)
    {
        const std::size_t at = OffsetOf(x, y);
        bits[at] = color.blue;
        bits[at + 1] = color.green;
        bits[at + 2] = color.red;
    }
};

class CRasterDc;

// A bitmap or a pen that can be selected into a device context. An object is
// selected into at most one context at a time. Destroying an object that is
// still selected puts the context's default object of that kind back, so a
// context never draws with, or into, freed memory. A context's default objects
// can be selected into that context only.
class CRasterObject {
public:
    enum class Kind { Bitmap, Pen };

    virtual ~CRasterObject();
    CRasterObject(const CRasterObject&) = delete;
    CRasterObject& operator=(const CRasterObject&) = delete;

    Kind GetKind() const { return kind_; }
    const CRasterDc* SelectedInto() const { return selectedInto_; }

protected:
    explicit CRasterObject(Kind kind) : kind_(kind) {}

private:
    friend class CRasterDc;

    Kind kind_;
    CRasterDc* selectedInto_ = nullptr;
    const CRasterDc* defaultOf_ = nullptr;
};

// A 24-bit device-independent bitmap section.
class CRasterBitmap final : public CRasterObject {
public:
    // width x height pixels, all black (zero) like a fresh section. Null when a
    // side is not positive, when the pixel block would pass 2 GiB (the limit of a
    // signed 32-bit image size), or when memory is short.
    static std::unique_ptr<CRasterBitmap> CreateDibSection(int32_t width, int32_t height) noexcept;
    // The same with every pixel of the given color (the row padding zero).
    static std::unique_ptr<CRasterBitmap> CreateDibSection(int32_t width, int32_t height,
                                                           RgbColor background) noexcept;

    int32_t GetWidth() const { return image_.width; }
    int32_t GetHeight() const { return image_.height; }
    static constexpr int32_t GetBitsPerPixel() { return 24; }

    const RasterImage& Image() const { return image_; }
    RasterImage& Image() { return image_; }
    // Hands the pixels over, leaving a bitmap of 0 x 0 pixels that every
    // drawing operation clips away entirely; it may stay selected.
    RasterImage TakeImage();

private:
    explicit CRasterBitmap(RasterImage image);

    RasterImage image_;
};

// A solid pen. A width of 0 or 1 is a one-pixel (cosmetic) pen; a wider pen
// draws width x width squares, see CRasterDc::LineTo.
class CRasterPen final : public CRasterObject {
public:
    // Null when memory is short.
    static std::unique_ptr<CRasterPen> CreateSolid(int32_t width, RgbColor color) noexcept;

    int32_t GetWidth() const { return width_; }
    RgbColor GetColor() const { return color_; }

private:
    CRasterPen(int32_t width, RgbColor color);

    int32_t width_;
    RgbColor color_;
};

// A memory device context. Coordinates given to it are logical: logical point
// (x, y) is pixel (x - origin x, y - origin y) of the selected bitmap, counted
// from its top-left corner. Drawing is clipped to the bitmap.
class CRasterDc {
public:
    // Like a context compatible with the screen: a 1 x 1 default bitmap, a black
    // one-pixel default pen, window origin and current position (0, 0). Null
    // when memory is short.
    static std::unique_ptr<CRasterDc> CreateMemoryDc() noexcept;

    ~CRasterDc();
    CRasterDc(const CRasterDc&) = delete;
    CRasterDc& operator=(const CRasterDc&) = delete;

    // Selects a bitmap or a pen and returns the object of the same kind that it
    // replaces; that may be one of the context's defaults, which live as long as
    // the context. Returns null and changes nothing when object is null or is
    // selected into another context.
    CRasterObject* SelectObject(CRasterObject* object);

    CRasterBitmap& GetCurrentBitmap() const { return *bitmap_; }
    CRasterPen& GetCurrentPen() const { return *pen_; }

    // Fills the pixels left <= x < right, top <= y < bottom (logical).
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, RgbColor color);

    void SetWindowOrigin(int32_t x, int32_t y);
    int32_t GetWindowOriginX() const { return originX_; }
    int32_t GetWindowOriginY() const { return originY_; }

    // Sets the current position; draws nothing.
    void MoveTo(int32_t x, int32_t y);

    // Draws from the current position to (x, y) with the selected pen and makes
    // (x, y) the current position. The line steps one pixel at a time along its
    // longer axis (x when both are equal); at step i the other coordinate is the
    // start's plus i * (its distance) / (the longer distance), rounded to the
    // nearest pixel with halves going away from the start. A one-pixel pen leaves
    // the end point out, as GDI does, so a polyline sets each joint once and a
    // line to the current position draws nothing. A pen of width w stamps a
    // w x w square at every step including the end point, covering pixels
    // p - w/2 ... p - w/2 + w - 1 on each axis (for width 2: the pixel and its
    // left, upper and upper-left neighbours, like a GDI wide pen on the pixel
    // grid); a line to the current position leaves one square.
    // Lines with a pixel coordinate beyond +-2^27 are not drawn, as in GDI's
    // 28-bit device space.
    void LineTo(int32_t x, int32_t y);
    int32_t GetCurrentX() const { return currentX_; }
    int32_t GetCurrentY() const { return currentY_; }

private:
    friend class CRasterObject;

    CRasterDc(std::unique_ptr<CRasterBitmap> defaultBitmap, std::unique_ptr<CRasterPen> defaultPen);
    void Deselect(CRasterObject& object);
    // Pixels left <= x < right, top <= y < bottom of the bitmap, clipped to it.
    void FillDeviceRect(int64_t left, int64_t top, int64_t right, int64_t bottom, RgbColor color);
    void Stamp(int64_t x, int64_t y, int32_t size, RgbColor color);
    // The line's squares, all inside the bitmap; size is the pen's, at least 1.
    [[gnu::always_inline]] void DrawInside(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t size);
    void DrawClipped(int64_t x0, int64_t y0, int64_t x1, int64_t y1);

    std::unique_ptr<CRasterBitmap> defaultBitmap_;
    std::unique_ptr<CRasterPen> defaultPen_;
    CRasterBitmap* bitmap_;
    CRasterPen* pen_;
    int32_t originX_ = 0;
    int32_t originY_ = 0;
    int32_t currentX_ = 0;
    int32_t currentY_ = 0;
};
