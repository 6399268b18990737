#include "image/BmpCodec.h"
#include "image/GifCodec.h"
#include "image/ImageFile.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"
#include "platform/MessageBox.h"
#include "platform/Raster.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<CRasterBitmap> StripedBitmap(int32_t width, int32_t height)
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
        {".jpg", ImageType::Jpeg},       {"dir.jpg/x", ImageType::FromName}, {"a.jp", ImageType::FromName},
        {"a.jpgx", ImageType::FromName}, {"a.aaa", ImageType::FromName}, {"a.zzz", ImageType::FromName},
        {"ソフト.files/表.jpg", ImageType::Jpeg},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(CImageFile::GetTypeFromFileName(name), type) << name;
}

TEST(ImageFile, ImplementationsExistForEveryTypeButXpm)
{
    const struct {
        int32_t type;
        const std::type_info* implClass;
    } cases[] = {
        {ImageType::Bmp, &typeid(CBmpCodec)}, {ImageType::Jpeg, &typeid(CJpegCodec)},
        {ImageType::Gif, &typeid(CGifCodec)}, {ImageType::Png, &typeid(CPngCodec)},
        {ImageType::Xpm, nullptr},            {ImageType::FromName, nullptr},
        {5, nullptr},                         {-2, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        CImageFile image;
        ASSERT_TRUE(image.Create(4, 4, 24));
        EXPECT_EQ(image.CreateImplForType(c.type), c.implClass != nullptr);
        if (c.implClass != nullptr) {
            ASSERT_NE(image.GetImpl(), nullptr);
            EXPECT_EQ(typeid(*image.GetImpl()), *c.implClass);
            EXPECT_FALSE(image.IsValid()) << "a new implementation starts empty";
        } else {
            EXPECT_EQ(image.GetImpl(), nullptr);
        }
    }
    const CJpegCodec jpeg;
    EXPECT_EQ(jpeg.GetQuality(), 75);
}

TEST(ImageFile, WrapsACopyOfARasterBitmap)
{
    std::unique_ptr<CRasterBitmap> bitmap = StripedBitmap(7, 5);
    const CImageFile image(*bitmap);
    bitmap->Image().SetPixel(0, 0, kRgbBlack);

    EXPECT_EQ(image.GetTypeCode(), ImageType::Bmp);
    ASSERT_NE(image.GetImpl(), nullptr);
    EXPECT_EQ(typeid(*image.GetImpl()), typeid(CBmpCodec));
    EXPECT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 5);
    EXPECT_EQ(image.GetBitsPerPixel(), 24);
    EXPECT_EQ(image.GetColorType(), 2);
    EXPECT_EQ(image.GetBytesPerRow(), 24);
    EXPECT_EQ(image.GetPalette(), nullptr);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(image.GetPixelColor(x, y),
                      (RgbColor{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 200}));
        }
    }

    const std::vector<uint8_t>& dib = image.GetImpl()->GetDib();
    ASSERT_EQ(dib.size(), 40u + 24u * 5u) << "no colour table";
    EXPECT_EQ(Le32(dib, 0), 40u);
    EXPECT_EQ(Le32(dib, 4), 7u);
    EXPECT_EQ(Le32(dib, 8), 5u) << "positive height: bottom-up";
    EXPECT_EQ(Le32(dib, 12), 1u | 24u << 16) << "one plane, 24 bits";
    EXPECT_EQ(Le32(dib, 16), 0u) << "uncompressed";
    EXPECT_EQ(Le32(dib, 20), 24u * 5u);
}

TEST(ImageFile, PixelAccessAtEveryDepth)
{
    for (int32_t depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        CImageFile image;
        ASSERT_TRUE(image.Create(9, 2, depth));
        EXPECT_EQ(image.GetColorType(), 0);
        const auto top = static_cast<uint8_t>((1 << depth) - 1);
        EXPECT_TRUE(image.SetPixelIndex(3, 1, top));
        EXPECT_FALSE(image.SetPixelIndex(9, 1, 0)) << "outside";
        if (depth < 8) {
            EXPECT_FALSE(image.SetPixelIndex(0, 0, static_cast<uint8_t>(top + 1))) << "beyond the colour table";
        }
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(image.GetPixelIndex(x, 1), x == 3 ? top : 0) << x;
        EXPECT_EQ(image.GetPixelColor(3, 1), kRgbWhite) << "grey ramp up to white";
        EXPECT_EQ(image.GetPixelColor(2, 1), kRgbBlack);
        EXPECT_FALSE(image.SetPixelColor(0, 0, 1, 2, 3));
    }
    const std::pair<int32_t, RgbColor> deep[] = {{16, {255, 132, 0}}, {24, {250, 129, 7}}, {32, {250, 129, 7}}};
    for (const auto& [depth, expected] : deep) {
        SCOPED_TRACE(depth);
        CImageFile image;
        ASSERT_TRUE(image.Create(3, 3, depth));
        EXPECT_EQ(image.GetColorType(), 2);
        EXPECT_TRUE(image.SetPixelColor(2, 0, 250, 129, 7));
        EXPECT_FALSE(image.SetPixelColor(0, 3, 1, 2, 3));
        EXPECT_EQ(image.GetPixelColor(2, 0), expected);
        EXPECT_EQ(image.GetPixelColor(1, 0), kRgbBlack);
    }
    CImageFile bad;
    EXPECT_FALSE(bad.Create(3, 3, 12));
    EXPECT_FALSE(bad.Create(0, 3, 24));
    EXPECT_FALSE(bad.Create(100000, 100000, 24)) << "over 2 GiB";
    EXPECT_FALSE(bad.IsValid());
}

