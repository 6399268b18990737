#include "image/ImageFile.h"
#include "image/JpegCodec.h"
#include "MessageLog.h"
#include "platform/Raster.h"

#include "DecodedJpeg.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<CRasterBitmap> GradientBitmap(int32_t width, int32_t height)
{
    std::unique_ptr<CRasterBitmap> bitmap = CRasterBitmap::CreateDibSection(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            bitmap->Image().SetPixel(x, y, RgbColor{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 200});
    }
    return bitmap;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t at)
{
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

TEST(ImageFile, TypeComesFromTheTextAfterTheLastDot)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"page.3.JPG", ImageType::Jpeg}, {"PAGE.3.jpg", ImageType::Jpeg}, {"x.Jpg", ImageType::Jpeg},
        {"a.bmp", ImageType::Bmp},       {"b.GIF", ImageType::Gif},       {"c.Png", ImageType::Png},
        {"a.xpm", ImageType::Xpm},       {"a.tiff", ImageType::FromName}, {"a.", ImageType::FromName},
        {"JPG", ImageType::Jpeg},        {"jpeg", ImageType::FromName},   {"", ImageType::FromName},
        {"dir.jpg/x", ImageType::FromName}, {"a.aaa", ImageType::FromName}, {"a.zzz", ImageType::FromName},
        {"ソフト.files/表.jpg", ImageType::Jpeg},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(CImageFile::GetTypeFromFileName(name), type) << name;
}

TEST(ImageFile, EachTypeIsWrittenAsItsFormatOrRefused)
{
    // BMP and JPEG have writers; GIF and PNG have implementations without
    // one; XPM and unknown codes have none at all.
    const ScratchDir folder;
    const struct {
        int32_t type;
        const char* name;
        const char* magic;  // the file's first bytes, or null when refused
    } cases[] = {
        {ImageType::Bmp, "a.bmp", "BM"},  {ImageType::Jpeg, "a.jpg", "\xFF\xD8\xFF"}, {ImageType::Gif, "a.gif", nullptr},
        {ImageType::Png, "a.png", nullptr}, {ImageType::Xpm, "a.xpm", nullptr},      {5, "a.five", nullptr},
    };
    std::unique_ptr<CRasterBitmap> bitmap = GradientBitmap(6, 4);
    for (const auto& c : cases) {
        CImageFile image(*bitmap);
        EXPECT_EQ(image.Save(folder.Path(c.name), c.type), c.magic != nullptr) << c.name;
        if (c.magic)
            EXPECT_EQ(ReadBytes(folder.Path(c.name)).rfind(c.magic, 0), 0u) << c.name;
        else
            EXPECT_FALSE(std::filesystem::exists(folder.Path(c.name))) << c.name;
    }
    EXPECT_EQ(CJpegCodec().GetQuality(), 75);
}

TEST(ImageFile, WrapsACopyOfARasterBitmap)
{
    std::unique_ptr<CRasterBitmap> bitmap = GradientBitmap(7, 5);
    const CImageFile image(*bitmap);
    bitmap->Image().SetPixel(0, 0, kRgbBlack);

    EXPECT_EQ(image.GetTypeCode(), ImageType::Bmp);
    EXPECT_EQ(image.GetBitsPerPixel(), 24);
    EXPECT_EQ(image.GetColorType(), 2);
    EXPECT_EQ(image.GetBytesPerRow(), 24);
    EXPECT_EQ(image.GetPalette(), nullptr);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x)
            EXPECT_EQ(image.GetPixelColor(x, y), (RgbColor{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 200}));
    }

    // Information header: size, width, height (positive: bottom-up), one
    // plane and 24 bits, uncompressed, image size; no color table follows.
    const std::vector<uint8_t>& dib = image.GetImpl()->GetDib();
    ASSERT_EQ(dib.size(), 40u);
    EXPECT_EQ(image.GetImpl()->GetRows().size(), 24u * 5u);
    const uint32_t header[] = {40, 7, 5, 1 | 24 << 16, 0, 24 * 5};
    for (std::size_t i = 0; i < std::size(header); ++i)
        EXPECT_EQ(Le32(dib, 4 * i), header[i]) << i;
}

TEST(ImageFile, TakesOverTheRowsOfAFinishedDrawing)
{
    std::unique_ptr<CRasterBitmap> bitmap = GradientBitmap(7, 5);
    const CImageFile copied(*bitmap);
    const uint8_t* rows = bitmap->Image().bits.data();
    const CImageFile taken(bitmap->TakeImage());

    ASSERT_TRUE(taken.IsValid());
    EXPECT_EQ(taken.GetImpl()->GetBits(), rows) << "no copy made";
    EXPECT_EQ(taken.GetImpl()->GetDib(), copied.GetImpl()->GetDib());
    EXPECT_EQ(taken.GetImpl()->GetRows(), copied.GetImpl()->GetRows());
    EXPECT_EQ(taken.GetColorType(), 2);

    // The bitmap is left without pixels; drawing into it is clipped away.
    EXPECT_EQ(bitmap->GetWidth(), 0);
    EXPECT_EQ(bitmap->GetHeight(), 0);
    std::unique_ptr<CRasterDc> dc = CRasterDc::CreateMemoryDc();
    std::unique_ptr<CRasterPen> pen = CRasterPen::CreateSolid(2, kRgbBlack);
    dc->SelectObject(bitmap.get());
    dc->SelectObject(pen.get());
    dc->FillRect(-10, -10, 10, 10, kRgbWhite);
    dc->MoveTo(-3, -3);
    dc->LineTo(4, 4);
    EXPECT_TRUE(bitmap->Image().bits.empty());

    // Rows of the wrong size are refused, and stay with their owner.
    RasterImage wrong;
    wrong.width = 7;
    wrong.height = 5;
    wrong.bits.assign(10, 0);
    const CImageFile refused(std::move(wrong));
    EXPECT_FALSE(refused.IsValid());
}

