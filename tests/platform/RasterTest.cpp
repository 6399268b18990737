#include "platform/Raster.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixel = std::pair<int32_t, int32_t>;
using PixelSet = std::set<Pixel>;

// A context drawing into a white width x height bitmap.
struct Canvas {
    std::unique_ptr<CRasterDc> dc = CRasterDc::CreateMemoryDc();
    std::unique_ptr<CRasterBitmap> bitmap;
    CRasterObject* previousBitmap = nullptr;

    Canvas(int32_t width, int32_t height) : bitmap(CRasterBitmap::CreateDibSection(width, height))
    {
        previousBitmap = dc->SelectObject(bitmap.get());
        dc->FillRect(0, 0, width, height, kRgbWhite);
    }

    PixelSet Painted() const
    {
        PixelSet painted;
        const RasterImage& image = bitmap->Image();
        for (int32_t y = 0; y < image.height; ++y) {
            for (int32_t x = 0; x < image.width; ++x) {
                if (image.GetPixel(x, y) != kRgbWhite)
                    painted.insert({x, y});
            }
        }
        return painted;
    }

    void Polyline(std::unique_ptr<CRasterPen> pen, const std::vector<Pixel>& points)
    {
        CRasterObject* previousPen = dc->SelectObject(pen.get());
        dc->MoveTo(points.front().first, points.front().second);
        for (std::size_t i = 1; i < points.size(); ++i)
            dc->LineTo(points[i].first, points[i].second);
        dc->SelectObject(previousPen);
    }
};

PixelSet Square(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    PixelSet pixels;
    for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x)
            pixels.insert({x, y});
    }
    return pixels;
}

TEST(Raster, DibLayoutIsBottomUpBlueGreenRedWithRowsPaddedToFourBytes)
{
    const std::pair<int32_t, int32_t> widthAndStride[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {110, 332}};
    for (const auto& [width, stride] : widthAndStride) {
        SCOPED_TRACE(width);
        const std::unique_ptr<CRasterBitmap> bitmap = CRasterBitmap::CreateDibSection(width, 3);
        ASSERT_TRUE(bitmap);
        RasterImage& image = bitmap->Image();
        EXPECT_EQ(image.bytesPerRow, stride);
        EXPECT_EQ(PixelBlock(static_cast<std::size_t>(3 * stride), 0), image.bits) << "fresh: black";

        image.SetPixel(width - 1, 0, RgbColor{1, 2, 3});
        const auto topRowLastPixel = static_cast<std::size_t>(2 * stride + 3 * (width - 1));
        EXPECT_EQ(std::vector<uint8_t>(&image.bits[topRowLastPixel], &image.bits[topRowLastPixel + 3]),
                  (std::vector<uint8_t>{3, 2, 1}));

        // A background fills every pixel, blue first, and leaves the padding zero.
        for (const RgbColor background : {kRgbWhite, RgbColor{9, 9, 9}, RgbColor{10, 20, 30}}) {
            const auto filled = CRasterBitmap::CreateDibSection(width, 3, background);
            ASSERT_TRUE(filled);
            std::vector<uint8_t> row(static_cast<std::size_t>(stride), 0);
            for (int32_t x = 0; x < width; ++x) {
                row[3 * static_cast<std::size_t>(x)] = background.blue;
                row[3 * static_cast<std::size_t>(x) + 1] = background.green;
                row[3 * static_cast<std::size_t>(x) + 2] = background.red;
            }
            PixelBlock expected;
            for (int y = 0; y < 3; ++y)
                expected.insert(expected.end(), row.begin(), row.end());
            EXPECT_EQ(filled->Image().bits, expected);
        }
    }
}

TEST(Raster, BitmapsThatCannotBeMadeAreReportedAsNull)
{
    const std::pair<int32_t, int32_t> sizes[] = {{0, 10}, {10, 0}, {-1, 10}, {10, -5}, {100000, 100000}, {65546, 16394}};
    for (const auto& [width, height] : sizes)
        EXPECT_FALSE(CRasterBitmap::CreateDibSection(width, height)) << width << " x " << height;
}

