#include "keyboard/InkStrokes.h"
#include "keyboard/Strokes.h"

#include "DecodedJpeg.h"
#include "MessageLog.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Points = std::vector<PenPoint>;

struct InkStroke {
    Points points;
    uint16_t color = 0;
};

// An ink group with the records it is a run of.
struct TestGroup {
    std::vector<StrokeSample> records;
    CInkStrokes ink;
};

std::unique_ptr<TestGroup> Group(const std::vector<InkStroke>& strokes, int32_t scale = 10)
{
    auto group = std::make_unique<TestGroup>();
    group->ink.SetScale(scale);
    for (const InkStroke& stroke : strokes) {
        for (std::size_t i = 0; i < stroke.points.size(); ++i) {
            const uint16_t kind = i == 0 ? StrokeSample::PenDown : StrokeSample::PenMove;
            group->records.push_back({kind, static_cast<int16_t>(stroke.points[i].x),
                                      static_cast<int16_t>(stroke.points[i].y), stroke.color});
        }
        group->records.push_back({StrokeSample::PenUp, 0, 0, 0});
    }
    group->ink.Add(group->records.data(), group->records.size());
    return group;
}

// Horizontal lines one pixel row apart (at scale 10) fill the box, edges
// included.
InkStroke Block(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t color)
{
    InkStroke stroke{{}, color};
    for (int32_t y = top;; y = std::min(y + 10, bottom)) {
        stroke.points.push_back({left, y});
        stroke.points.push_back({right, y});
        if (y == bottom)
            break;
    }
    return stroke;
}

constexpr RgbColor kBlue{0, 0, 255};
constexpr RgbColor kRed{255, 0, 0};

}  // namespace

TEST(InkPicture, SizeFollowsTheBoundingBoxAndTheScale)
{
    const struct {
        const char* name;
        std::vector<InkStroke> strokes;
        int32_t scale;
        int width;
        int height;
    } cases[] = {
        {"x 1000..1999, y 2000..2499", {{{{1000, 2000}, {1999, 2499}}}}, 10, 110, 60},
        {"scale 3, x 0..10", {{{{0, 0}, {10, 0}}}}, 3, 13, 10},
        {"one point", {{{{500, 500}}}}, 10, 10, 10},
        {"scale 1", {{{{-20, 7}, {20, 9}}}}, 1, 51, 13},
        {"box of several strokes", {{{{100, 100}}}, {{{399, 250}, {300, 149}}}}, 20, 25, 17},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        MessageLog log;
        auto group = Group(c.strokes, c.scale);
        ASSERT_TRUE(group->ink.WritePicture("pic", 7, log)) << c.name;
        EXPECT_EQ(group->ink.PictureFile(), "pic.7.JPG") << c.name;
        const DecodedJpeg jpeg = DecodeJpeg("pic.7.JPG");
        ASSERT_TRUE(jpeg.ok) << c.name;
        EXPECT_EQ(jpeg.width, c.width) << c.name;
        EXPECT_EQ(jpeg.height, c.height) << c.name;
        EXPECT_EQ(jpeg.components, 3) << c.name;
        EXPECT_EQ(FirstFrameMarker("pic.7.JPG"), 0xC0) << c.name;
    }
}

TEST(InkPicture, StrokesAreDrawnInTheirColorsTopRowFirstInsideAWhiteMargin)
{
    ScopedWorkDir dir;
    MessageLog log;
    // Box x 1000..1999, y 2000..2499: 110 x 60 pixels, drawing (0, 0) at
    // pixel (5, 5).
    auto group = Group({
        Block(1000, 2000, 1200, 2150, 2),  // pixels 5..25 x 5..20
        Block(1500, 2300, 1700, 2400, 3),  // 55..75 x 35..45
        Block(1800, 2400, 1999, 2499, 0),  // 85..104 x 45..54
        Block(1000, 2400, 1200, 2499, 1),  // 5..25 x 45..54
        {{{1700, 2100}}, 3},               // a single point: no mark at (75, 15)
    });
    ASSERT_TRUE(group->ink.WritePicture("ink", 1, log));
    const DecodedJpeg jpeg = DecodeJpeg("ink.1.JPG");
    ASSERT_TRUE(jpeg.ok);
    ASSERT_EQ(jpeg.width, 110);
    ASSERT_EQ(jpeg.height, 60);

    const struct {
        int x;
        int y;
        RgbColor color;
    } probes[] = {
        {15, 12, kBlue}, {5, 5, kBlue},       {65, 40, kRed},        {95, 50, kRgbBlack},  {104, 54, kRgbBlack},
        {15, 50, kRgbBlack}, {75, 15, kRgbWhite}, {15, 32, kRgbWhite}, {95, 20, kRgbWhite},
    };
    for (const auto& p : probes) {
        const RgbColor got = jpeg.At(p.x, p.y);
        EXPECT_TRUE(IsNear(got, p.color, 24))
            << "pixel " << p.x << "," << p.y << " reads " << int{got.red} << "," << int{got.green} << ","
            << int{got.blue};
    }

    // The 2-pixel pen reaches one pixel up and left of a point, so the margin
    // is 4 pixels at the top and left and 5 at the right and bottom. Ringing
    // next to the strong edges keeps it a little off pure white.
    for (int y = 0; y < jpeg.height; ++y) {
        for (int x = 0; x < jpeg.width; ++x) {
            if (x >= 4 && x < 105 && y >= 4 && y < 55)
                continue;
            ASSERT_TRUE(IsNear(jpeg.At(x, y), kRgbWhite, 40)) << "margin pixel " << x << "," << y;
        }
    }
}

