// The handwriting reader on characters written from KanjiVG's strokes with
// the variation of real writing, and on sketches.

#include "handwriting/HandwritingReader.h"
#include "handwriting/KanaForms.h"
#include "handwriting/Lexicon.h"
#include "handwriting/Segmentation.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Glyphs = std::map<std::string, std::vector<InkStroke>>;

// The characters of strokes.tsv by their UTF-8 text.
const Glyphs& TestGlyphs()
{
    static const Glyphs glyphs = [] {
        Glyphs read;
        std::ifstream in(MAROVI_HANDWRITING_STROKES);
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t tab = line.find('\t');
            std::vector<InkStroke>& strokes = read[line.substr(0, tab)];
            std::stringstream all(line.substr(tab + 1));
            std::string stroke;
            while (std::getline(all, stroke, ';')) {
                InkStroke points;
                std::stringstream pairs(stroke);
                int x = 0;
                int y = 0;
                char comma = 0;
                while (pairs >> x >> comma >> y)
                    points.push_back({x, y});
                strokes.push_back(points);
            }
        }
        return read;
    }();
    return glyphs;
}

// How a line is written: character size and step in pen units, slant (x
// moved by this part of the height above the middle), wobble in pen units.
struct Hand {
    double size = 800;
    double pitch = 850;
    double slant = 0;
    double wobble = 0;
};

// The characters written in a line from (1000, 1000) on; `firstStrokes`
// gets the index of each character's first stroke.
std::vector<InkStroke> Written(const std::vector<std::string>& characters, const Hand& hand,
                               std::vector<std::size_t>* firstStrokes = nullptr)
{
    std::vector<InkStroke> strokes;
    for (std::size_t k = 0; k < characters.size(); ++k) {
        if (firstStrokes)
            firstStrokes->push_back(strokes.size());
        for (const InkStroke& stroke : TestGlyphs().at(characters[k])) {
            InkStroke moved;
            for (std::size_t n = 0; n < stroke.size(); ++n) {
                const double x = stroke[n].x * hand.size / 1000;
                const double y = stroke[n].y * hand.size / 1000;
                const double wobble = hand.wobble * std::sin(static_cast<double>(n) * 1.7 + static_cast<double>(k));
                moved.push_back({static_cast<int32_t>(std::lround(1000 + static_cast<double>(k) * hand.pitch + x -
                                                                  hand.slant * (y - hand.size / 2) + wobble)),
                                 static_cast<int32_t>(std::lround(1000 + y + wobble))});
            }
            strokes.push_back(moved);
        }
    }
    return strokes;
}

// A polyline sampled as a pen samples it, every 20 pen units.
InkStroke Polyline(const std::vector<InkPoint>& corners)
{
    InkStroke line;
    for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
        const double dx = corners[k + 1].x - corners[k].x;
        const double dy = corners[k + 1].y - corners[k].y;
        const int steps = std::max(1, static_cast<int>(std::hypot(dx, dy) / 20));
        for (int n = 0; n < steps; ++n)
            line.push_back({static_cast<int32_t>(corners[k].x + dx * n / steps),
                            static_cast<int32_t>(corners[k].y + dy * n / steps)});
    }
    line.push_back(corners.back());
    return line;
}

InkStroke Circle(double cx, double cy, double radius, double turns)
{
    InkStroke circle;
    for (double a = 0; a < turns * 6.2832; a += 0.08)
        circle.push_back({static_cast<int32_t>(cx + radius * std::cos(a)), static_cast<int32_t>(cy + radius * std::sin(a))});
    return circle;
}

class HandwritingReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string why;
        ASSERT_TRUE(reader_.Open(MAROVI_HANDWRITING_MODEL, why)) << MAROVI_HANDWRITING_MODEL << ": " << why;
    }

    static CHandwritingReader reader_;
};

CHandwritingReader HandwritingReaderTest::reader_;