TEST(Raster, FillAndDrawingFollowTheWindowOrigin)
{
    Canvas canvas(110, 60);
    EXPECT_TRUE(canvas.Painted().empty()) << "the fill covers the whole bitmap";
    for (std::size_t row = 0; row < 60; ++row) {
        EXPECT_EQ(canvas.bitmap->Image().bits[row * 332 + 330], 0) << "padding stays zero";
        EXPECT_EQ(canvas.bitmap->Image().bits[row * 332 + 331], 0);
    }

    canvas.dc->SetWindowOrigin(-5, -5);
    canvas.Polyline(CRasterPen::CreateSolid(1, kRgbBlack), {{0, 0}, {1, 0}});
    EXPECT_EQ(canvas.Painted(), (PixelSet{{5, 5}}));

    canvas.dc->FillRect(0, 0, 2, 1, RgbColor{0, 255, 0});
    EXPECT_EQ(canvas.bitmap->Image().GetPixel(6, 5), (RgbColor{0, 255, 0}));
    EXPECT_EQ(canvas.bitmap->Image().GetPixel(7, 5), kRgbWhite);

    canvas.dc->FillRect(-100, -100, 1000, 1000, kRgbWhite);
    EXPECT_TRUE(canvas.Painted().empty()) << "fills are clipped, not wrapped";
}

TEST(Raster, PensDrawInTheirColorStoredBlueGreenRed)
{
    const RgbColor colors[] = {{0, 0, 255}, {255, 0, 0}, {0, 0, 0}, {12, 34, 56}};
    for (const RgbColor& color : colors) {
        Canvas canvas(8, 8);
        canvas.Polyline(CRasterPen::CreateSolid(2, color), {{2, 2}, {5, 2}});
        const RasterImage& image = canvas.bitmap->Image();
        const uint8_t* pixel = &image.bits[image.OffsetOf(3, 2)];
        EXPECT_EQ((RgbColor{pixel[2], pixel[1], pixel[0]}), color);
    }
}

