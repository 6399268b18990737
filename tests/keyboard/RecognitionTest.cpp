#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/Strokes.h"

#include "ink/QuadMapping.h"

#include "MessageLog.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Points = std::vector<PenPoint>;

// Keys A (2000..3000 x 2000..3000), B to its right, C overlapping A's lower
// right, D beyond a gap (4000..5000). The keyboard bounds are
// 2000..6000 x 2000..3500; the marks lie off the keyboard.
const std::vector<std::string> kKeyLines = {
    "\"2000\",\"2000\",\"3000\",\"3000\",\"あ\",\"い\",\"う\",\"ア\",\"イ\",\"ウ\",\"a\",\"i\",\"u\"",
    "\"3000\",\"2000\",\"4000\",\"3000\",\"<KANA>\",\"<HAN>\",\"<HIRA>\",\"<KANA>\",\"<HAN>\",\"<HIRA>\","
    "\"<KANA>\",\"<HAN>\",\"<HIRA>\"",
    "\"2500\",\"2500\",\"3500\",\"3500\",\"C\",\"C\",\"C\",\"C\",\"C\",\"C\",\"C\",\"C\",\"C\"",
    "\"5000\",\"2000\",\"6000\",\"3000\",\"<BS>\",\"<NOKEY>\",\"<NOKEY>\",\"<BR>\",\"<NOKEY>\",\"<NOKEY>\","
    "\"<REUSE>\",\"<NOKEY>\",\"<NOKEY>\"",
};
const std::string kMarks = "\"1000\",\"1000\",\"20000\",\"1000\",\"20000\",\"13800\",\"1000\",\"13800\",\"10500\",\"7400\"";
const Points kMarkPoints = {{1000, 1000}, {20000, 1000}, {20000, 13800}, {1000, 13800}, {10500, 7400}};

std::unique_ptr<CKeyboardDef> LoadKeyboard(CQuadMapping* mapping, int rule = 0)
{
    std::vector<std::string> lines = {"\"" + std::to_string(rule) + "\",\"12\",\"7\"", kMarks, kMarks};
    lines.insert(lines.end(), kKeyLines.begin(), kKeyLines.end());
    WriteBytes("softKB.skb", CrLf(lines));
    auto keyboard = std::make_unique<CKeyboardDef>();
    keyboard->SetMapping(mapping);
    EXPECT_TRUE(keyboard->Load());
    return keyboard;
}

void AddStroke(std::vector<StrokeSample>& records, const Points& points, uint16_t color = 0)
{
    for (std::size_t i = 0; i < points.size(); ++i) {
        const uint16_t kind = i == 0 ? StrokeSample::PenDown : StrokeSample::PenMove;
        records.push_back({kind, static_cast<int16_t>(points[i].x), static_cast<int16_t>(points[i].y), color});
    }
    if (!points.empty())
        records.push_back({StrokeSample::PenUp, 0, 0, 0});
}

std::vector<StrokeSample> Page(const std::vector<Points>& strokes)
{
    std::vector<StrokeSample> records;
    for (const Points& stroke : strokes)
        AddStroke(records, stroke);
    return records;
}

// A key stroke together with the records it points into.
struct TestStroke {
    explicit TestStroke(const Points& points, uint16_t color = 0)
    {
        AddStroke(records, points, color);
        stroke.Add(records.data(), records.size());
    }
    std::vector<StrokeSample> records;
    CKbStrokes stroke;
};

constexpr CStrokeBase::Kind kKey = CStrokeBase::Kind::KeyStroke;
constexpr CStrokeBase::Kind kInk = CStrokeBase::Kind::InkGroup;

PenPoint Offset(const PenPoint& p, int32_t dx, int32_t dy)
{
    return {p.x + dx, p.y + dy};
}

}  // namespace

