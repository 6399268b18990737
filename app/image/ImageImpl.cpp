#include "image/ImageImpl.h"

#include "platform/MessageBox.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace {

void PutLe16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* at, uint32_t value)
{
    PutLe16(at, value);
    PutLe16(at + 2, value >> 16);
}

bool IsSupportedDepth(int32_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

// 5 bits of a 5-5-5 pixel spread over 0..255.
uint8_t Expand5(uint32_t value)
{
    return static_cast<uint8_t>((value << 3) | (value >> 2));
}

}  // namespace

CImageImpl::CImageImpl(std::string name) : fileName_(std::move(name)) {}

bool CImageImpl::IsInside(int32_t x, int32_t y) const
{
    return x >= 0 && x < width_ && y >= 0 && y < height_;
}

bool CImageImpl::Create(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, int32_t newColorType)
{
    return Allocate(newWidth, newHeight, newBitsPerPixel, newColorType, nullptr);
}

bool CImageImpl::CreateFromPixels(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, const uint8_t* pixels)
{
    return pixels != nullptr && Allocate(newWidth, newHeight, newBitsPerPixel, -1, pixels);
}

bool CImageImpl::AdoptPixels(int32_t newWidth, int32_t newHeight, PixelBlock& pixelRows)
{
    return Allocate(newWidth, newHeight, 24, -1, nullptr, &pixelRows);
}

bool CImageImpl::Allocate(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, int32_t newColorType,
                          const uint8_t* pixels, PixelBlock* adopted)
{
    std::vector<uint8_t>().swap(dib_);
    PixelBlock().swap(rows_);
    bits_ = nullptr;
    width_ = height_ = bitsPerPixel_ = bytesPerRow_ = colorType_ = 0;
    transparentIndex_ = -1;
    imagePalette_.reset();

    if (newWidth <= 0 || newHeight <= 0 || !IsSupportedDepth(newBitsPerPixel))
        return false;
    const int64_t stride = (int64_t{newBitsPerPixel} * newWidth + 31) / 32 * 4;
    const int64_t imageSize = stride * newHeight;
    if (imageSize > std::numeric_limits<int32_t>::max())
        return false;
    if (adopted != nullptr && (newBitsPerPixel != 24 || adopted->size() != static_cast<std::size_t>(imageSize)))
        return false;
    const int32_t entries = newBitsPerPixel <= 8 ? 1 << newBitsPerPixel : 0;
    const std::size_t tableSize = 4 * static_cast<std::size_t>(entries);
    try {
        dib_.assign(kInfoHeaderSize + tableSize, 0);
        if (adopted != nullptr)
            rows_.swap(*adopted);
        else if (pixels != nullptr)
            rows_.assign(pixels, pixels + imageSize);
        else
            rows_.assign(static_cast<std::size_t>(imageSize), 0);
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(dib_);
        PixelBlock().swap(rows_);
        return false;
    }

    uint8_t* header = dib_.data();
    PutLe32(header, kInfoHeaderSize);
    PutLe32(header + 4, static_cast<uint32_t>(newWidth));
    PutLe32(header + 8, static_cast<uint32_t>(newHeight));
    PutLe16(header + 12, 1);
    PutLe16(header + 14, static_cast<uint32_t>(newBitsPerPixel));
    PutLe32(header + 20, static_cast<uint32_t>(imageSize));
    // Compression (uncompressed), resolution and the color counts stay zero:
    // zero colors used means a full table.

    width_ = newWidth;
    height_ = newHeight;
    bitsPerPixel_ = newBitsPerPixel;
    bytesPerRow_ = static_cast<int32_t>(stride);
    colorType_ = newColorType >= 0 ? newColorType : (newBitsPerPixel <= 8 ? 0 : 2);
    for (int32_t i = 0; i < entries; ++i) {
        const auto grey = static_cast<uint8_t>(i * 255 / (entries - 1));
        uint8_t* entry = ColorTable() + 4 * i;
        entry[0] = entry[1] = entry[2] = grey;
    }
    bits_ = rows_.data();
    return true;
}

uint8_t CImageImpl::GetPixelIndex(int32_t x, int32_t y) const
{
    if (!IsInside(x, y) || bitsPerPixel_ > 8)
        return 0;
    const auto bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bitsPerPixel_);
    const int shift = 8 - bitsPerPixel_ - static_cast<int>(bit % 8);
    const auto mask = static_cast<unsigned>((1 << bitsPerPixel_) - 1);
    return static_cast<uint8_t>((static_cast<unsigned>(RowFromTop(y)[bit / 8]) >> shift) & mask);
}

