#include "ZEL640_IF.h"
#include "inkfile/InkFileWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using inkfile::InkFileWriter;
using inkfile::RawSample;
using inkfile::TempInkFile;

// Found by argument-dependent lookup, so in InkSample's own namespace.
bool operator==(const InkSample& a, const InkSample& b)
{
    return a.kind == b.kind && a.penColor == b.penColor && a.x == b.x && a.y == b.y;
}

std::ostream& operator<<(std::ostream& os, const InkSample& s)
{
    return os << "{kind " << s.kind << ", colour " << s.penColor << ", " << s.x << ", " << s.y << "}";
}

namespace {

struct Closer {
    void operator()(ZEL640_File* f) const { EXPECT_EQ(ZEL640_Close(f), 0); }
};
using Handle = std::unique_ptr<ZEL640_File, Closer>;

std::vector<uint8_t> Text(const std::string& s)
{
    return {s.begin(), s.end()};
}

struct Loaded {
    InkFileHeader header{};
    std::vector<InkSample> samples;
};

Loaded Load(const InkFileWriter& writer)
{
    TempInkFile file(writer);
    Handle h(ZEL640_Open(file.Path().c_str()));
    Loaded out;
    if (!h) {
        ADD_FAILURE() << "open failed: " << std::hex << ZEL640_GetLastError();
        return out;
    }
    EXPECT_EQ(ZEL640_GetHeader(&out.header, h.get()), 1);
    int32_t n = 0;
    if (ZEL640_GetStrokeSize(&n, &out.header, h.get()) != 1) {
        ADD_FAILURE() << "no samples: " << std::hex << ZEL640_GetLastError();
        return out;
    }
    out.samples.resize(static_cast<size_t>(n));
    EXPECT_EQ(ZEL640_GetStrokes(out.samples.data(), &out.header, n, h.get()), 1);
    return out;
}

InkSample Decode(const std::array<uint8_t, 8>& raw)
{
    Loaded l = Load(InkFileWriter().Sample(RawSample::FromBytes(raw)));
    EXPECT_EQ(l.samples.size(), 1u);
    return l.samples.empty() ? InkSample{} : l.samples[0];
}

InkSample P(uint16_t x, uint16_t y, uint16_t color = 0)
{
    return {ZEL640_KIND_PEN, color, x, y};
}
const InkSample B{ZEL640_KIND_BREAK, 0, 0, 0};

} // namespace

TEST(InkLibOpen, AcceptsOnlyTheTwoSignaturesWithoutTheSoftTag)
{
    const std::vector<uint8_t> header = InkFileWriter().Bytes();
    auto with = [&](size_t length, const std::string& sig, const std::string& tag) {
        std::vector<uint8_t> b = header;
        std::memcpy(b.data(), sig.data(), 4);
        std::memcpy(b.data() + 8, tag.data(), 4);
        b.resize(length);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t error; // 0: opens
    } cases[] = {
        {"UEDY", with(48, "UEDY", "NOTE"), 0},
        {"ARPN", with(48, "ARPN", "NOTE"), 0},
        {"twelve bytes are enough", with(12, "ARPN", "NOTE"), 0},
        {"ARPN with SOFT", with(48, "ARPN", "SOFT"), ZEL640_ERR_FORMAT},
        {"UEDY with SOFT", with(48, "UEDY", "SOFT"), ZEL640_ERR_FORMAT},
        {"lower-case soft is another tag", with(48, "UEDY", "soft"), 0},
        {"other signature", with(48, "UEDZ", "NOTE"), ZEL640_ERR_FORMAT},
        {"signature read big-endian", with(48, "YDEU", "NOTE"), ZEL640_ERR_FORMAT},
        {"empty", {}, ZEL640_ERR_READ},
        {"1 byte", Text("U"), ZEL640_ERR_READ},
        {"3 bytes", Text("UED"), ZEL640_ERR_READ},
        {"4 bytes, no tag", Text("UEDY"), ZEL640_ERR_FORMAT},
        {"11 bytes, partial tag", with(11, "ARPN", "NOTE"), ZEL640_ERR_FORMAT},
        {"4 bytes, wrong signature", Text("ABCD"), ZEL640_ERR_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempInkFile file(c.bytes);
        Handle h(ZEL640_Open(file.Path().c_str()));
        EXPECT_EQ(h != nullptr, c.error == 0);
        if (c.error != 0) {
            EXPECT_EQ(ZEL640_GetLastError(), c.error);
        }
    }
}

TEST(InkLibOpen, MissingFileAndNullPath)
{
    EXPECT_EQ(ZEL640_Open("/nonexistent-dir/page.ink"), nullptr);
    EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_OPEN);
    EXPECT_EQ(ZEL640_Open(nullptr), nullptr);
    EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_OPEN);
}