TEST(Strokes, GestureFromBoundingBoxAndEnds)
{
    const struct {
        const char* name;
        Points points;
        Gesture expected;
    } cases[] = {
        {"no samples", {}, Gesture::None},
        {"one point", {{5, 5}}, Gesture::Tap},
        {"250 x 250", {{0, 250}, {250, 0}}, Gesture::Tap},
        {"251 wide, ends up right", {{0, 250}, {251, 0}}, Gesture::BottomToTop},
        {"251 high, ends down left", {{250, 0}, {0, 251}}, Gesture::TopToBottom},
        {"upper left to lower right", {{0, 0}, {1000, 1000}}, Gesture::Tap},
        {"vertical down", {{0, 0}, {0, 1000}}, Gesture::Tap},
        {"vertical up", {{0, 1000}, {0, 0}}, Gesture::Tap},
        {"horizontal", {{0, 0}, {1000, 0}}, Gesture::Tap},
        {"only the ends count", {{0, 500}, {900, 900}, {400, 0}}, Gesture::BottomToTop},
    };
    for (const auto& c : cases) {
        TestStroke t(c.points);
        EXPECT_EQ(t.stroke.GetGesture(), c.expected) << c.name;
    }
}

TEST(Strokes, PointsColorAndFlags)
{
    TestStroke t({{10, 20}, {30, -5}, {21, 7}}, 3);
    EXPECT_EQ(t.stroke.FirstPoint(), (PenPoint{10, 20}));
    EXPECT_EQ(t.stroke.LastPoint(), (PenPoint{21, 7}));
    EXPECT_EQ(t.stroke.Centre(), (PenPoint{20, 7}));
    EXPECT_EQ(t.stroke.PenColor(), 3);
    EXPECT_EQ(TestStroke({{-5, -5}, {-2, -2}}).stroke.Centre(), (PenPoint{-3, -3}));

    CKbStrokes stroke;
    EXPECT_EQ(stroke.LastPoint(), (PenPoint{0, 0}));
    EXPECT_EQ(stroke.PenColor(), 0);
    EXPECT_EQ(stroke.MinX(), 50000);
    EXPECT_EQ(stroke.MaxY(), -50000);
    EXPECT_FALSE(stroke.IsWritten() || stroke.IsReused());
    // Cut off before its pen-up, a stroke ends at its last sample. Adding a
    // sample makes it active again; a pen-up leaves the box alone.
    const StrokeSample samples[] = {{StrokeSample::PenDown, 7, 8, 2}, {StrokeSample::PenUp, 999, 999, 0}};
    stroke.Add(&samples[0], 1);
    EXPECT_EQ(stroke.LastPoint(), (PenPoint{7, 8}));
    stroke.SetActive(false);
    stroke.Add(&samples[1], 1);
    EXPECT_TRUE(stroke.IsActive());
    EXPECT_EQ(stroke.MaxX(), 7);

    EXPECT_EQ(stroke.GetKind(), CStrokeBase::Kind::KeyStroke);
    EXPECT_EQ(CInkStrokes().GetKind(), CStrokeBase::Kind::InkGroup);
}

// Writing wrapped onto the next line is moved beside the group, from the
// wrap on and once per group.
TEST(Strokes, InkGroupsMoveWhatFollowsTheirWrap)
{
    const StrokeSample records[] = {
        {StrokeSample::PenDown, 1000, 2000, 2},  {StrokeSample::PenUp, 0, 0, 0},
        {StrokeSample::PenDown, 30000, 0, 2},    {StrokeSample::PenMove, 1000, 2000, 2},
        {StrokeSample::PenMove, -30000, 5000, 2},
    };
    CInkStrokes ink;
    ink.Add(&records[0], 2);
    ink.Wrap(7176, -702);
    ink.Add(&records[2], 2);
    ink.Wrap(1, 1);
    ink.Add(&records[4], 1);
    EXPECT_EQ(ink.SampleCount(), 5u);
    EXPECT_EQ(ink.Sample(2).x, 30000);
    EXPECT_EQ(ink.MinX(), -28360);  // wraps at 16 bits
    EXPECT_EQ(ink.MaxX(), 8176);
    EXPECT_EQ(ink.MinY(), -702);
    EXPECT_EQ(ink.MaxY(), 4298);

    for (int32_t scale : {0, -4})
        ink.SetScale(scale);
    EXPECT_EQ(ink.Scale(), 10);
    ink.SetScale(3);
    EXPECT_EQ(ink.Scale(), 3);
}