TEST(InkPicture, SinglePointStrokesLeaveNoMark)
{
    ScopedWorkDir dir;
    MessageLog log;
    auto group = Group({{{{500, 500}}, 0}, {{{505, 509}}, 3}});
    ASSERT_TRUE(group->ink.WritePicture("dot", 1, log));
    const DecodedJpeg jpeg = DecodeJpeg("dot.1.JPG");
    ASSERT_TRUE(jpeg.ok);
    for (int y = 0; y < jpeg.height; ++y) {
        for (int x = 0; x < jpeg.width; ++x)
            ASSERT_TRUE(IsNear(jpeg.At(x, y), kRgbWhite, 2)) << x << "," << y;
    }
}

TEST(InkPicture, WrittenPictureIsNotWrittenAgain)
{
    ScopedWorkDir dir;
    MessageLog log;
    auto group = Group({{{{0, 0}, {100, 100}}, 0}});
    group->ink.SetWritten(true);
    EXPECT_TRUE(group->ink.WritePicture("again", 2, log));
    EXPECT_FALSE(fs::exists("again.2.JPG"));
    EXPECT_EQ(group->ink.PictureFile(), "");
}

TEST(InkPicture, FailuresReportAndLeaveTheObjectUsable)
{
    ScopedWorkDir dir;
    MessageLog log;
    auto group = Group({{{{0, 0}, {100, 100}}, 2}});
    EXPECT_FALSE(group->ink.WritePicture("missing/folder/pic", 1, log));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"画像ファイルの出力に失敗しました"});
    EXPECT_EQ(group->ink.PictureFile(), "missing/folder/pic.1.JPG");
    // A box of the whole 16-bit range at scale 1 is too big a bitmap: false,
    // without a message.
    auto huge = Group({{{{-32768, -32768}, {32767, 32767}}, 0}}, 1);
    EXPECT_FALSE(huge->ink.WritePicture("huge", 1, log));
    EXPECT_EQ(log.Messages().size(), 1u);
    EXPECT_FALSE(fs::exists("huge.1.JPG"));
    // Nothing of the failed attempt stays behind in the object.
    ASSERT_TRUE(group->ink.WritePicture("pic", 2, log));
    EXPECT_TRUE(DecodeJpeg("pic.2.JPG").ok);
    EXPECT_EQ(group->ink.PictureName(), "pic");
}

TEST(InkPicture, ImageTagLinksThePictureBesideThePage)
{
    const struct {
        const char* name;
        std::string pictureFile;
        PictureLinkRule rule;
        std::string link;
    } cases[] = {
        {"windows: after the last backslash", "C:\\out\\memo.files/memo001.1.JPG", PictureLinkRule::Windows,
         "memo.files/memo001.1.JPG"},
        {"windows: only the last backslash separates", "D:\\x\\y\\memo.files/memo.3.JPG", PictureLinkRule::Windows,
         "memo.files/memo.3.JPG"},
        // "ソ" is 0x83 0x5C in Shift_JIS: its trail byte is no backslash.
        {"windows: trail byte 0x5C", "C:\\ソフト\\ソフト.files/ソ.1.JPG", PictureLinkRule::Windows,
         "ソフト.files/ソ.1.JPG"},
        {"windows: trail byte 0x5C right after the separator", "C:\\out\\ソ", PictureLinkRule::Windows, "ソ"},
        {"windows: no backslash, the whole name", "memo.files/memo.3.JPG", PictureLinkRule::Windows,
         "memo.files/memo.3.JPG"},
        {"windows: slashes do not separate", "/tmp/x/memo.files/m.1.JPG", PictureLinkRule::Windows,
         "/tmp/x/memo.files/m.1.JPG"},
        {"posix: directory and file", "/tmp/x/memo.files/memo001.1.JPG", PictureLinkRule::Posix,
         "memo.files/memo001.1.JPG"},
        {"posix: one slash, the whole name", "memo.files/memo.3.JPG", PictureLinkRule::Posix,
         "memo.files/memo.3.JPG"},
        {"posix: no slash", "memo.3.JPG", PictureLinkRule::Posix, "memo.3.JPG"},
        {"posix: UTF-8 names are percent-encoded",
         "/home/u/\xE3\x83\xA1\xE3\x83\xA2.files/\xE3\x83\xA1.1.JPG", PictureLinkRule::Posix,
         "%E3%83%A1%E3%83%A2.files/%E3%83%A1.1.JPG"},
        {"posix: Shift_JIS bytes, blanks and backslashes too", "/d/ソ a\\b.files/x~y_z-1.1.JPG",
         PictureLinkRule::Posix, "%83%5C%20a%5Cb.files/x~y_z-1.1.JPG"},
        {"posix: reserved characters", "/d/a#b?c%d&e.files/p.1.JPG", PictureLinkRule::Posix,
         "a%23b%3Fc%25d%26e.files/p.1.JPG"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeImageTag(c.pictureFile, c.rule), "<img src=\"./" + c.link + "\">\n") << c.name;

    ScopedWorkDir dir;

    MessageLog log;
    fs::create_directory("memo.files");
    auto group = Group({{{{0, 0}, {100, 100}}, 0}});
    ASSERT_TRUE(group->ink.WritePicture((dir.Path() / "memo.files" / "memo001").string(), 4, log));
    EXPECT_EQ(group->ink.GetImageTag(), MakeImageTag(group->ink.PictureFile(), kNativePictureLinkRule));
#ifndef _WIN32
    EXPECT_EQ(group->ink.GetImageTag(), "<img src=\"./memo.files/memo001.4.JPG\">\n");
#endif
}