TEST(ImageFile, AnImageKeepsItsFirstPalette)
{
    MessageLog log;
    CImageFile image;
    ASSERT_TRUE(image.Create(2, 2, 8));
    EXPECT_TRUE(image.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}}, log));
    EXPECT_FALSE(image.SetPalette({{1, 2, 3, 0}, {1, 2, 3, 0}}, log));
    image.SetPixelIndex(1, 0, 1);
    EXPECT_EQ(image.GetPixelColor(1, 0), (RgbColor{40, 50, 60}));
    ASSERT_EQ(log.Shown().size(), 1u);
    EXPECT_EQ(log.Shown()[0].text, "CImageImpl::imagePalette already exists!");
    EXPECT_EQ(log.Shown()[0].icon, MessageIcon::None);
}

TEST(ImageFile, SavingUnderATypeWithoutWriterKeepsTheImage)
{
    const ScratchDir folder;
    std::unique_ptr<CRasterBitmap> bitmap = GradientBitmap(6, 4);
    CImageFile image(*bitmap);
    const CImageImpl* original = image.GetImpl();
    // A refused type must not become the type code, or the second "a.xpm"
    // would skip the swap and write the old format under that name.
    const std::pair<std::string, int32_t> refused[] = {
        {"a.xpm", ImageType::FromName}, {"a.xpm", ImageType::Xpm}, {"a.xpm", ImageType::Xpm},
        {"a.tiff", ImageType::FromName}, {"a.", ImageType::FromName}, {"a.jpg", 7},
    };
    for (const auto& [name, type] : refused) {
        EXPECT_FALSE(image.Save(folder.Path(name), type)) << name;
        EXPECT_EQ(image.GetImpl(), original);
        EXPECT_EQ(image.GetTypeCode(), ImageType::Bmp);
        EXPECT_TRUE(image.IsValid());
        EXPECT_FALSE(std::filesystem::exists(folder.Path(name))) << name;
    }

    EXPECT_FALSE(image.Save(folder.Path("a.gif"))) << "GIF has no writer";
    EXPECT_EQ(image.GetTypeCode(), ImageType::Gif) << "but the image moved into its implementation";

    EXPECT_TRUE(image.Save(folder.Path("later.bin"), ImageType::Jpeg));
    EXPECT_EQ(image.GetImpl()->GetFileName(), folder.Path("later.bin"));
    const DecodedJpeg decoded = DecodeJpeg(folder.Path("later.bin"));
    EXPECT_TRUE(decoded.ok && decoded.width == 6 && decoded.height == 4);
}

TEST(ImageFile, ImagesWithoutPixelsAreNotSaved)
{
    const ScratchDir folder;
    CImageFile none;
    EXPECT_FALSE(none.Save(folder.Path("none.jpg"), ImageType::Jpeg)) << "no implementation";
    CImageFile empty;
    ASSERT_TRUE(empty.CreateImplForType(ImageType::Jpeg));
    EXPECT_FALSE(empty.Save(folder.Path("empty.jpg"), ImageType::Jpeg));
    EXPECT_FALSE(empty.Save(folder.Path("empty.bmp"), ImageType::Bmp));
    EXPECT_FALSE(empty.Create(100000, 100000, 24)) << "over 2 GiB";
    EXPECT_FALSE(empty.Create(3, 3, 12));
    EXPECT_FALSE(empty.Save(folder.Path("empty.bmp"), ImageType::Bmp));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path("")));
}

TEST(ImageFile, BmpFilesAreTheFileHeaderAndTheMemoryBlock)
{
    const ScratchDir folder;
    const std::string name = folder.Path("picture.bmp");
    for (int32_t depth : {24, 8}) {
        CImageFile image;
        ASSERT_TRUE(image.Create(5, 3, depth));
        image.SetPixelColor(1, 0, 1, 2, 3);
        image.SetPixelIndex(1, 0, 9);
        ASSERT_TRUE(image.Save(name));

        const std::vector<uint8_t> bytes = ReadFileBytes(name);
        const std::vector<uint8_t>& dib = image.GetImpl()->GetDib();
        const PixelBlock& rows = image.GetImpl()->GetRows();
        ASSERT_EQ(bytes.size(), 14 + dib.size() + rows.size());
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "BM");
        EXPECT_EQ(Le32(bytes, 2), bytes.size());
        EXPECT_EQ(Le32(bytes, 10), depth == 24 ? 54u : 54u + 1024u) << "offset of the rows";
        EXPECT_EQ(0, std::memcmp(bytes.data() + 14, dib.data(), dib.size()));
        EXPECT_EQ(0, std::memcmp(bytes.data() + 14 + dib.size(), rows.data(), rows.size()));
    }
}

}  // namespace