TEST(KeyRecognition, NearAMarkAndInsideTheKeyboard)
{
    ScopedWorkDir dir;
    auto keyboard = LoadKeyboard(nullptr);
    EXPECT_TRUE(keyboard->IsNearMark(1500, 500));
    EXPECT_TRUE(keyboard->IsNearMark(10000, 7900));
    EXPECT_FALSE(keyboard->IsNearMark(1501, 1000));
    EXPECT_FALSE(keyboard->IsNearMark(1000, 499));
    EXPECT_TRUE(keyboard->IsInKeyboard(2000, 2000));
    EXPECT_TRUE(keyboard->IsInKeyboard(5999, 3499));
    EXPECT_FALSE(keyboard->IsInKeyboard(6000, 2500));
    EXPECT_FALSE(keyboard->IsInKeyboard(2500, 3500));
}

TEST(KeyRecognition, HitPointByRule)
{
    ScopedWorkDir dir;
    const struct {
        int rule;
        PenPoint down;
        PenPoint expected;
    } cases[] = {
        {0, {2000, 2000}, {2000, 2000}},
        {1, {2000, 2000}, {2025, 2100}},
        {2, {2000, 2000}, {2050, 2200}},
        {7, {2000, 2000}, {2000, 2000}},
        // Toward smaller values the division truncates toward zero.
        {1, {2102, 2405}, {2102, 2404}},
    };
    for (const auto& c : cases) {
        auto keyboard = LoadKeyboard(nullptr, c.rule);
        TestStroke t({c.down, {2500, 2500}, {2100, 2400}});
        EXPECT_EQ(keyboard->HitPoint(t.stroke), c.expected) << "rule " << c.rule;
    }
}

TEST(KeyRecognition, LookupFollowsKeysGesturesAndModeTags)
{
    ScopedWorkDir dir;
    auto keyboard = LoadKeyboard(nullptr);
    const Points tapA = {{2100, 2100}};
    const Points upA = {{2100, 2900}, {2600, 2400}};
    const Points downA = {{2900, 2100}, {2400, 2600}};
    const struct {
        const char* name;
        Points stroke;
        std::string text;
        InputMode modeAfter;
    } steps[] = {
        {"tap", tapA, "あ", InputMode::Hiragana},
        {"bottom to top", upA, "い", InputMode::Hiragana},
        {"top to bottom", downA, "う", InputMode::Hiragana},
        {"right edge of A is B: <KANA>", {{3000, 2100}}, "", InputMode::Katakana},
        {"tap in katakana", tapA, "ア", InputMode::Katakana},
        {"overlap: the earlier key wins", {{2700, 2700}}, "ア", InputMode::Katakana},
        {"only in C", {{3200, 3200}}, "C", InputMode::Katakana},
        {"bottom edge of A, left of C", {{2100, 3000}}, "", InputMode::Katakana},
        {"gap between keys", {{4500, 2500}}, "", InputMode::Katakana},
        {"bottom to top on B: <HAN>", {{3100, 2900}, {3600, 2400}}, "", InputMode::HalfWidth},
        {"half-width", downA, "u", InputMode::HalfWidth},
        {"other tags are text", {{5500, 2500}}, "<REUSE>", InputMode::HalfWidth},
        {"empty slot", {{5100, 2900}, {5600, 2400}}, "", InputMode::HalfWidth},
        {"top to bottom on B: <HIRA>", {{3900, 2100}, {3400, 2600}}, "", InputMode::Hiragana},
        {"back space", {{5500, 2500}}, "<BS>", InputMode::Hiragana},
        {"no samples", {}, "", InputMode::Hiragana},
    };
    for (const auto& step : steps) {
        TestStroke t(step.stroke);
        EXPECT_EQ(keyboard->LookupKeyText(t.stroke), step.text) << step.name;
        EXPECT_EQ(keyboard->GetInputMode(), step.modeAfter) << step.name;
    }
}

