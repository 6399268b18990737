#include "image/ImageFile.h"
#include "image/JpegCodec.h"
#include "platform/Raster.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

constexpr RgbColor kBlue{0, 0, 255};
constexpr RgbColor kRed{255, 0, 0};

// 110 x 60, white, with a blue top-left and a red bottom-right quarter: a
// picture turned upside down, mirrored or with red and blue exchanged reads
// differently in every corner.
std::unique_ptr<CRasterBitmap> QuarterPicture()
{
    std::unique_ptr<CRasterBitmap> bitmap = CRasterBitmap::CreateDibSection(110, 60);
    std::unique_ptr<CRasterDc> dc = CRasterDc::CreateMemoryDc();
    CRasterObject* previous = dc->SelectObject(bitmap.get());
    dc->FillRect(0, 0, 110, 60, kRgbWhite);
    dc->FillRect(0, 0, 55, 30, kBlue);
    dc->FillRect(55, 30, 110, 60, kRed);
    dc->SelectObject(previous);
    return bitmap;
}

TEST(JpegCodec, WritesABaselinePictureTopRowFirstInRedGreenBlue)
{
    const TempFolder folder;
    const std::string name = folder.Path("memo.3.JPG");
    std::unique_ptr<CRasterBitmap> bitmap = QuarterPicture();
    CImageFile image(*bitmap);
    ASSERT_TRUE(image.Save(name, ImageType::Jpeg));
    EXPECT_EQ(image.GetTypeCode(), ImageType::Jpeg);
    EXPECT_EQ(typeid(*image.GetImpl()), typeid(CJpegCodec));
    EXPECT_TRUE(image.IsValid()) << "the pixels moved with the implementation";
    EXPECT_EQ(image.GetPixelColor(0, 0), kBlue);

    const JpegMarkers markers = ReadJpegMarkers(name);
    EXPECT_EQ(markers.firstFrameMarker, 0xC0) << "baseline";
    EXPECT_EQ(markers.precision, 8);
    EXPECT_EQ(markers.width, 110);
    EXPECT_EQ(markers.height, 60);
    EXPECT_EQ(markers.components, 3);
    // Quality 75 halves the standard tables: their first entries 16 and 17.
    EXPECT_EQ(markers.dcQuantisers, (std::vector<int>{8, 9}));

    const DecodedJpeg decoded = DecodeJpeg(name);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.width, 110);
    ASSERT_EQ(decoded.height, 60);
    EXPECT_EQ(decoded.components, 3);
    const struct {
        int x;
        int y;
        RgbColor expected;
    } probes[] = {
        {4, 2, kBlue}, {27, 15, kBlue}, {44, 20, kBlue}, {80, 2, kRgbWhite},
        {27, 57, kRgbWhite}, {64, 38, kRed}, {82, 45, kRed}, {105, 57, kRed},
    };
    for (const auto& probe : probes) {
        const RgbColor actual = decoded.At(probe.x, probe.y);
        EXPECT_TRUE(IsNear(actual, probe.expected))
            << "(" << probe.x << ", " << probe.y << ") reads " << int{actual.red} << ", " << int{actual.green}
            << ", " << int{actual.blue};
    }
}

TEST(JpegCodec, EveryDepthComesOutInItsColours)
{
    const TempFolder folder;
    const struct {
        const char* name;
        int32_t depth;
        bool palette;
        RgbColor left;
        RgbColor right;
    } cases[] = {
        {"1 bit, grey ramp", 1, false, kRgbBlack, kRgbWhite},
        {"4 bits, grey ramp", 4, false, kRgbBlack, kRgbWhite},
        {"8 bits, grey ramp", 8, false, kRgbBlack, kRgbWhite},
        {"8 bits, palette", 8, true, kRed, kBlue},
        {"16 bits", 16, false, kRed, kBlue},
        {"24 bits", 24, false, kRed, kBlue},
        {"32 bits", 32, false, kRed, kBlue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CImageFile image;
        ASSERT_TRUE(image.Create(32, 16, c.depth));
        if (c.palette) {
            ASSERT_TRUE(image.SetPalette({{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}}));
        }
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 32; ++x) {
                const bool left = x < 16;
                if (c.depth > 8) {
                    const RgbColor color = left ? c.left : c.right;
                    image.SetPixelColor(x, y, color.red, color.green, color.blue);
                } else if (c.palette) {
                    image.SetPixelIndex(x, y, static_cast<uint8_t>(left ? 1 : 2));
                } else {
                    image.SetPixelIndex(x, y, static_cast<uint8_t>(left ? 0 : (1 << c.depth) - 1));
                }
            }
        }
        const std::string name = folder.Path("depth.jpg");
        ASSERT_TRUE(image.Save(name));
        const DecodedJpeg decoded = DecodeJpeg(name);
        ASSERT_TRUE(decoded.ok);
        EXPECT_TRUE(IsNear(decoded.At(4, 8), c.left));
        EXPECT_TRUE(IsNear(decoded.At(27, 8), c.right));
    }
}

// Open descriptors of the process, where the system shows them.
std::ptrdiff_t OpenFiles()
{
    std::error_code error;
    std::filesystem::directory_iterator entries("/proc/self/fd", error);
    return error ? -1 : std::distance(entries, std::filesystem::directory_iterator());
}

TEST(JpegCodec, FailuresAreReportedAndLeaveNothingOpen)
{
    const TempFolder folder;
    std::unique_ptr<CRasterBitmap> bitmap = QuarterPicture();
    const std::ptrdiff_t filesBefore = OpenFiles();

    CImageFile image(*bitmap);
    EXPECT_FALSE(image.Save(folder.Path("missing/memo.1.JPG"), ImageType::Jpeg));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
    EXPECT_FALSE(image.Save(folder.Path(""), ImageType::Jpeg)) << "a folder is no file";
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(image.Save("/dev/full", ImageType::Jpeg)) << "the full disk shows at the flush";
    }

    // libjpeg itself refuses this width; its error must come back as false
    // instead of ending the process.
    CImageFile tooWide;
    ASSERT_TRUE(tooWide.Create(65501, 1, 24));
    EXPECT_FALSE(tooWide.Save(folder.Path("wide.jpg"), ImageType::Jpeg));
    EXPECT_EQ(OpenFiles(), filesBefore);

    EXPECT_TRUE(image.Save(folder.Path("memo.1.JPG"), ImageType::Jpeg)) << "the image survives failed saves";
    EXPECT_TRUE(DecodeJpeg(folder.Path("memo.1.JPG")).ok);
}

}  // namespace