TEST(Segmentation, CutsWordsWrittenWithVariedSpacingIntoTheirCharacters)
{
    struct Case {
        const char* name;
        std::vector<std::string> word;
        Hand hand;
    };
    const std::vector<Case> cases = {
        {"close", {u8"会", u8"議"}, {800, 760, 0, 0}},
        {"even", {u8"本", u8"学", u8"京"}, {800, 850, 0, 0}},
        {"wide", {u8"会", u8"議"}, {800, 1150, 0, 0}},
        {"slanted", {u8"学", u8"会"}, {800, 880, 0.15, 0}},
        {"wobbly", {u8"さ", u8"く", u8"ら"}, {600, 640, 0, 8}},
        {"small and wide", {u8"京", u8"本"}, {400, 520, 0, 0}},
        {"one character", {u8"議"}, {800, 850, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::size_t> first;
        const std::vector<InkStroke> strokes = Written(c.word, c.hand, &first);
        const std::vector<InkCell> cells = SegmentCells(strokes);
        ASSERT_EQ(cells.size(), c.word.size());
        for (std::size_t k = 0; k < cells.size(); ++k) {
            const std::size_t end = k + 1 < first.size() ? first[k + 1] : strokes.size();
            std::vector<std::size_t> expected;
            for (std::size_t s = first[k]; s < end; ++s)
                expected.push_back(s);
            EXPECT_EQ(cells[k].strokes, expected) << "cell " << k;
        }
    }
}

TEST(Segmentation, KeepsAWordApartFromASketchBesideIt)
{
    std::vector<InkStroke> strokes = Written({u8"会", u8"議"}, {});
    strokes.push_back(Polyline({{3000, 1050}, {3700, 1050}, {3700, 1750}, {3000, 1750}, {3000, 1050}}));
    const std::vector<InkCell> cells = SegmentCells(strokes);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[2].strokes, std::vector<std::size_t>{strokes.size() - 1});
    EXPECT_EQ(cells[0].strokes.size() + cells[1].strokes.size(), strokes.size() - 1);
}

TEST_F(HandwritingReaderTest, ReadsWordsAndACharacterAlone)
{
    struct Case {
        std::vector<std::string> word;
        Hand hand;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{u8"会", u8"議"}, {}, u8"会議"},
        {{u8"本", u8"学", u8"京"}, {700, 800, 0.1, 4}, u8"本学京"},
        {{u8"か", u8"さ"}, {600, 640, 0, 0}, u8"かさ"},
        // The model knows no voiced kana: が is か with its mark.
        {{u8"が"}, {}, u8"が"},
        {{u8"学"}, {500, 500, 0, 0}, u8"学"},
    };
    for (const Case& c : cases) {
        const PictureHandwriting read = reader_.Read(Written(c.word, c.hand));
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(read.writing);
        EXPECT_EQ(SjisToUtf8(read.text), c.text);
        ASSERT_EQ(read.cells.size(), c.word.size());
        for (const HandwritingCell& cell : read.cells) {
            ASSERT_FALSE(cell.candidates.empty());
            EXPECT_LT(cell.left, cell.right);
            EXPECT_LT(cell.top, cell.bottom);
            for (std::size_t k = 1; k < cell.candidates.size(); ++k)
                EXPECT_GE(cell.candidates[k - 1].score, cell.candidates[k].score);
        }
    }
}

TEST_F(HandwritingReaderTest, SketchesStaySketches)
{
    struct Case {
        const char* name;
        std::vector<InkStroke> strokes;
    };
    std::vector<InkStroke> signature;
    for (int part = 0; part < 2; ++part) {
        InkStroke loops;
        for (double t = 0; t <= 1.0; t += 0.004)
            loops.push_back({static_cast<int32_t>(1000 + part * 1500 + t * 1400 + 120 * std::cos(t * 40)),
                             static_cast<int32_t>(1000 + 250 * std::sin(t * 40))});
        signature.push_back(loops);
    }
    std::vector<InkStroke> scribble(1);
    for (int n = 0; n < 30; ++n)
        scribble[0].push_back({1000 + (n % 2) * 600 + n * 13, 1000 + (n * 37) % 500});
    const std::vector<Case> cases = {
        {"circle", {Circle(2000, 2000, 800, 1.0)}},
        {"circle twice round", {Circle(2000, 2000, 800, 2.0)}},
        {"box in one stroke", {Polyline({{1000, 1000}, {2500, 1000}, {2500, 2000}, {1000, 2000}, {1000, 1000}})}},
        {"arrow", {Polyline({{1000, 1000}, {3000, 1200}}), Polyline({{3000, 1200}, {2750, 1000}}),
                   Polyline({{3000, 1200}, {2780, 1400}})}},
        {"signature", signature},
        {"scribble", scribble},
        {"line", {Polyline({{1000, 1000}, {4000, 1100}})}},
    };
    for (const Case& c : cases) {
        const PictureHandwriting read = reader_.Read(c.strokes);
        EXPECT_FALSE(read.writing) << c.name << " read as " << SjisToUtf8(read.text);
    }
}

TEST_F(HandwritingReaderTest, APictureOfAHundredThousandPointsIsDecidedInBoundedTime)
{
    // Written over and over in one place, and the same spread along a line.
    std::vector<InkStroke> heap;
    std::vector<InkStroke> row;
    for (std::size_t points = 0; points < 100000;) {
        for (const InkStroke& stroke : TestGlyphs().at(u8"議")) {
            heap.push_back(stroke);
            InkStroke moved = stroke;
            for (InkPoint& point : moved)
                point.x += static_cast<int32_t>(row.size() / 20) * 1100;
            row.push_back(moved);
            points += stroke.size();
        }
    }
    for (const auto* strokes : {&heap, &row}) {
        const auto start = std::chrono::steady_clock::now();
        const PictureHandwriting read = reader_.Read(*strokes);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(read.writing);
        EXPECT_LT(seconds, 1.0);
    }
}