TEST(InkLibHeader, ReadsEveryFieldAndTheDataOffsetWidthFromTheFormat)
{
    struct Case {
        uint16_t major, minor;
        uint32_t offset;
    } cases[] = {{1, 0, 46}, {1, 0, 300}, {1, 1, 48}, {2, 0, 70000}, {0, 0, 48}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        // A pen sample right at byte 46 puts non-zero bytes where a 4-byte
        // offset of format 1.0 would wrongly reach.
        InkFileWriter w;
        w.Signature("ARPN").Tag("PAGE").Format(c.major, c.minor).Aux(0xBEEF, 0xDEADBEEF)
            .Size(0x12345678, 0x9ABCDEF0).Orientation(0xC3).DataOffset(c.offset).Pen(0x3FFF, 1);
        Loaded l = Load(w);
        const InkFileHeader& h = l.header;
        EXPECT_EQ(h.magic, ZEL640_MAGIC_ARPN);
        EXPECT_EQ(h.tag, 0x45474150u);
        EXPECT_EQ(h.formatMajor, c.major);
        EXPECT_EQ(h.formatMinor, c.minor);
        EXPECT_EQ(h.aux16, 0xBEEFu);
        EXPECT_EQ(h.width, 0x12345678u);
        EXPECT_EQ(h.height, 0x9ABCDEF0u);
        EXPECT_EQ(h.orientation, 0xC3u);
        EXPECT_EQ(h.aux32, 0xDEADBEEFu);
        EXPECT_EQ(h.dataOffset, c.offset);
        EXPECT_EQ(h.reserved, 0u);
        ASSERT_EQ(l.samples.size(), 1u);
        EXPECT_EQ(l.samples[0], P(0x3FFF, 1));
    }
}

TEST(InkLibHeader, ShortHeaderStopsAtTheFirstMissingFieldAndClearsTheRest)
{
    const std::vector<uint8_t> full = InkFileWriter().Size(500, 600).Aux(7, 8).Bytes();
    struct Case {
        size_t length;
        uint32_t formatMajor, aux16, height, aux32;
    } cases[] = {
        {13, 0, 0, 0, 0},  // inside formatMajor
        {23, 1, 0, 0, 0},  // inside aux16, after a skipped gap
        {31, 1, 7, 0, 0},  // inside height
        {39, 1, 7, 600, 0},
        {47, 1, 7, 600, 8}, // only the 4-byte data offset is missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        TempInkFile file(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(c.length)));
        Handle h(ZEL640_Open(file.Path().c_str()));
        ASSERT_TRUE(h);
        InkFileHeader header;
        std::memset(&header, 0xFF, sizeof header);
        EXPECT_EQ(ZEL640_GetHeader(&header, h.get()), 0);
        EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_READ);
        EXPECT_EQ(header.magic, ZEL640_MAGIC_UEDY);
        EXPECT_EQ(header.formatMajor, c.formatMajor);
        EXPECT_EQ(header.aux16, c.aux16);
        EXPECT_EQ(header.height, c.height);
        EXPECT_EQ(header.aux32, c.aux32);
        EXPECT_EQ(header.dataOffset, 0u);
        EXPECT_EQ(header.reserved, 0u);
    }
}

