#include "platform/Raster.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

// Device coordinates past this are not drawn; it keeps every product of the
// line arithmetic far inside 64 bits.
constexpr int64_t kDeviceLimit = int64_t{1} << 27;

int64_t Magnitude(int64_t value)
{
    return value < 0 ? -value : value;
}

}  // namespace

CRasterObject::~CRasterObject()
{
    if (selectedInto_ != nullptr)
        selectedInto_->Deselect(*this);
}

CRasterBitmap::CRasterBitmap(RasterImage image) : CRasterObject(Kind::Bitmap), image_(std::move(image)) {}

std::unique_ptr<CRasterBitmap> CRasterBitmap::CreateDibSection(int32_t width, int32_t height) noexcept
{
    return CreateDibSection(width, height, kRgbBlack);
}

std::unique_ptr<CRasterBitmap> CRasterBitmap::CreateDibSection(int32_t width, int32_t height,
                                                               RgbColor background) noexcept
{
    if (width <= 0 || height <= 0)
        return nullptr;
    const int64_t stride = RasterImage::StrideFor(width);
    if (stride * height > std::numeric_limits<int32_t>::max())
        return nullptr;
    try {
        RasterImage image;
        image.width = width;
        image.height = height;
        image.bytesPerRow = static_cast<int32_t>(stride);
        const auto size = static_cast<std::size_t>(stride * height);
        // One row is made pixel by pixel, the others are copies of it: the
        // block (left uninitialised by its allocator) is written once.
        image.bits.resize(size);
        const auto rowBytes = static_cast<std::size_t>(stride);
        uint8_t* const first = image.bits.data();
        for (int32_t x = 0; x < width; ++x) {
            first[3 * static_cast<std::size_t>(x)] = background.blue;
            first[3 * static_cast<std::size_t>(x) + 1] = background.green;
            first[3 * static_cast<std::size_t>(x) + 2] = background.red;
        }
        std::memset(first + 3 * static_cast<std::size_t>(width), 0, rowBytes - 3 * static_cast<std::size_t>(width));
        for (std::size_t at = rowBytes; at < size; at += rowBytes)
            std::memcpy(first + at, first, rowBytes);
        return std::unique_ptr<CRasterBitmap>(new CRasterBitmap(std::move(image)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

RasterImage CRasterBitmap::TakeImage()
{
    RasterImage taken = std::move(image_);
    image_ = RasterImage{};
    return taken;
}

CRasterPen::CRasterPen(int32_t width, RgbColor color) : CRasterObject(Kind::Pen), width_(width), color_(color) {}

std::unique_ptr<CRasterPen> CRasterPen::CreateSolid(int32_t width, RgbColor color) noexcept
{
    return std::unique_ptr<CRasterPen>(new (std::nothrow) CRasterPen(width, color));
}

CRasterDc::CRasterDc(std::unique_ptr<CRasterBitmap> defaultBitmap, std::unique_ptr<CRasterPen> defaultPen)
    : defaultBitmap_(std::move(defaultBitmap)),
      defaultPen_(std::move(defaultPen)),
      bitmap_(defaultBitmap_.get()),
      pen_(defaultPen_.get())
{
    for (CRasterObject* object : {static_cast<CRasterObject*>(bitmap_), static_cast<CRasterObject*>(pen_)}) {
        object->defaultOf_ = this;
        object->selectedInto_ = this;
    }
}

std::unique_ptr<CRasterDc> CRasterDc::CreateMemoryDc() noexcept
{
    std::unique_ptr<CRasterBitmap> bitmap = CRasterBitmap::CreateDibSection(1, 1);
    std::unique_ptr<CRasterPen> pen = CRasterPen::CreateSolid(1, kRgbBlack);
    if (!bitmap || !pen)
        return nullptr;
    return std::unique_ptr<CRasterDc>(new (std::nothrow) CRasterDc(std::move(bitmap), std::move(pen)));
}

CRasterDc::~CRasterDc()
{
    // Whatever is selected now (defaults included) must not call back into this
    // context when it dies later.
    bitmap_->selectedInto_ = nullptr;
    pen_->selectedInto_ = nullptr;
}

CRasterObject* CRasterDc::SelectObject(CRasterObject* object)
{
    if (object == nullptr)
        return nullptr;
    if (object->selectedInto_ != nullptr && object->selectedInto_ != this)
        return nullptr;
    if (object->defaultOf_ != nullptr && object->defaultOf_ != this)
        return nullptr;

    CRasterObject* previous = nullptr;
    if (object->GetKind() == CRasterObject::Kind::Bitmap) {
        previous = std::exchange(bitmap_, static_cast<CRasterBitmap*>(object));
    } else {
        previous = std::exchange(pen_, static_cast<CRasterPen*>(object));
    }
    previous->selectedInto_ = nullptr;
    object->selectedInto_ = this;
    return previous;
}

void CRasterDc::Deselect(CRasterObject& object)
{
    if (&object == bitmap_) {
        bitmap_ = defaultBitmap_.get();
        bitmap_->selectedInto_ = this;
    } else if (&object == pen_) {
        pen_ = defaultPen_.get();
        pen_->selectedInto_ = this;
    }
    object.selectedInto_ = nullptr;
}

void CRasterDc::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, RgbColor color)
{
    FillDeviceRect(int64_t{left} - originX_, int64_t{top} - originY_, int64_t{right} - originX_,
                   int64_t{bottom} - originY_, color);
}

void CRasterDc::FillDeviceRect(int64_t left, int64_t top, int64_t right, int64_t bottom, RgbColor color)
{
    RasterImage& image = bitmap_->Image();
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(right, image.width);
    const int64_t y1 = std::min<int64_t>(bottom, image.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* p = image.bits.data() + image.OffsetOf(static_cast<int32_t>(x0), static_cast<int32_t>(y));
        for (int64_t x = x0; x < x1; ++x, p += 3) {
            p[0] = color.blue;
            p[1] = color.green;
            p[2] = color.red;
        }
    }
}

void CRasterDc::SetWindowOrigin(int32_t x, int32_t y)
{
    originX_ = x;
    originY_ = y;
}

void CRasterDc::MoveTo(int32_t x, int32_t y)
{
    currentX_ = x;
    currentY_ = y;
}

void CRasterDc::Stamp(int64_t x, int64_t y, int32_t size, RgbColor color)
{
    const int64_t back = size / 2;
    FillDeviceRect(x - back, y - back, x - back + size, y - back + size, color);
}

// Walks the line as LineTo does, every square inside the bitmap, by moving a
// pixel pointer: p addresses the lowest byte of the current square, its left
// pixel on its bottom row. Rows are stored bottom-up, so a step down the
// picture is a step back in memory. Lines between pen samples are a few
// pixels long, so the set-up is kept as small as the walk.
inline void CRasterDc::DrawInside(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t size)
{
    RasterImage& image = bitmap_->Image();
    const RgbColor color = pen_->GetColor();
    const auto stride = static_cast<std::ptrdiff_t>(image.bytesPerRow);
    int32_t run = x1 - x0;
    int32_t rise = y1 - y0;
    std::ptrdiff_t majorStep = 3;
    std::ptrdiff_t minorStep = -stride;
    if (run < 0) {
        run = -run;
        majorStep = -3;
    }
    if (rise < 0) {
        rise = -rise;
        minorStep = stride;
    }
    if (rise > run) {
        std::swap(run, rise);
        std::swap(majorStep, minorStep);
    }
    const int32_t back = size / 2;
    uint8_t* p = image.bits.data() + image.OffsetOf(x0 - back, y0 - back + size - 1);
    // A one-pixel pen leaves the end point out.
    const int32_t steps = size > 1 ? run + 1 : run;
    const int32_t denominator = 2 * run;
    const int32_t riseStep = 2 * rise;
    int32_t remainder = run;

    const uint8_t pattern[6] = {color.blue, color.green, color.red, color.blue, color.green, color.red};
    // The pointer moves only between squares, never past the last one.
    const auto next = [&] {
        p += majorStep;
        remainder += riseStep;
        if (remainder >= denominator) {
            remainder -= denominator;
            p += minorStep;
        }
    };
    if (steps == 0)
        return;
    if (size == 2) {
        for (int32_t i = 1;; ++i) {
            std::memcpy(p, pattern, 6);
            std::memcpy(p + stride, pattern, 6);
            if (i == steps)
                return;
            next();
        }
    }
    for (int32_t i = 1;; ++i) {
        uint8_t* row = p;
        for (int32_t r = 0; r < size; ++r, row += stride) {
            uint8_t* q = row;
            for (int32_t c = 0; c < size; ++c, q += 3)
                std::memcpy(q, pattern, 3);
        }
        if (i == steps)
            return;
        next();
    }
}

void CRasterDc::LineTo(int32_t x, int32_t y)
{
    const int64_t x0 = int64_t{currentX_} - originX_;
    const int64_t y0 = int64_t{currentY_} - originY_;
    const int64_t x1 = int64_t{x} - originX_;
    const int64_t y1 = int64_t{y} - originY_;
    currentX_ = x;
    currentY_ = y;

    // Nearly every line of a picture lies wholly inside it: then the squares
    // at both ends are inside, and every square between them too, and the
    // line needs no clipping at all. A bitmap is smaller than 2 GiB, so its
    // sides and every point inside fit 32 bits.
    {
        const RasterImage& image = bitmap_->Image();
        const int32_t size = std::max(pen_->GetWidth(), 1);
        const int64_t back = size / 2;
        // Capped at the device limit, past which nothing is drawn anyway.
        const int64_t xRoom = std::min<int64_t>(image.width, kDeviceLimit) - size;
        const int64_t yRoom = std::min<int64_t>(image.height, kDeviceLimit) - size;
        const auto within = [](int64_t at, int64_t room) {
            return static_cast<uint64_t>(at) <= static_cast<uint64_t>(room);
        };
        if ((xRoom | yRoom) >= 0 && within(x0 - back, xRoom) && within(x1 - back, xRoom) &&
            within(y0 - back, yRoom) && within(y1 - back, yRoom)) {
            DrawInside(static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1),
                       static_cast<int32_t>(y1), size);
            return;
        }
    }
    DrawClipped(x0, y0, x1, y1);
}

// The general walk: squares outside the bitmap are clipped away one by one,
// and only the steps whose squares can reach it are walked.
void CRasterDc::DrawClipped(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    for (int64_t coordinate : {x0, y0, x1, y1}) {
        if (Magnitude(coordinate) > kDeviceLimit)
            return;
    }

    const int32_t size = std::max(pen_->GetWidth(), 1);
    const RgbColor color = pen_->GetColor();
    const bool xMajor = Magnitude(x1 - x0) >= Magnitude(y1 - y0);
    const int64_t major0 = xMajor ? x0 : y0;
    const int64_t minor0 = xMajor ? y0 : x0;
    const int64_t majorDelta = xMajor ? x1 - x0 : y1 - y0;
    const int64_t minorDelta = xMajor ? y1 - y0 : x1 - x0;
    const int64_t majorSign = majorDelta < 0 ? -1 : 1;
    const int64_t minorSign = minorDelta < 0 ? -1 : 1;
    const int64_t run = Magnitude(majorDelta);
    const int64_t rise = Magnitude(minorDelta);

    // Only the steps whose stamp can reach the bitmap along the longer axis are
    // walked, so a long line costs no more than the bitmap is wide.
    int64_t first = 0;
    int64_t last = size > 1 ? run : run - 1;
    const RasterImage& image = bitmap_->Image();
    const int64_t extent = xMajor ? image.width : image.height;
    const int64_t lowest = size / 2 - size + 1;
    const int64_t highest = extent - 1 + size / 2;
    if (majorSign > 0) {
        first = std::max(first, lowest - major0);
        last = std::min(last, highest - major0);
    } else {
        first = std::max(first, major0 - highest);
        last = std::min(last, major0 - lowest);
    }

    if (first > last)
        return;
    // The minor offset of step i is (2 i rise + run) / (2 run), rounded down;
    // it is carried from step to step (rise <= run, so it grows by at most one)
    // instead of divided anew.
    const int64_t denominator = 2 * run;
    int64_t offset = 0;
    int64_t remainder = run;
    // Most lines start at step 0, which needs no division: the short lines
    // between pen samples would spend most of their time in it.
    if (first > 0 && run != 0) {
        offset = (2 * first * rise + run) / denominator;
        remainder = (2 * first * rise + run) % denominator;
    }

    for (int64_t i = first; i <= last; ++i) {
        if (i > first && run != 0) {
            remainder += 2 * rise;
            if (remainder >= denominator) {
                remainder -= denominator;
                ++offset;
            }
        }
        const int64_t major = major0 + majorSign * i;
        const int64_t minor = minor0 + minorSign * offset;
        if (xMajor)
            Stamp(major, minor, size, color);
        else
            Stamp(minor, major, size, color);
    }
}