TEST(PageStrokes, FiveTapsInOrderRecalibrate)
{
    ScopedWorkDir dir;
    CQuadMapping mapping;
    auto keyboard = LoadKeyboard(&mapping);
    const std::string fileBefore = ReadBytes("softKB.skb");

    // The sheet lies 100 units right of and 50 below where the file expects.
    std::vector<Points> strokes;
    for (const PenPoint& mark : kMarkPoints)
        strokes.push_back({Offset(mark, 90, 40), Offset(mark, 110, 60)});
    strokes.push_back({{2600, 2550}});
    const std::vector<StrokeSample> records = Page(strokes);
    keyboard->SetInputMode(1);

    CPageStrokes page(records.data(), records.size(), std::move(keyboard), &mapping);
    ASSERT_TRUE(page.Calibrated());
    ASSERT_EQ(page.Strokes().size(), 6u);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_NE(dynamic_cast<CKbStrokes*>(page.Strokes()[k]), nullptr);
        EXPECT_FALSE(page.Strokes()[k]->IsActive());
        EXPECT_EQ(page.Keyboard().MeasuredMarks()[k], Offset(kMarkPoints[k], 100, 50));
    }
    EXPECT_EQ(mapping.Source()[2].x, 20100);
    EXPECT_EQ(mapping.Source()[2].y, 13850);
    EXPECT_EQ(page.Keyboard().GetInputMode(), InputMode::Hiragana);

    // The file now holds the measured marks; the old one is the backup.
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), fileBefore);
    CKeyboardDef reloaded;
    ASSERT_TRUE(reloaded.Load());
    EXPECT_EQ(reloaded.MeasuredMarks(), page.Keyboard().MeasuredMarks());

    // The tap after the marks is mapped and found on key A.
    const CStrokeBase& tap = *page.Strokes()[5];
    EXPECT_TRUE(tap.IsActive());
    EXPECT_NEAR(tap.FirstPoint().x, 2500, 1);
    EXPECT_NEAR(tap.FirstPoint().y, 2500, 1);
    EXPECT_EQ(page.Keyboard().LookupKeyText(tap), "あ");
}