TEST(InkLibCount, WholeSamplesFromTheDataOffsetToTheEnd)
{
    struct Case {
        uint32_t areaBytes;
        uint8_t offsetOverride; // 0: the real offset
        int32_t count;          // -1: size error, count untouched
    } cases[] = {{0, 0, -1}, {7, 0, -1}, {8, 0, 1}, {15, 0, 1}, {17, 0, 2}, {800, 0, 100}, {16, 255, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.areaBytes);
        std::vector<uint8_t> bytes = InkFileWriter().Trailing(std::vector<uint8_t>(c.areaBytes, 0xA0)).Bytes();
        if (c.offsetOverride != 0)
            bytes[44] = c.offsetOverride; // past the end of the file
        TempInkFile file(bytes);
        Handle h(ZEL640_Open(file.Path().c_str()));
        ASSERT_TRUE(h);
        InkFileHeader header{};
        ASSERT_EQ(ZEL640_GetHeader(&header, h.get()), 1);
        int32_t n = -7;
        EXPECT_EQ(ZEL640_GetStrokeSize(&n, &header, h.get()), c.count >= 0 ? 1 : 0);
        if (c.count >= 0) {
            EXPECT_EQ(n, c.count);
        } else {
            EXPECT_EQ(n, -7);
            EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_SIZE);
        }
    }
}