RgbColor CImageImpl::GetPixelColor(int32_t x, int32_t y) const
{
    if (!IsInside(x, y))
        return kRgbBlack;
    const uint8_t* row = RowFromTop(y);
    const auto column = static_cast<std::size_t>(x);
    switch (bitsPerPixel_) {
    case 16: {
        const uint32_t value = row[2 * column] | static_cast<uint32_t>(row[2 * column + 1]) << 8;
        return RgbColor{Expand5((value >> 10) & 31), Expand5((value >> 5) & 31), Expand5(value & 31)};
    }
    case 24:
        return RgbColor{row[3 * column + 2], row[3 * column + 1], row[3 * column]};
    case 32:
        return RgbColor{row[4 * column + 2], row[4 * column + 1], row[4 * column]};
    default: {
        const uint8_t* entry = ColorTable() + 4 * std::size_t{GetPixelIndex(x, y)};
        return RgbColor{entry[2], entry[1], entry[0]};
    }
    }
}

bool CImageImpl::SetPixelIndex(int32_t x, int32_t y, uint8_t index)
{
    if (!IsInside(x, y) || bitsPerPixel_ > 8 || index >= ColorTableEntries())
        return false;
    const auto bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bitsPerPixel_);
    const int shift = 8 - bitsPerPixel_ - static_cast<int>(bit % 8);
    const auto mask = static_cast<unsigned>(((1 << bitsPerPixel_) - 1) << shift);
    uint8_t& byte = WritableRowFromTop(y)[bit / 8];
    byte = static_cast<uint8_t>((byte & ~mask) | (static_cast<unsigned>(index) << shift));
    return true;
}

bool CImageImpl::SetPixelColor(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue)
{
    if (!IsInside(x, y) || bitsPerPixel_ <= 8)
        return false;
    uint8_t* row = WritableRowFromTop(y);
    const auto column = static_cast<std::size_t>(x);
    switch (bitsPerPixel_) {
    case 16: {
        const uint32_t value = static_cast<uint32_t>(red >> 3) << 10 | static_cast<uint32_t>(green >> 3) << 5 |
                               static_cast<uint32_t>(blue >> 3);
        PutLe16(row + 2 * column, value);
        return true;
    }
    case 24:
    case 32: {
        uint8_t* pixel = row + column * static_cast<std::size_t>(bitsPerPixel_ / 8);
        pixel[0] = blue;
        pixel[1] = green;
        pixel[2] = red;
        return true;
    }
    default:
        return false;
    }
}

bool CImageImpl::ReadFile(const std::string&)
{
    return false;
}

bool CImageImpl::WriteFile(const std::string& name)
{
    if (!name.empty())
        fileName_ = name;
    CSafeFile file;
    if (file.Open(fileName_) != 0 || !WriteTo(file))
        return false;
    return file.Commit() == 0;
}

bool CImageImpl::WriteTo(CSafeFile&)
{
    return false;
}

void CImageImpl::TakeImageFrom(CImageImpl& other)
{
    if (&other == this)
        return;
    // Moving the vectors keeps their buffers, so other's pixel pointer stays valid here.
    dib_ = std::move(other.dib_);
    rows_ = std::move(other.rows_);
    bits_ = std::exchange(other.bits_, nullptr);
    imagePalette_ = std::move(other.imagePalette_);
    transparentIndex_ = std::exchange(other.transparentIndex_, -1);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bitsPerPixel_ = std::exchange(other.bitsPerPixel_, 0);
    colorType_ = std::exchange(other.colorType_, 0);
    bytesPerRow_ = std::exchange(other.bytesPerRow_, 0);
    std::vector<uint8_t>().swap(other.dib_);
    PixelBlock().swap(other.rows_);
    other.imagePalette_.reset();
}

bool CImageImpl::SetPalette(const ImagePalette& palette, IMessageBox& messages)
{
    if (imagePalette_) {
        messages.Show({"CImageImpl::imagePalette already exists!", MessageIcon::None});
        return false;
    }
    if (bits_ == nullptr || bitsPerPixel_ > 8)
        return false;
    const std::size_t count = std::min(palette.size(), static_cast<std::size_t>(ColorTableEntries()));
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t* entry = ColorTable() + 4 * i;
        entry[0] = palette[i].blue;
        entry[1] = palette[i].green;
        entry[2] = palette[i].red;
    }
    imagePalette_ = palette;
    return true;
}
