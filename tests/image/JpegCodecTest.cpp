#include "image/ImageFile.h"
#include "image/JpegCodec.h"
#include "platform/Raster.h"

#include "DecodedJpeg.h"
#include "TestFiles.h"
#include "MessageLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
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
    const ScratchDir folder;
    const std::string name = folder.Path("memo.3.JPG");
    std::unique_ptr<CRasterBitmap> bitmap = QuarterPicture();
    CImageFile image(*bitmap);
    ASSERT_TRUE(image.Save(name, ImageType::Jpeg));
    EXPECT_EQ(image.GetTypeCode(), ImageType::Jpeg);
    EXPECT_EQ(typeid(*image.GetImpl()), typeid(CJpegCodec));
    EXPECT_EQ(image.GetPixelColor(0, 0), kBlue) << "the pixels moved with the implementation";

    EXPECT_EQ(FirstFrameMarker(name), 0xC0) << "baseline";
    const DecodedJpeg decoded = DecodeJpeg(name);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.width, 110);
    ASSERT_EQ(decoded.height, 60);
    EXPECT_EQ(decoded.components, 3);
    EXPECT_EQ(decoded.precision, 8);
    // Quality 75 halves the standard tables, whose first entries are 16 and 17.
    EXPECT_EQ(decoded.dcQuantisers, (std::vector<int>{8, 9}));
    const struct {
        int x;
        int y;
        RgbColor expected;
    } probes[] = {
        {4, 2, kBlue}, {27, 15, kBlue}, {44, 20, kBlue}, {80, 2, kRgbWhite},
        {27, 57, kRgbWhite}, {64, 38, kRed}, {82, 45, kRed}, {105, 57, kRed},
    };
    for (const auto& probe : probes)
        EXPECT_TRUE(IsNear(decoded.At(probe.x, probe.y), probe.expected)) << probe.x << ", " << probe.y;
}

TEST(JpegCodec, EveryDepthComesOutInItsColors)
{
    const ScratchDir folder;
    const std::string name = folder.Path("depth.jpg");
    // Left half red, right half blue, through palette entries 0 and 1 where
    // there is a color table; the 8-bit image without a palette keeps its grey
    // ramp instead (index 0 black, 255 white).
    const std::pair<int32_t, bool> cases[] = {{1, true},   {4, true},   {8, true},  {8, false},
                                              {16, false}, {24, false}, {32, false}};
    for (const auto& [depth, palette] : cases) {
        SCOPED_TRACE(std::to_string(depth) + (palette ? " bits with a palette" : " bits"));
        CImageFile image;
        ASSERT_TRUE(image.Create(32, 16, depth));
        if (palette) {
            MessageLog log;
            ASSERT_TRUE(image.SetPalette({{255, 0, 0, 0}, {0, 0, 255, 0}}, log));
        }
        const bool ramp = depth == 8 && !palette;
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 32; ++x) {
                const bool right = x >= 16;
                if (depth > 8)
                    image.SetPixelColor(x, y, right ? 0 : 255, 0, right ? 255 : 0);
                else
                    image.SetPixelIndex(x, y, static_cast<uint8_t>(right ? (ramp ? 255 : 1) : 0));
            }
        }
        ASSERT_TRUE(image.Save(name));
        const DecodedJpeg decoded = DecodeJpeg(name);
        ASSERT_TRUE(decoded.ok);
        EXPECT_TRUE(IsNear(decoded.At(4, 8), ramp ? kRgbBlack : kRed));
        EXPECT_TRUE(IsNear(decoded.At(27, 8), ramp ? kRgbWhite : kBlue));
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
    const ScratchDir folder;
    std::unique_ptr<CRasterBitmap> bitmap = QuarterPicture();
    const std::ptrdiff_t filesBefore = OpenFiles();

    CImageFile image(*bitmap);
    EXPECT_FALSE(image.Save(folder.Path("missing/memo.1.JPG"), ImageType::Jpeg));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
    EXPECT_FALSE(image.Save(folder.Path(""), ImageType::Jpeg)) << "a folder is no file";
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(image.Save("/dev/full", ImageType::Jpeg)) << "a device is not replaced by a picture";
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
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