TEST(InkLibSamples, DecodesStatusAndCoordinateBits)
{
    struct Case {
        std::array<uint8_t, 8> raw;
        InkSample expected;
    } cases[] = {
        {{0xA3, 0x05, 0x01, 0x10, 0x02, 0x00, 0x01, 0x00}, P(0x4085, 0x0110, 2)},
        {{0xA3, 0x05, 0x01, 0x10, 0x02, 0x00, 0x05, 0x00}, P(0x4085, 0x0110, 2)}, // byte 6 bit 2
        {{0xA3, 0x85, 0x81, 0x90, 0x82, 0xFF, 0xFD, 0xFF}, P(0x4085, 0x0110, 2)}, // bit 7s
        {{0xE0, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F}, B},
        {{0xA1, 0x7F, 0x7F, 0x7F, 0x7F, 0x00, 0x03, 0x00}, P(0xFFFF, 0x3FFF, 1)},
        {{0xA5, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, P(0, 0, 3)},
        {{0xA0, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00}, P(1, 2, 0)},
        {{0xA2, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00}, P(1, 2, 0)},
        {{0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00}, P(128, 128, 0)},
        {{0xE1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, P(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.raw));
        EXPECT_EQ(Decode(c.raw), c.expected);
    }
}

TEST(InkLibSamples, RoundTripsTheWriterInFileOrderIgnoringATrailingRemainder)
{
    InkFileWriter w;
    w.Format(1, 0).DataOffset(100).Stroke({{0, 0}, {65535, 16383}}, inkfile::kRed).Pen(300, 400, inkfile::kBlue)
        .Trailing({0xA1, 1, 2, 3, 4, 5, 6});
    Loaded l = Load(w);
    std::vector<InkSample> expected{P(0, 0, 3), P(65535, 16383, 3), B, P(300, 400, 2)};
    EXPECT_EQ(l.samples, expected);
}

TEST(InkLibSamples, ShortReadIsASizeErrorAndCountZeroWritesNothing)
{
    TempInkFile file(InkFileWriter().Pen(1, 1).Pen(2, 2));
    Handle h(ZEL640_Open(file.Path().c_str()));
    ASSERT_TRUE(h);
    InkFileHeader header{};
    ASSERT_EQ(ZEL640_GetHeader(&header, h.get()), 1);
    std::vector<InkSample> samples(3, P(9, 9, 9));
    EXPECT_EQ(ZEL640_GetStrokes(samples.data(), &header, 3, h.get()), 0);
    EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_SIZE);
    EXPECT_EQ(ZEL640_GetStrokes(samples.data(), &header, 0, h.get()), 1);
    EXPECT_EQ(samples[0], P(9, 9, 9));
    // Reads seek for themselves, so they can be repeated in any order.
    EXPECT_EQ(ZEL640_GetStrokes(samples.data(), &header, 2, h.get()), 1);
    InkFileHeader again{};
    EXPECT_EQ(ZEL640_GetHeader(&again, h.get()), 1);
    EXPECT_EQ(std::memcmp(&again, &header, sizeof header), 0);
    EXPECT_EQ(samples[1], P(2, 2));
}

TEST(InkLibRotate, TurnsThePageWithSixteenBitArithmeticOnlyForTheThreeTurnedPositions)
{
    const InkSample untouched = P(7, 7, 1);
    struct Case {
        uint32_t orientation, width, height;
        InkSample in, out; // out == untouched: nothing written
    } cases[] = {
        {1, 1000, 2000, P(100, 300, 3), P(300, 900, 3)},
        {2, 1000, 2000, P(100, 300, 3), P(900, 1700, 3)},
        {3, 1000, 2000, P(100, 300, 3), P(1700, 100, 3)},
        {2, 0x10000 + 1000, 0x20000 + 2000, P(100, 300), P(900, 1700)}, // low 16 bits of the extents
        {2, 1000, 2000, P(2000, 3000), P(64536, 64536)},                // wraps, never negative
        {1, 1000, 2000, B, {ZEL640_KIND_BREAK, 0, 0, 1000}},             // breaks turn too
        {0, 1000, 2000, P(100, 300), untouched},
        {4, 1000, 2000, P(100, 300), untouched},
        {0x101, 1000, 2000, P(100, 300), untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        InkFileHeader header{};
        header.orientation = c.orientation;
        header.width = c.width;
        header.height = c.height;
        InkSample out = untouched;
        ZEL640_RotateStrokes(&out, &c.in, 1, &header);
        EXPECT_EQ(out, c.out);
        InkSample inPlace = c.in;
        ZEL640_RotateStrokes(&inPlace, &inPlace, 1, &header);
        EXPECT_EQ(inPlace, c.out == untouched ? c.in : c.out);
        out = untouched;
        ZEL640_RotateStrokes(&out, &c.in, 0, &header);
        ZEL640_RotateStrokes(&out, &c.in, -1, &header);
        EXPECT_EQ(out, untouched);
    }
}

namespace {

struct Stroke {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    uint16_t color;
    bool operator==(const Stroke& o) const { return points == o.points && color == o.color; }
};

std::ostream& operator<<(std::ostream& os, const Stroke& s)
{
    return os << testing::PrintToString(s.points) << " colour " << s.color;
}

// Every stroke AnalyzeAndLock hands out until its first null.
std::vector<Stroke> Enumerate(const std::vector<InkSample>& samples)
{
    ZEL640_SetStrokesBuffer(samples.data(), static_cast<int32_t>(samples.size()));
    std::vector<Stroke> strokes;
    int32_t n = -1;
    uint16_t color = 99;
    while (InkStrokePoint* p = ZEL640_AnalyzeAndLock(&n, &color)) {
        Stroke s{{}, color};
        for (int32_t i = 0; i < n; ++i)
            s.points.emplace_back(p[i].x, p[i].y);
        strokes.push_back(s);
        ZEL640_Free(p);
        if (strokes.size() > samples.size())
            break;
    }
    EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_NO_STROKE);
    return strokes;
}

} // namespace

TEST(InkLibStrokes, RunsEndAtBreaksAndABreakAtTheCursorEndsTheEnumeration)
{
    struct Case {
        const char* name;
        std::vector<InkSample> samples;
        std::vector<Stroke> strokes;
    } cases[] = {
        {"P P B P B", {P(1, 2), P(3, 4), B, P(5, 6, 2), B}, {{{{1, 2}, {3, 4}}, 0}, {{{5, 6}}, 2}}},
        {"P B B P", {P(1, 2), B, B, P(5, 6)}, {{{{1, 2}}, 0}}},
        {"B P", {B, P(1, 2)}, {}},
        {"P P, no final break", {P(1, 2), P(3, 4)}, {{{{1, 2}, {3, 4}}, 0}}},
        {"B", {B}, {}},
        {"empty", {}, {}},
        {"run colour is its first sample's", {P(1, 1, 3), P(2, 2, 2), P(3, 3, 0)}, {{{{1, 1}, {2, 2}, {3, 3}}, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Enumerate(c.samples), c.strokes);
    }
}

TEST(InkLibStrokes, StaysExhaustedUntilANewBufferIsRegistered)
{
    const std::vector<InkSample> samples{P(1, 2), B};
    EXPECT_EQ(Enumerate(samples).size(), 1u);
    int32_t n = 42;
    uint16_t color = 0;
    EXPECT_EQ(ZEL640_AnalyzeAndLock(&n, &color), nullptr);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(Enumerate(samples).size(), 1u);
    ZEL640_SetStrokesBuffer(nullptr, 5);
    EXPECT_EQ(ZEL640_AnalyzeAndLock(&n, &color), nullptr);
}
