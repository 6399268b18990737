#include "ZEL640_IF.h"
#include "ink/InkParser.h"
#include "inkfile/InkFileWriter.h"
#include "MessageLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using inkfile::InkFileWriter;
using inkfile::TempInkFile;

namespace {

using Point = std::tuple<int, int, int>; // x, y, color

struct Parsed {
    bool ok = false;
    std::string kinds; // "1 2 3 ..."
    std::vector<Point> points;
    std::vector<std::string> messages;
};

Parsed ParsePath(const std::string& path)
{
    Parsed out;
    MessageLog log;
    CInkParser parser;
    parser.SetPath(path);
    out.ok = parser.DoParse(log);
    for (const Message& message : log.Shown())
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    out.messages = log.Messages();
    const StrokeSample* r = parser.GetRecords();
    for (uint32_t i = 0; i < parser.GetRecordCount(); ++i) {
        out.kinds += (i ? " " : "") + std::to_string(r[i].kind);
        if (r[i].kind != StrokeSample::PenUp)
            out.points.emplace_back(r[i].x, r[i].y, r[i].penColor);
    }
    return out;
}

Parsed Parse(const InkFileWriter& writer)
{
    TempInkFile file(writer);
    return ParsePath(file.Path());
}

} // namespace

TEST(InkParser, RecordsAreStrokePointsThenAnEndRecord)
{
    InkFileWriter w;
    w.Stroke({{1, 2}, {3, 4}, {5, 6}, {7, 8}}, inkfile::kBlue)
        .Stroke({{9, 10}}, inkfile::kRed)
        .Pen(11, 12, inkfile::kColor1).Pen(13, 14, inkfile::kRed); // no final break
    Parsed p = Parse(w);
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.messages.empty());
    EXPECT_EQ(p.kinds, "1 2 2 2 3 1 3 1 2 3");
    const std::vector<Point> expected{{1, 2, 2},  {3, 4, 2},  {5, 6, 2},    {7, 8, 2},
                                      {9, 10, 3}, {11, 12, 1}, {13, 14, 1}}; // color of the first sample
    EXPECT_EQ(p.points, expected);
}

TEST(InkParser, CoordinatesAreSigned16BitAfterTurningThePage)
{
    struct Case {
        uint8_t orientation;
        Point expected;
    } cases[] = {
        {0, {100, 300, 0}},
        {1, {300, 900, 0}},
        {2, {900, 1700, 0}},
        {3, {1700, 100, 0}},
        {4, {100, 300, 0}}, // unknown orientation: kept as stored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.orientation});
        Parsed p = Parse(InkFileWriter().Size(1000, 2000).Orientation(c.orientation).Stroke({{100, 300}}));
        EXPECT_TRUE(p.ok);
        EXPECT_EQ(p.points, std::vector<Point>{c.expected});
    }
    Parsed wide = Parse(InkFileWriter().Stroke({{40000, 16383}}));
    EXPECT_EQ(wide.points, std::vector<Point>({{40000 - 65536, 16383, 0}}));
}

TEST(InkParser, EveryFailureShowsItsMessageAndLeavesNoRecordsAndNoOpenFile)
{
    const std::string noPath = "内部エラー：DoParse();";
    const std::string cannotOpen = "内部エラー(DoParse)：ファイルオープンできません";
    const std::string badHeader = "内部エラー(DoParse)：インクファイルのヘッダーが異常です";
    const std::string readFailed = "内部エラー(DoParse)：インクファイル読み込み失敗";

    std::vector<uint8_t> beyondEnd = InkFileWriter().Stroke({{1, 1}}).Bytes();
    beyondEnd[44] = 200;
    const std::vector<uint8_t> header = InkFileWriter().Bytes();
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes; // empty: no file
        std::string message;
    } cases[] = {
        {"missing file", {}, cannotOpen},
        {"not an ink file", InkFileWriter().Tag("SOFT").Stroke({{1, 1}}).Bytes(), cannotOpen},
        {"header cut short", std::vector<uint8_t>(header.begin(), header.begin() + 40), badHeader},
        {"7-byte sample area", InkFileWriter().Trailing({0xA0, 1, 1, 1, 1, 0, 0}).Bytes(), readFailed},
        {"no sample area", header, readFailed},
        {"data offset past the end", beyondEnd, readFailed},
    };
    const std::filesystem::path fds("/proc/self/fd");
    auto openFiles = [&] {
        std::error_code ec;
        auto it = std::filesystem::directory_iterator(fds, ec);
        return ec ? 0 : std::distance(it, std::filesystem::directory_iterator());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = openFiles();
        Parsed p;
        if (c.bytes.empty()) {
            p = ParsePath((std::filesystem::temp_directory_path() / "no-such-dir/page.ink").string());
        } else {
            TempInkFile file(c.bytes);
            p = ParsePath(file.Path());
        }
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.kinds, "");
        EXPECT_EQ(p.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(openFiles(), before);
    }

    Parsed empty = ParsePath("");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.messages, std::vector<std::string>{noPath});
}

TEST(InkParser, RepeatedAndLeadingBreaksKeepEveryStroke)
{
    struct Case {
        const char* name;
        InkFileWriter writer;
        std::string kinds;
    } cases[] = {
        {"P B B P", InkFileWriter().Pen(1, 1).Break().Break().Pen(2, 2), "1 3 1 3"},
        {"B P P B B B P B", InkFileWriter().Break().Pen(1, 1).Pen(2, 2).Break().Break().Break().Stroke({{3, 3}}),
         "1 2 3 1 3"},
        {"only breaks", InkFileWriter().Break().Break().Break(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Parsed p = Parse(c.writer);
        EXPECT_TRUE(p.ok);
        EXPECT_TRUE(p.messages.empty());
        EXPECT_EQ(p.kinds, c.kinds);
    }
}

// The library's stroke cursor does not outlive the load.
TEST(InkParser, LeavesNoStrokeCursorBehind)
{
    InkFileWriter w;
    w.Stroke({{1, 2}, {3, 4}});
    w.Stroke({{5, 6}});
    TempInkFile file(w);
    CInkParser parser;
    parser.SetPath(file.Path());
    MessageLog log;
    ASSERT_TRUE(parser.DoParse(log));
    int32_t n = 0;
    uint16_t color = 0;
    EXPECT_EQ(ZEL640_AnalyzeAndLock(&n, &color), nullptr);
}