TEST(Lexicon, ChoosesTheCandidatesOfNeighbouringCellsTogether)
{
    // Cells by their candidates, best first, each a hair lower.
    const auto line = [](const std::vector<std::string>& cells) {
        PictureHandwriting read;
        read.writing = true;
        for (const std::string& candidates : cells) {
            HandwritingCell& cell = read.cells.emplace_back();
            const std::string sjis = Utf8ToSjis(candidates);
            for (std::size_t k = 0; k < sjis.size(); k += 2)
                cell.candidates.push_back({sjis.substr(k, 2), 1.0f - 0.1f * static_cast<float>(k)});
            read.text += cell.candidates.front().text;
        }
        return read;
    };
    CLexicon lexicon;
    for (const char* word : {u8"会議", u8"議会", u8"会議室", u8"本日"})
        lexicon.Add(Utf8ToSjis(word));
    struct Case {
        std::vector<std::string> cells;
        const char* text;
        std::size_t depth = 40;
    };
    const std::vector<Case> cases = {
        {{u8"人会", u8"儀議"}, u8"会議"},
        {{u8"人会", u8"儀議", u8"至室"}, u8"会議室"},
        {{u8"木本", u8"日目", u8"人会", u8"儀議"}, u8"本日会議"},
        {{u8"人会", u8"儀義"}, u8"人儀"},
        // Past the depth asked for a word is not looked for.
        {{u8"人今令企全合同向会", u8"議"}, u8"人議", 8},
        {{u8"人今令企全合同会", u8"議"}, u8"会議", 8},
        {{u8"人今令企全合同向会", u8"議"}, u8"会議"},
    };
    for (const Case& c : cases) {
        PictureHandwriting read = line(c.cells);
        ChooseWords(read, lexicon, c.depth);
        EXPECT_EQ(SjisToUtf8(read.text), c.text);
        for (std::size_t k = 0; k < read.cells.size(); ++k)
            EXPECT_EQ(read.cells[k].candidates.size(), Utf8ToSjis(c.cells[k]).size() / 2) << "no candidate is lost";
    }
    std::string why;
    EXPECT_FALSE(lexicon.LoadIpadic("/nonexistent/Noun.csv", why));
    EXPECT_FALSE(why.empty());
}

TEST(KanaForms, CompletesTheCandidatesWithWhatTheModelLacks)
{
    struct Case {
        const char* read;  // the model's candidates, best first
        int voicing;
        bool small;
        std::vector<const char*> offered;
    };
    const std::vector<Case> cases = {
        {u8"か", 1, false, {u8"が", u8"ガ"}},
        {u8"や", 0, true, {u8"ゃ", u8"や", u8"ャ"}},
        // A katakana look-alike is of the form read, before its mark.
        {u8"ふ", 1, false, {u8"ぶ", u8"ボ"}},
        {u8"ふ", 2, false, {u8"ぷ", u8"ポ"}},
        {u8"へ", 1, false, {u8"べ", u8"ベ"}},
        {u8"つ", 1, false, {u8"づ", u8"ブ"}},
        {u8"こ", 1, false, {u8"ご", u8"ゼ"}},
        // Hiragana the model reads as another are offered beside it.
        {u8"わ", 0, false, {u8"わ", u8"れ", u8"ね"}},
        {u8"ち", 1, false, {u8"ぢ", u8"ず"}},
        {u8"しそ", 0, false, {u8"し", u8"も", u8"ろ"}},
    };
    for (const Case& c : cases) {
        std::vector<HandwritingCandidate> candidates;
        const std::string sjis = Utf8ToSjis(c.read);
        for (std::size_t k = 0; k < sjis.size(); k += 2)
            candidates.push_back({sjis.substr(k, 2), 1.0f - 0.1f * static_cast<float>(k)});
        CompleteCandidates(candidates, c.voicing, c.small);
        std::vector<std::string> got;
        for (const HandwritingCandidate& candidate : candidates)
            got.push_back(SjisToUtf8(candidate.text));
        for (const char* offered : c.offered)
            EXPECT_NE(std::find(got.begin(), got.end(), offered), got.end()) << c.read << " offers " << offered;
        EXPECT_EQ(got.front(), c.offered.front()) << c.read;
    }
}

TEST(HandwritingModel, AModelThatCannotBeReadIsRefusedWithTheReason)
{
    const fs::path dir = fs::temp_directory_path() / ("marovi-model-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "empty.model");
    {
        std::ofstream damaged(dir / "damaged.model", std::ios::binary);
        for (int k = 0; k < 4096; ++k)
            damaged.put(static_cast<char>((k * 131) & 0xFF));
    }
    {
        // The real model cut short.
        std::ifstream whole(MAROVI_HANDWRITING_MODEL, std::ios::binary);
        std::vector<char> head(65536);
        whole.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(dir / "cut.model", std::ios::binary).write(head.data(), whole.gcount());
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.model", "No such file or directory"},
        {"empty.model", "the file is empty"},
        {"damaged.model", "not a handwriting model"},
        {"cut.model", "not a handwriting model"},
        {"", "Is a directory"},
    };
    for (const auto& [name, reason] : cases) {
        CHandwritingReader reader;
        std::string why;
        EXPECT_FALSE(reader.Open((dir / name).string(), why)) << name;
        EXPECT_NE(why.find(reason), std::string::npos) << name << ": " << why;
        EXPECT_FALSE(reader.Read(Written({u8"会"}, {})).writing) << "a reader without a model reads nothing";
    }
    fs::remove_all(dir);
}

}  // namespace
