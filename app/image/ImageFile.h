#pragma once

#include "image/ImageImpl.h"
#include "platform/Raster.h"

#include <cstdint>
#include <memory>
#include <string>

// Image type codes. FromName asks Save to take the type from the file name.
struct ImageType {
    static constexpr int32_t FromName = -1;
    static constexpr int32_t Bmp = 0;
    static constexpr int32_t Jpeg = 1;
    static constexpr int32_t Gif = 2;
    static constexpr int32_t Xpm = 3;  // listed, but has no format class
    static constexpr int32_t Png = 4;
};

// An image object: a type code, a file name and the one implementation of that
// type, which owns the pixels. Saving under another type moves the pixels
// into an implementation of the new type.
class CImageFile {
public:
    // No implementation yet; typeCode_ Bmp. Create makes one of typeCode_.
    CImageFile() = default;
    // Type Bmp, holding a copy of the bitmap's pixels: 24 bits per pixel,
    // colorType 2, no palette. When memory is short the image is left without
    // pixels (IsValid false) and every save fails.
    explicit CImageFile(const CRasterBitmap& bitmap);
    // The same, taking the pixels over instead of copying them (see
    // CRasterBitmap::TakeImage). When memory is short the image is left
    // without pixels, as above.
    explicit CImageFile(RasterImage&& pixels);
    ~CImageFile();
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    // The type for the text after the last "." of name (the whole name when it
    // has no "."), compared without regard to case; FromName when the name ends
    // in "." or the text is not in the table.
    static int32_t GetTypeFromFileName(const std::string& name);

    int32_t GetBytesPerRow() const { return impl_ ? impl_->GetBytesPerRow() : 0; }
    int32_t GetWidth() const { return impl_ ? impl_->GetWidth() : 0; }
    int32_t GetHeight() const { return impl_ ? impl_->GetHeight() : 0; }
    int32_t GetBitsPerPixel() const { return impl_ ? impl_->GetBitsPerPixel() : 0; }
    int32_t GetColorType() const { return impl_ ? impl_->GetColorType() : 0; }
    bool IsInside(int32_t x, int32_t y) const { return impl_ && impl_->IsInside(x, y); }
    // See CImageImpl::Create.
    bool Create(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t colorType = -1);
    // Replaces the implementation (and drops its image) by an empty one of the
    // format class of type. False, leaving no implementation, for Xpm or a code
    // outside the table.
    bool CreateImplForType(int32_t type);
    uint8_t GetPixelIndex(int32_t x, int32_t y) const { return impl_ ? impl_->GetPixelIndex(x, y) : 0; }
    RgbColor GetPixelColor(int32_t x, int32_t y) const { return impl_ ? impl_->GetPixelColor(x, y) : kRgbBlack; }
    bool SetPixelIndex(int32_t x, int32_t y, uint8_t index) { return impl_ && impl_->SetPixelIndex(x, y, index); }
    bool SetPixelColor(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue)
    {
        return impl_ && impl_->SetPixelColor(x, y, red, green, blue);
    }
    bool SetPalette(const ImagePalette& palette, IMessageBox& messages)
    {
        return impl_ && impl_->SetPalette(palette, messages);
    }
    const ImagePalette* GetPalette() const { return impl_ ? impl_->GetPalette() : nullptr; }
    bool IsValid() const { return impl_ && impl_->IsValid(); }

    // Writes the image as a file of type (FromName: by the name's extension).
    // False when there is no implementation, when the type has no format class
    // (the image, its implementation and typeCode_ then stay as they were) or
    // when the writer fails.
    bool Save(const std::string& name, int32_t type = ImageType::FromName);
    // The same into a file being written (type FromName: by its final name);
    // the caller finishes and publishes it.
    bool SaveTo(CSafeFile& file, int32_t type = ImageType::FromName);

    int32_t GetTypeCode() const { return typeCode_; }
    const std::string& GetFileName() const { return fileName_; }
    const CImageImpl* GetImpl() const { return impl_.get(); }

private:
    // Makes the implementation the one of `type`, moving the image into it;
    // false, with everything as it was, when the type has no format class.
    bool UseType(int32_t type);

    int32_t typeCode_ = ImageType::Bmp;
    std::string fileName_;
    std::unique_ptr<CImageImpl> impl_;
};
