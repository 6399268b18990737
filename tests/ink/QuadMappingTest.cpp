#include "ink/QuadMapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

namespace {

using Mapped = std::pair<int32_t, int32_t>;

Mapped Map(CQuadMapping& m, int32_t x, int32_t y)
{
    const CQuadMapping::IntPoint p = m.MapPoint(x, y);
    return {p.x, p.y};
}

CQuadMapping SelfTestQuads()
{
    CQuadMapping m;
    m.SetSource(0, 0, 80, -10, 120, 120, -20, 100);
    m.SetTarget(0, 0, 100, 0, 100, 100, 0, 100);
    return m;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Trace(CQuadMapping& m, void (*run)(CQuadMapping&))
{
    std::unique_ptr<std::FILE, FileCloser> f(std::tmpfile());
    if (!f) {
        ADD_FAILURE() << "no tmpfile";
        return {};
    }
    m.SetTraceStream(f.get());
    run(m);
    std::rewind(f.get());
    std::string text;
    for (int c; (c = std::fgetc(f.get())) != EOF;)
        text.push_back(static_cast<char>(c));
    return text;
}

} // namespace

// Expected values computed apart from the code. The zeros of (0, 0) come out
// negative from the root formula and print with their sign.
TEST(QuadMapping, SelfTestTracesTheTenPoints)
{
    CQuadMapping m;
    EXPECT_EQ(Trace(m, [](CQuadMapping& q) { q.SelfTest(); }),
              "Ps = (50, 50), s = 0.476461, t = 0.548214, Pd = (54, 47)\n"
              "Ps = (0, 0), s = -0.000000, t = -0.000000, Pd = (0, 0)\n"
              "Ps = (250, 150), s = 1.079891, t = 1.875760, Pd = (187, 107)\n"
              "Ps = (-50, 50), s = 0.519937, t = -0.356139, Pd = (-35, 51)\n"
              "Ps = (50, -50), s = -0.350456, t = 0.728997, Pd = (72, -35)\n"
              "Ps = (0, 100), s = 0.973013, t = 0.140628, Pd = (14, 97)\n"
              "Ps = (100, 100), s = 0.859420, t = 0.890725, Pd = (89, 85)\n"
              "Ps = (100, 0), s = 0.087874, t = 1.193322, Pd = (119, 8)\n"
              "Ps = (-100, -100), s = 0.000000, t = 0.000000, Pd = (0, 0)\n"
              "Ps = (0, -100), s = 0.000000, t = 0.000000, Pd = (0, 0)\n");
    EXPECT_TRUE(m.IsSourceSet());
    EXPECT_TRUE(m.IsTargetSet());
}

TEST(QuadMapping, SourceCornersLandOnTargetCorners)
{
    struct Case {
        int32_t x, y;
        double s, t;
        Mapped expected;
    } cases[] = {
        {0, 0, 0, 0, {0, 0}},
        {80, -10, 0, 1, {100, 0}},
        {120, 120, 1, 1, {100, 100}},
        {-20, 100, 1, 0, {0, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        CQuadMapping m = SelfTestQuads();
        EXPECT_EQ(Map(m, c.x, c.y), c.expected);
        EXPECT_NEAR(m.S(), c.s, 1e-12);
        EXPECT_NEAR(m.T(), c.t, 1e-12);
    }
}

TEST(QuadMapping, IdenticalQuadrilateralsMapEveryPointToItselfWithoutInverting)
{
    CQuadMapping m = SelfTestQuads();
    ASSERT_TRUE(m.Invert(50, 50));
    const double s = m.S();
    const double t = m.T();
    m.SetTarget(0, 0, 80, -10, 120, 120, -20, 100);
    for (const Mapped& p : {Mapped{50, 50}, Mapped{-100, -100}, Mapped{2000000000, -2000000000}})
        EXPECT_EQ(Map(m, p.first, p.second), p);
    EXPECT_EQ(m.S(), s);
    EXPECT_EQ(m.T(), t);
}

TEST(QuadMapping, UnloadedQuadrilateralsMapToOrigin)
{
    CQuadMapping none;
    EXPECT_FALSE(none.Invert(10, 10));
    EXPECT_EQ(Map(none, 10, 10), Mapped(0, 0));

    CQuadMapping sourceOnly;
    sourceOnly.SetSource(0, 0, 0, 100, 100, 100, 100, 0);
    EXPECT_TRUE(sourceOnly.Invert(10, 10));
    EXPECT_EQ(Map(sourceOnly, 10, 10), Mapped(0, 0));
    EXPECT_EQ(sourceOnly.Evaluate().x, 0);

    CQuadMapping targetOnly;
    targetOnly.SetTarget(0, 0, 0, 100, 100, 100, 100, 0);
    EXPECT_EQ(Map(targetOnly, 10, 10), Mapped(0, 0));
}

TEST(QuadMapping, DegenerateSourcesTakeTheLinearAndZeroBranches)
{
    struct Case {
        const char* name;
        int32_t source[8];
        int32_t x, y;
        double s, t;
        Mapped expected;
    } cases[] = {
        // Parallelogram (c = 0, qa = 0), s from the x components.
        {"parallelogram", {0, 0, 10, 100, 210, 100, 200, 0}, 105, 50, 0.5, 0.5, {500, 500}},
        // Axis-aligned square: b.x + t*c.x is 0, s comes from the y components.
        {"square", {0, 0, 100, 0, 100, 100, 0, 100}, 30, 70, 0.7, 0.3, {700, 300}},
        // All corners in one point: qa = qb = 0 and both denominators 0.
        {"point", {5, 5, 5, 5, 5, 5, 5, 5}, 40, -40, 0, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQuadMapping m;
        const int32_t* p = c.source;
        m.SetSource(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
        m.SetTarget(0, 0, 0, 1000, 1000, 1000, 1000, 0);
        EXPECT_EQ(Map(m, c.x, c.y), c.expected);
        EXPECT_DOUBLE_EQ(m.S(), c.s);
        EXPECT_DOUBLE_EQ(m.T(), c.t);
    }
}

TEST(QuadMapping, MapRecordsMapsEveryRecordAndKeepsTheLow16Bits)
{
    CQuadMapping m;
    m.SetSource(0, 0, 0, 100, 100, 100, 100, 0);
    m.SetTarget(0, 0, 0, 100000, 100000, 100000, 100000, 0);
    StrokeSample records[] = {
        {StrokeSample::PenDown, 5, 6, 2},
        {StrokeSample::PenMove, 50, 60, 2}, // 50000, 60000 wrap to negative
        {StrokeSample::PenMove, -10, 0, 2}, // negative input reads as signed
        {StrokeSample::PenUp, 1, 1, 7},     // end records are mapped too
    };
    m.MapRecords(records, 4);
    const std::tuple<uint16_t, int16_t, int16_t, uint16_t> expected[] = {
        {1, 5000, 6000, 2}, {2, -15536, -5536, 2}, {2, -10000, 0, 2}, {3, 1000, 1000, 7}};
    for (size_t i = 0; i < 4; ++i) {
        const StrokeSample& r = records[i];
        EXPECT_EQ(std::make_tuple(r.kind, r.x, r.y, r.penColor), expected[i]) << i;
    }
}
