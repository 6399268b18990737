#pragma once

#include "platform/MessageBox.h"
#include "platform/Raster.h"
#include "platform/SafeFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One entry of a logical palette.
struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

using ImagePalette = std::vector<PaletteEntry>;

// An image held as a Windows device-independent bitmap, and the base of the
// file format classes.
//
// dib_ holds the 40-byte bitmap information header (little-endian,
// uncompressed, positive height), then for 8 bits per pixel or less a color
// table of 2^bitsPerPixel entries of 4 bytes (blue, green, red, 0). The pixel
// rows follow it in a file but are kept in a block of their own, rows_, so
// that a drawn picture can be handed over without a copy: bottom-up, each
// bytesPerRow bytes. bits_ points at the first row; it is null while the image
// has no pixels. Pixel coordinates count from the top-left corner; 24-bit
// pixels are stored blue, green, red.
class CImageImpl {
public:
    static constexpr std::size_t kInfoHeaderSize = 40;

    explicit CImageImpl(std::string name = {});
    virtual ~CImageImpl() = default;
    CImageImpl(const CImageImpl&) = delete;
    CImageImpl& operator=(const CImageImpl&) = delete;

    virtual bool IsInside(int32_t x, int32_t y) const;
    // bitsPerPixel is 1, 4, 8, 16, 24 or 32; colorType -1 derives it (0 up to
    // 8 bits per pixel, 2 above). Pixels start at zero, the color table of a
    // shallow image as a grey ramp from black to white. Replaces any earlier
    // image; false, leaving the image empty, for a bad size or depth or when
    // memory is short.
    virtual bool Create(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, int32_t newColorType);
    // As Create with the derived color type, the pixel rows copied from
    // pixels (bytesPerRow * height bytes, bottom-up, rows padded to 4 bytes)
    // instead of zeroed.
    bool CreateFromPixels(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, const uint8_t* pixels);
    // As CreateFromPixels for a 24-bit image, taking the rows over instead of
    // copying them; pixelRows must hold exactly bytesPerRow * height bytes.
    // On failure (bad size, memory short) the image is empty and pixelRows is
    // left as it was.
    bool AdoptPixels(int32_t newWidth, int32_t newHeight, PixelBlock& pixelRows);
    // Index of a pixel of an image of 8 bits per pixel or less; 0 elsewhere.
    virtual uint8_t GetPixelIndex(int32_t x, int32_t y) const;
    // Color of a pixel of any depth (shallow images through the color table,
    // 16 bits as 5-5-5); black outside the image.
    virtual RgbColor GetPixelColor(int32_t x, int32_t y) const;
    virtual bool SetPixelIndex(int32_t x, int32_t y, uint8_t index);
    // For 16, 24 and 32 bits per pixel.
    virtual bool SetPixelColor(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue);
    virtual bool ReadFile(const std::string& name);
    // Writes the image as the file `name` (the stored name when empty)
    // through the one file writer: the file is there whole, or what was there
    // before stays. False when the format cannot be written or any of it
    // fails.
    virtual bool WriteFile(const std::string& name);
    // Writes the image in the format into a file being written, which the
    // caller finishes and publishes; false when the format has no writer,
    // there are no pixels or the encoder fails. The base writes nothing.
    virtual bool WriteTo(CSafeFile& file);

    // Moves the whole image (memory block, pixel pointer, palette, transparent
    // index, size, depth, color type) out of other, which is left empty.
    void TakeImageFrom(CImageImpl& other);

    // Sets the palette of an image of 8 bits per pixel or less and copies it
    // into the color table. An image keeps its first palette: setting another
    // is refused with a message on `messages`.
    bool SetPalette(const ImagePalette& palette, IMessageBox& messages);
    const ImagePalette* GetPalette() const { return imagePalette_ ? &*imagePalette_ : nullptr; }

    bool IsValid() const { return bits_ != nullptr; }
    const uint8_t* GetBits() const { return bits_; }
    uint8_t* GetBits() { return bits_; }
    const std::vector<uint8_t>& GetDib() const { return dib_; }
    const PixelBlock& GetRows() const { return rows_; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    int32_t GetBitsPerPixel() const { return bitsPerPixel_; }
    int32_t GetColorType() const { return colorType_; }
    int32_t GetBytesPerRow() const { return bytesPerRow_; }
    int32_t GetTransparentIndex() const { return transparentIndex_; }
    void SetTransparentIndex(int32_t index) { transparentIndex_ = index; }
    const std::string& GetFileName() const { return fileName_; }

    // Picture row y (from the top) inside the memory block.
    const uint8_t* RowFromTop(int32_t y) const
    {
        return bits_ + static_cast<std::size_t>(height_ - 1 - y) * static_cast<std::size_t>(bytesPerRow_);
    }

protected:
    uint8_t* WritableRowFromTop(int32_t y)
    {
        return bits_ + static_cast<std::size_t>(height_ - 1 - y) * static_cast<std::size_t>(bytesPerRow_);
    }
    int32_t ColorTableEntries() const { return bitsPerPixel_ <= 8 ? 1 << bitsPerPixel_ : 0; }
    uint8_t* ColorTable() { return dib_.data() + kInfoHeaderSize; }
    const uint8_t* ColorTable() const { return dib_.data() + kInfoHeaderSize; }

    uint8_t* bits_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitsPerPixel_ = 0;
    int32_t colorType_ = 0;
    int32_t bytesPerRow_ = 0;
    std::vector<uint8_t> dib_;
    PixelBlock rows_;
    int32_t transparentIndex_ = -1;
    std::optional<ImagePalette> imagePalette_;
    std::string fileName_;

private:
    // pixels: copied in when given; adopted: taken over instead (24 bits
    // only); neither: zeroed rows.
    bool Allocate(int32_t newWidth, int32_t newHeight, int32_t newBitsPerPixel, int32_t newColorType,
                  const uint8_t* pixels, PixelBlock* adopted = nullptr);
};