TEST(PageStrokes, NoCalibrationRecognisesFromTheFirstSample)
{
    const PenPoint keyA = {2100, 2100};
    const auto markTaps = [](std::vector<std::size_t> order) {
        std::vector<Points> taps;
        for (std::size_t k : order)
            taps.push_back({Offset(kMarkPoints[k], 50, 50)});
        return taps;
    };
    std::vector<Points> wandering = markTaps({0, 1, 2, 3});
    wandering.push_back({kMarkPoints[4], Offset(kMarkPoints[4], 1200, 0)});  // starts near, centre far

    const struct {
        const char* name;
        std::vector<Points> strokes;
        std::vector<CStrokeBase::Kind> kinds;
    } cases[] = {
        {"taps out of order", markTaps({1, 0, 2, 3, 4}), {kInk}},
        {"four taps", markTaps({0, 1, 2, 3}), {kInk}},
        {"four taps then a key", [&] { auto s = markTaps({0, 1, 2, 3}); s.push_back({keyA}); return s; }(),
         {kInk, kKey}},
        {"fifth centre too far", wandering, {kInk}},
        {"first stroke off the marks", [&] { auto s = markTaps({0, 1, 2, 3, 4}); s.insert(s.begin(), Points{keyA}); return s; }(),
         {kKey, kInk}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        CQuadMapping mapping;
        auto keyboard = LoadKeyboard(&mapping);
        const CKeyboardDef::Marks before = keyboard->MeasuredMarks();
        const std::vector<StrokeSample> records = Page(c.strokes);

        CPageStrokes page(records.data(), records.size(), std::move(keyboard), &mapping);
        EXPECT_FALSE(page.Calibrated()) << c.name;
        EXPECT_EQ(page.Keyboard().MeasuredMarks(), before) << c.name;
        EXPECT_FALSE(std::filesystem::exists("softKB.skb.bak")) << c.name;
        ASSERT_EQ(page.Strokes().size(), c.kinds.size()) << c.name;
        for (std::size_t i = 0; i < c.kinds.size(); ++i) {
            EXPECT_EQ(page.Strokes()[i]->GetKind(), c.kinds[i]) << c.name;
            EXPECT_TRUE(page.Strokes()[i]->IsActive()) << c.name;
        }
        EXPECT_EQ(page.Strokes()[0]->FirstPoint(), c.strokes[0][0]) << c.name;
    }
}

TEST(PageStrokes, KeyStrokesAndInkGroupsInPageOrder)
{
    ScopedWorkDir dir;
    CQuadMapping mapping;
    auto keyboard = LoadKeyboard(&mapping);
    const std::vector<StrokeSample> records = Page({
        {{2100, 2100}},                              // key A
        {{4500, 2500}, {4520, 2510}},                // gap: a key stroke without text
        {{10000, 5000}, {10500, 5200}},              // ink
        {{1000, 2500}, {2500, 2500}, {2600, 2600}},  // ink that runs into the keyboard
        {{15000, 9000}},                             // ink far away, same group
        {{2200, 2200}},                              // key A ends the group
        {{12000, 12000}},                            // ink, open at the end of the page
    });

    CPageStrokes page(records.data(), records.size(), std::move(keyboard), &mapping);
    const auto& strokes = page.Strokes();
    ASSERT_EQ(strokes.size(), 5u);
    const CStrokeBase::Kind kinds[] = {kKey, kKey, kInk, kKey, kInk};
    for (std::size_t i = 0; i < strokes.size(); ++i)
        EXPECT_EQ(strokes[i]->GetKind(), kinds[i]) << i;

    EXPECT_EQ(page.Keyboard().LookupKeyText(*strokes[0]), "あ");
    EXPECT_EQ(page.Keyboard().LookupKeyText(*strokes[1]), "");

    const auto& group = dynamic_cast<const CInkStrokes&>(*strokes[2]);
    EXPECT_EQ(group.SampleCount(), 3u + 4u + 2u);
    EXPECT_EQ(group.Scale(), 7);
    EXPECT_EQ(group.MinX(), 1000);
    EXPECT_EQ(group.MaxX(), 15000);
    EXPECT_EQ(dynamic_cast<const CInkStrokes&>(*strokes[4]).SampleCount(), 2u);
}

TEST(PageStrokes, WrappedInkIsShiftedForTheRestOfTheGroup)
{
    // The group's first stroke: right edge 14000, bottom 5100.
    const Points first = {{12000, 5000}, {14000, 5100}};
    const struct {
        const char* name;
        PenPoint start;
        bool shifted;
    } cases[] = {
        {"next line, far left", {7000, 5500}, true},
        {"exactly 6240 left of the edge", {7760, 5500}, false},
        {"6241 left of the edge", {7759, 5500}, true},
        {"level with the bottom", {7000, 5100}, false},
        {"a whole line below", {7000, 5802}, false},
        {"just under a line below", {7000, 5801}, true},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        CQuadMapping mapping;
        auto keyboard = LoadKeyboard(&mapping);
        const std::vector<StrokeSample> records =
            Page({first, {c.start, Offset(c.start, 100, 50)}, {{20000, 9000}}});
        CPageStrokes page(records.data(), records.size(), std::move(keyboard), &mapping);
        ASSERT_EQ(page.Strokes().size(), 1u) << c.name;
        const CStrokeBase& group = *page.Strokes()[0];
        ASSERT_EQ(group.SampleCount(), 3u + 3u + 2u) << c.name;
        const int32_t dx = c.shifted ? 7176 : 0;
        const int32_t dy = c.shifted ? -702 : 0;
        // The first stroke stays; the shift holds for the later strokes.
        EXPECT_EQ(group.MinX(), std::min<int32_t>(12000, c.start.x + dx)) << c.name;
        EXPECT_EQ(group.MaxX(), 20000 + dx) << c.name;
        EXPECT_EQ(group.MaxY(), 9000 + dy) << c.name;
    }
}

TEST(PageStrokes, StrayAndUnfinishedRecords)
{
    ScopedWorkDir dir;
    CQuadMapping mapping;
    auto keyboard = LoadKeyboard(&mapping);
    std::vector<StrokeSample> records = {
        {StrokeSample::PenUp, 0, 0, 0},          // stray pen-up
        {StrokeSample::PenMove, 2100, 2100, 0},  // move without a stroke
        {StrokeSample::PenDown, 2100, 2100, 0},  // key stroke without a pen-up...
        {StrokeSample::PenDown, 9000, 9000, 0},  // ...ended by ink
        {7, 2100, 2100, 0},                      // unknown kind
        {StrokeSample::PenDown, 2200, 2200, 0},  // open at the end of the page
    };
    CPageStrokes page(records.data(), records.size(), std::move(keyboard), &mapping);
    ASSERT_EQ(page.Strokes().size(), 3u);
    EXPECT_EQ(page.Strokes()[0]->GetKind(), kKey);
    EXPECT_EQ(page.Strokes()[1]->GetKind(), kInk);
    EXPECT_EQ(page.Strokes()[2]->SampleCount(), 1u);
    EXPECT_EQ(page.Keyboard().LookupKeyText(*page.Strokes()[2]), "あ");
}