TEST(Raster, LinesCoverTheDocumentedPixels)
{
    const struct {
        const char* name;
        int32_t penWidth;
        std::vector<Pixel> points;
        PixelSet expected;
    } cases[] = {
        {"a move alone leaves no mark", 2, {{4, 4}}, {}},
        {"one-pixel pen leaves the end out", 1, {{2, 3}, {6, 3}}, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        {"backwards too", 1, {{6, 3}, {2, 3}}, {{6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        {"vertical", 1, {{1, 1}, {1, 4}}, {{1, 1}, {1, 2}, {1, 3}}},
        {"diagonal", 1, {{0, 0}, {3, 3}}, {{0, 0}, {1, 1}, {2, 2}}},
        {"shallow slope rounds halves away from the start", 1, {{0, 0}, {4, 1}}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"steep slope steps along y", 1, {{0, 0}, {1, 4}}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {"zero-length line with a one-pixel pen", 1, {{3, 3}, {3, 3}}, {}},
        {"polyline joints are drawn once each", 1, {{0, 0}, {2, 0}, {2, 2}}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}}},
        {"two-pixel pen stamps up and left, end included", 2, {{2, 3}, {5, 3}}, Square(1, 2, 5, 3)},
        {"two-pixel vertical", 2, {{4, 1}, {4, 3}}, Square(3, 0, 4, 3)},
        {"two-pixel zero-length line leaves one square", 2, {{3, 3}, {3, 3}}, Square(2, 2, 3, 3)},
        {"three-pixel pen is centred", 3, {{4, 4}, {4, 4}}, Square(3, 3, 5, 5)},
        {"clipped at the edges", 2, {{0, 0}, {0, 1}}, Square(0, 0, 0, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(10, 10);
        canvas.Polyline(CRasterPen::CreateSolid(c.penWidth, kRgbBlack), c.points);
        EXPECT_EQ(canvas.Painted(), c.expected);
        EXPECT_EQ(canvas.dc->GetCurrentX(), c.points.back().first);
        EXPECT_EQ(canvas.dc->GetCurrentY(), c.points.back().second);
    }
}

// Lines that leave the bitmap are clipped step by step, lines inside it are
// drawn without clipping; both must set the same pixels. Each line is drawn
// into a small bitmap it crosses the edges of, and into a large one that
// holds it whole (shifted by the window origin); the small one must equal the
// matching part of the large one.
TEST(Raster, ClippedLinesMatchTheirUnclippedPixels)
{
    constexpr int32_t kWidth = 40;
    constexpr int32_t kHeight = 30;
    constexpr int32_t kBorder = 12;
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> x(-kBorder + 2, kWidth + kBorder - 3);
    std::uniform_int_distribution<int32_t> y(-kBorder + 2, kHeight + kBorder - 3);
    for (int32_t penWidth : {1, 2, 3}) {
        for (int line = 0; line < 300; ++line) {
            const int32_t x0 = x(random), y0 = y(random), x1 = x(random), y1 = y(random);
            Canvas small(kWidth, kHeight);
            small.Polyline(CRasterPen::CreateSolid(penWidth, kRgbBlack), {{x0, y0}, {x1, y1}});
            Canvas large(kWidth + 2 * kBorder, kHeight + 2 * kBorder);
            large.dc->SetWindowOrigin(-kBorder, -kBorder);
            large.Polyline(CRasterPen::CreateSolid(penWidth, kRgbBlack), {{x0, y0}, {x1, y1}});

            PixelSet expected;
            for (const Pixel& p : large.Painted()) {
                const Pixel inSmall{p.first - kBorder, p.second - kBorder};
                if (inSmall.first >= 0 && inSmall.first < kWidth && inSmall.second >= 0 && inSmall.second < kHeight)
                    expected.insert(inSmall);
            }
            ASSERT_EQ(small.Painted(), expected)
                << "pen " << penWidth << ": " << x0 << "," << y0 << " to " << x1 << "," << y1;
        }
    }
}

TEST(Raster, FarAwayCoordinatesAreClippedCheaply)
{
    Canvas canvas(20, 10);
    // Crosses the bitmap on row 5 from two billion pixels away: only the
    // visible steps may be walked, or this test would not finish.
    canvas.Polyline(CRasterPen::CreateSolid(1, kRgbBlack), {{-100000000, 5}, {100000000, 5}});
    EXPECT_EQ(canvas.Painted(), Square(0, 5, 19, 5));

    Canvas outside(20, 10);
    outside.Polyline(CRasterPen::CreateSolid(2, kRgbBlack),
                     {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, 3}, {-1000, -1000}, {-10, 5}});
    EXPECT_TRUE(outside.Painted().empty()) << "beyond the device space nothing is drawn";
}

TEST(Raster, SelectionSwapsObjectsOfOneKindAndSurvivesTheirDestruction)
{
    std::unique_ptr<CRasterDc> dc = CRasterDc::CreateMemoryDc();
    std::unique_ptr<CRasterDc> other = CRasterDc::CreateMemoryDc();
    CRasterBitmap* defaultBitmap = &dc->GetCurrentBitmap();
    CRasterPen* defaultPen = &dc->GetCurrentPen();
    EXPECT_EQ(defaultBitmap->GetWidth(), 1);
    EXPECT_EQ(defaultPen->GetColor(), kRgbBlack);

    auto bitmap = CRasterBitmap::CreateDibSection(4, 4);
    auto red = CRasterPen::CreateSolid(2, RgbColor{255, 0, 0});
    auto blue = CRasterPen::CreateSolid(2, RgbColor{0, 0, 255});
    EXPECT_EQ(dc->SelectObject(bitmap.get()), defaultBitmap);
    EXPECT_EQ(dc->SelectObject(red.get()), defaultPen);
    EXPECT_EQ(dc->SelectObject(blue.get()), red.get());
    EXPECT_EQ(&dc->GetCurrentBitmap(), bitmap.get()) << "a pen leaves the bitmap alone";
    EXPECT_EQ(dc->SelectObject(nullptr), nullptr);
    EXPECT_EQ(other->SelectObject(blue.get()), nullptr) << "selected into the first context";
    EXPECT_EQ(other->SelectObject(defaultPen), nullptr) << "the first context's default";

    bitmap.reset();
    blue.reset();
    EXPECT_EQ(&dc->GetCurrentBitmap(), defaultBitmap);
    EXPECT_EQ(&dc->GetCurrentPen(), defaultPen);
    dc->LineTo(3, 3);  // into the 1 x 1 default, not freed memory

    EXPECT_NE(other->SelectObject(red.get()), nullptr) << "red was deselected by blue";
    other.reset();
    EXPECT_EQ(red->SelectedInto(), nullptr) << "a pen outlives its context";
}

}  // namespace