TEST(ImageFile, AnImageKeepsItsFirstPalette)
{
    std::vector<std::pair<std::string, MessageIcon>> messages;
    const ScopedMessageSink sink([&](const std::string& text, MessageIcon icon) { messages.emplace_back(text, icon); });
    CImageFile image;
    ASSERT_TRUE(image.Create(2, 2, 8));
    EXPECT_TRUE(image.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}}));
    EXPECT_TRUE(image.SetPixelIndex(1, 0, 1));
    EXPECT_EQ(image.GetPixelColor(1, 0), (RgbColor{40, 50, 60}));
    EXPECT_TRUE(messages.empty());

    EXPECT_FALSE(image.SetPalette({{1, 2, 3, 0}}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "CImageImpl::imagePalette already exists!");
    EXPECT_EQ(messages[0].second, MessageIcon::None);
    EXPECT_EQ(image.GetPixelColor(1, 0), (RgbColor{40, 50, 60}));

    CImageFile deep;
    ASSERT_TRUE(deep.Create(2, 2, 24));
    EXPECT_FALSE(deep.SetPalette({{1, 2, 3, 0}})) << "only images with a colour table";
}

TEST(ImageFile, SavingUnderATypeWithoutWriterKeepsTheImage)
{
    const TempFolder folder;
    std::unique_ptr<CRasterBitmap> bitmap = StripedBitmap(6, 4);
    CImageFile image(*bitmap);
    const CImageImpl* original = image.GetImpl();
    const std::pair<std::string, int32_t> refused[] = {
        {"a.xpm", ImageType::FromName}, {"a.xpm", ImageType::Xpm}, {"a.xpm", ImageType::Xpm},
        {"a.tiff", ImageType::FromName}, {"a.", ImageType::FromName}, {"a.jpg", 7},
    };
    for (const auto& [name, type] : refused) {
        SCOPED_TRACE(name + " " + std::to_string(type));
        EXPECT_FALSE(image.Save(folder.Path(name), type));
        EXPECT_EQ(image.GetImpl(), original);
        EXPECT_EQ(image.GetTypeCode(), ImageType::Bmp);
        EXPECT_TRUE(image.IsValid());
        EXPECT_FALSE(std::filesystem::exists(folder.Path(name))) << "nothing written";
    }

    EXPECT_FALSE(image.Save(folder.Path("a.gif"), ImageType::FromName)) << "GIF has no writer";
    EXPECT_EQ(image.GetTypeCode(), ImageType::Gif) << "the image moved into the GIF implementation";
    EXPECT_TRUE(image.IsValid());

    EXPECT_TRUE(image.Save(folder.Path("later.bin"), ImageType::Jpeg));
    EXPECT_EQ(typeid(*image.GetImpl()), typeid(CJpegCodec));
    EXPECT_EQ(image.GetFileName(), folder.Path("later.bin"));
    EXPECT_EQ(image.GetImpl()->GetFileName(), folder.Path("later.bin"));
    const DecodedJpeg decoded = DecodeJpeg(folder.Path("later.bin"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 6);
    EXPECT_EQ(decoded.height, 4);
}

TEST(ImageFile, ImagesWithoutPixelsAreNotSaved)
{
    const TempFolder folder;
    CImageFile none;
    EXPECT_FALSE(none.Save(folder.Path("none.jpg"), ImageType::Jpeg)) << "no implementation";
    CImageFile empty;
    ASSERT_TRUE(empty.CreateImplForType(ImageType::Jpeg));
    EXPECT_FALSE(empty.Save(folder.Path("empty.jpg"), ImageType::Jpeg));
    EXPECT_FALSE(empty.Save(folder.Path("empty.bmp"), ImageType::Bmp));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path("")));
}

TEST(ImageFile, BmpFilesAreTheFileHeaderAndTheMemoryBlock)
{
    const TempFolder folder;
    const std::string name = folder.Path("picture.bmp");
    for (int32_t depth : {24, 8}) {
        SCOPED_TRACE(depth);
        CImageFile image;
        ASSERT_TRUE(image.Create(5, 3, depth));
        image.SetPixelColor(1, 0, 1, 2, 3);
        image.SetPixelIndex(1, 0, 9);
        ASSERT_TRUE(image.Save(name));
        EXPECT_EQ(image.GetTypeCode(), ImageType::Bmp);

        const std::vector<uint8_t> bytes = ReadFileBytes(name);
        const std::vector<uint8_t>& dib = image.GetImpl()->GetDib();
        ASSERT_EQ(bytes.size(), 14 + dib.size());
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(Le32(bytes, 2), bytes.size());
        EXPECT_EQ(Le32(bytes, 6), 0u);
        EXPECT_EQ(Le32(bytes, 10), depth == 24 ? 54u : 54u + 1024u);
        EXPECT_EQ(0, std::memcmp(bytes.data() + 14, dib.data(), dib.size()));
    }
}

}  // namespace
