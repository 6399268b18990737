#include "image/ImageFile.h"

#include "image/BmpCodec.h"
#include "image/GifCodec.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

namespace {

struct TypeEntry {
    std::string_view extension;
    int32_t type;
};

// Sorted by extension for the bisection in GetTypeFromFileName.
constexpr TypeEntry kTypeTable[] = {
    {"BMP", ImageType::Bmp}, {"GIF", ImageType::Gif}, {"JPG", ImageType::Jpeg},
    {"PNG", ImageType::Png}, {"XPM", ImageType::Xpm},
};

// ASCII only: file names are Shift_JIS, whose trail bytes must not be folded
// by a locale.
char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int CompareIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
        const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

CImageFile::CImageFile(const CRasterBitmap& bitmap)
    : typeCode_(ImageType::Bmp), impl_(std::make_unique<CBmpCodec>(std::string()))
{
    const RasterImage& source = bitmap.Image();
    // Both sides keep 24-bit rows bottom-up, padded to 4 bytes: one block copy.
    // An image that cannot be made stays empty, and saving it fails.
    static_cast<void>(
        impl_->CreateFromPixels(source.width, source.height, CRasterBitmap::GetBitsPerPixel(), source.bits.data()));
}

CImageFile::CImageFile(RasterImage&& pixels)
    : typeCode_(ImageType::Bmp), impl_(std::make_unique<CBmpCodec>(std::string()))
{
    static_cast<void>(impl_->AdoptPixels(pixels.width, pixels.height, pixels.bits));
}

CImageFile::~CImageFile() = default;

int32_t CImageFile::GetTypeFromFileName(const std::string& name)
{
    std::string_view extension = name;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        extension.remove_prefix(dot + 1);
    if (extension.empty())
        return ImageType::FromName;

    std::size_t low = 0;
    std::size_t high = std::size(kTypeTable);
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const int order = CompareIgnoringCase(extension, kTypeTable[middle].extension);
        if (order == 0)
            return kTypeTable[middle].type;
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return ImageType::FromName;
}

bool CImageFile::Create(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t colorType)
{
    if (!impl_ && !CreateImplForType(typeCode_))
        return false;
    return impl_->Create(width, height, bitsPerPixel, colorType);
}

bool CImageFile::CreateImplForType(int32_t type)
{
    impl_.reset();
    switch (type) {
    case ImageType::Bmp:
        impl_ = std::make_unique<CBmpCodec>(fileName_);
        return true;
    case ImageType::Jpeg:
        impl_ = std::make_unique<CJpegCodec>(fileName_);
        return true;
    case ImageType::Gif:
        impl_ = std::make_unique<CGifCodec>(fileName_);
        return true;
    case ImageType::Png:
        impl_ = std::make_unique<CPngCodec>(fileName_);
        return true;
    default:
        return false;
    }
}

bool CImageFile::Save(const std::string& name, int32_t type)
{
    if (!impl_)
        return false;
    fileName_ = name;
    return UseType(type == ImageType::FromName ? GetTypeFromFileName(name) : type) && impl_->WriteFile(name);
}

bool CImageFile::SaveTo(CSafeFile& file, int32_t type)
{
    if (!impl_)
        return false;
    fileName_ = file.Path();
    return UseType(type == ImageType::FromName ? GetTypeFromFileName(fileName_) : type) && impl_->WriteTo(file);
}

bool CImageFile::UseType(int32_t type)
{
    if (type != typeCode_) {
        std::unique_ptr<CImageImpl> previous = std::move(impl_);
        if (!CreateImplForType(type)) {
            impl_ = std::move(previous);
            return false;
        }
        impl_->TakeImageFrom(*previous);
        // Only now: a type without a format class must not become the current
        // one while the old implementation stays, or the next save under that
        // type would skip the swap and write the old format.
        typeCode_ = type;
    }
    return true;
}
