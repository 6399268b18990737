#include "TestFiles.h"

#include "ink/InkParser.h"
#include "ink/QuadMapping.h"
#include "inkfile/InkFileWriter.h"
#include "inkgen/InkScript.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/Strokes.h"
#include "platform/TextEncoding.h"
#include "MessageLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using inkgen::GeneratedPage;
using inkgen::GeneratedStroke;
using inkgen::StrokeRole;

namespace {

const fs::path kExamples = ExampleKeyboardDir();

// A temporary working folder holding a copy of the example keyboard (with an
// optional other settings line), current for the life of the object, since
// the program reads softKB.skb from the current directory.
class KeyboardDir {
public:
    explicit KeyboardDir(const std::string& settings = "")
        : previous_(fs::current_path()), path_(fs::temp_directory_path() / "marovi-inkgen-XXXXXX")
    {
        std::string pattern = path_.string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        std::string bytes = ReadBytes(kExamples / "softKB.skb");
        if (!settings.empty())
            bytes.replace(bytes.find("\"0\",\"12\",\"10\""), 13, settings);
        std::ofstream(path_ / "softKB.skb", std::ios::binary) << bytes;
        fs::current_path(path_);
    }
    ~KeyboardDir()
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    KeyboardDir(const KeyboardDir&) = delete;
    KeyboardDir& operator=(const KeyboardDir&) = delete;

    std::string Keyboard() const { return (path_ / "softKB.skb").string(); }
    std::string File(const char* name) const { return (path_ / name).string(); }

    // Loaded as the main window does, with the run's mapping attached.
    std::unique_ptr<CKeyboardDef> Load()
    {
        auto kb = std::make_unique<CKeyboardDef>();
        kb->SetMapping(&mapping_);
        kb->SetMessageBox(&log_);
        EXPECT_TRUE(kb->Load());
        EXPECT_TRUE(log_.Messages().empty());
        return kb;
    }
    // What the keyboards of Load and their pages showed.
    const std::vector<std::string>& Messages() const { return log_.Messages(); }

private:
    fs::path previous_;
    fs::path path_;
    CQuadMapping mapping_;
    MessageLog log_;
};

GeneratedPage RunPage(const std::string& script, const KeyboardDir& dir, uint32_t seed = 5)
{
    inkgen::ScriptOptions options;
    options.keyboardPath = dir.Keyboard();
    options.seed = seed;
    return inkgen::RunScript(script, options);
}

// The page's records as the program loads them.
std::vector<StrokeSample> LoadRecords(const GeneratedPage& page, const KeyboardDir& dir)
{
    const std::string path = dir.File("page.ink");
    inkgen::ToInkFile(page).Save(path);
    CInkParser parser;
    parser.SetPath(path);
    MessageLog log;
    EXPECT_TRUE(parser.DoParse(log));
    EXPECT_TRUE(log.Messages().empty());
    return {parser.GetRecords(), parser.GetRecords() + parser.GetRecordCount()};
}

using Stroke = std::vector<PenPoint>;

std::vector<Stroke> Strokes(const std::vector<StrokeSample>& records)
{
    std::vector<Stroke> strokes;
    for (const StrokeSample& r : records) {
        if (r.kind == StrokeSample::PenDown)
            strokes.emplace_back();
        if (r.kind != StrokeSample::PenUp)
            strokes.back().push_back({r.x, r.y});
    }
    return strokes;
}

int KeyAt(const CKeyboardDef& kb, PenPoint p)
{
    for (int k = 0; k < kb.KeyCount(); ++k) {
        if (kb.GetKey(k).rect.Contains(p.x, p.y))
            return k;
    }
    return -1;
}

struct Reading {
    // UTF-8: the texts, a line end per <BR>, "[picture]" per ink group and
    // "[picture again]" for one right after <REUSE>.
    std::string text;
    bool calibrated = false;
    CKeyboardDef::Marks measured{};
};

// Reads a generated page the way the converter does: the program loads the
// file and recognises it (calibration, segmentation), then back spaces are
// applied and the texts looked up in two passes that each start in hiragana.
// On the way, every key stroke must hit the key inkgen aimed at with its
// gesture, unless the sheet is expected to be misread.
Reading ReadPage(const GeneratedPage& generated, const KeyboardDir& dir, const CKeyboardDef& kb, bool aimed = true)
{
    std::vector<StrokeSample> records = LoadRecords(generated, dir);
    CPageStrokes page(records.data(), records.size(), kb.Clone(), kb.Mapping());
    CKeyboardDef& keys = page.Keyboard();
    const auto& list = page.Strokes();
    auto keyStroke = [&](size_t i) { return dynamic_cast<const CKbStrokes*>(list[i]); };

    std::vector<const CKbStrokes*> read;
    for (size_t i = 0; i < list.size(); ++i) {
        if (keyStroke(i) && list[i]->IsActive())
            read.push_back(keyStroke(i));
    }
    std::vector<const GeneratedStroke*> keyStrokes;
    for (const GeneratedStroke& g : generated.strokes) {
        if (g.role == StrokeRole::Key)
            keyStrokes.push_back(&g);
    }
    EXPECT_EQ(read.size(), keyStrokes.size());
    for (size_t i = 0; aimed && i < std::min(read.size(), keyStrokes.size()); ++i) {
        const GeneratedStroke& g = *keyStrokes[i];
        EXPECT_EQ(KeyAt(keys, keys.HitPoint(*read[i])), g.key) << "key stroke " << i;
        EXPECT_EQ(static_cast<int>(read[i]->GetGesture()), g.gesture) << "key stroke " << i;
        EXPECT_EQ(keys.GetKey(g.key).texts[static_cast<size_t>(3 * g.mode + g.gesture - 1)], g.text);
    }

    keys.SetInputMode(0);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!keyStroke(i) || !list[i]->IsActive() || keys.LookupKeyText(*list[i]) != "<BS>")
            continue;
        list[i]->SetActive(false);
        for (size_t j = i; j-- > 0;) {
            if (keyStroke(j) && list[j]->IsActive()) {
                list[j]->SetActive(false);
                break;
            }
        }
    }
    Reading reading{"", page.Calibrated(), keys.MeasuredMarks()};
    keys.SetInputMode(0);
    bool reuse = false;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]->IsActive())
            continue;
        if (!keyStroke(i)) {
            reading.text += reuse ? "[picture again]" : "[picture]";
            reuse = false;
            continue;
        }
        const std::string text = keys.LookupKeyText(*list[i]);
        reuse = text == "<REUSE>";
        if (text == "<BR>")
            reading.text += "\n";
        else if (!reuse)
            reading.text += SjisToUtf8(text);
    }
    return reading;
}

TEST(ExampleKeyboard, ProgramAndInkgenReadTheSameKeys)
{
    KeyboardDir dir;
    const auto kb = dir.Load();
    const inkgen::KeyboardLayout layout = inkgen::KeyboardLayout::Load(dir.Keyboard());

    EXPECT_EQ(kb->HitPointRule(), 0);
    EXPECT_EQ(kb->FontSize(), 12);
    EXPECT_EQ(kb->PictureScale(), 10);
    EXPECT_EQ(kb->ReferenceMarks(), kb->MeasuredMarks());
    EXPECT_EQ(kb->Bounds(), (PenRect{5000, 8000, 16000, 14000}));
    ASSERT_EQ(kb->KeyCount(), static_cast<int>(layout.keys.size()));
    EXPECT_LE(kb->KeyCount(), CKeyboardDef::kKeyListRows);
    for (int k = 0; k < kb->KeyCount(); ++k) {
        const KeyEntry key = kb->GetKey(k);
        const inkgen::Rect& r = layout.keys[static_cast<size_t>(k)].rect;
        EXPECT_EQ(key.rect, (PenRect{r.left, r.top, r.right, r.bottom})) << "key " << k;
        for (size_t s = 0; s < 9; ++s)
            EXPECT_EQ(key.texts[s], layout.keys[static_cast<size_t>(k)].slots[s]) << "key " << k << " slot " << s;
    }
    // The corner marks in the mapping's order: P1 and P3 neighbours of P0.
    const auto& m = kb->ReferenceMarks();
    EXPECT_TRUE(m[0].y == m[1].y && m[1].x == m[2].x && m[2].y == m[3].y && m[3].x == m[0].x);
    EXPECT_EQ(m[4], (PenPoint{(m[0].x + m[2].x) / 2, (m[0].y + m[2].y) / 2}));
    for (const PenPoint& mark : m) {
        const PenRect& b = kb->Bounds();
        EXPECT_GT(std::max({b.left - mark.x, mark.x - b.right, b.top - mark.y, mark.y - b.bottom}), 500);
    }
}

TEST(ExampleKeyboard, SlotsOfTheKanaSheet)
{
    KeyboardDir dir;
    const auto kb = dir.Load();
    struct Case {
        int key;
        int slot;
        const char* text;  // Shift_JIS, like every literal of the program
    } cases[] = {
        {0, 0, "あ"},  {0, 2, "ぁ"},      {1, 1, "が"},      {5, 2, "ぱ"},     {25, 2, "っ"},
        {22, 4, "ヴ"}, {1, 5, "ヵ"},      {51, 2, "ょ"},     {10, 0, "ん"},    {0, 6, "a"},
        {0, 7, "A"},   {5, 6, "z"},       {16, 6, "1"},      {20, 6, ","},     {58, 6, " "},
        {58, 0, "　"}, {55, 8, "<HIRA>"}, {56, 0, "<KANA>"}, {57, 4, "<HAN>"}, {59, 0, "<BS>"},
        {60, 3, "<BR>"}, {61, 7, "<REUSE>"}, {4, 1, ""}, {50, 6, "9"}, {10, 6, "'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kb->GetKey(c.key).texts[static_cast<size_t>(c.slot)], c.text) << c.key << "/" << c.slot;

    // keydef.skb locks every slot of the command keys and nothing else.
    const std::string keydef = ReadBytes(kExamples / "keydef.skb");
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = keydef.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(keydef.substr(at, end - at));
    ASSERT_EQ(static_cast<int>(lines.size()), kb->KeyCount());
    for (int k = 0; k < kb->KeyCount(); ++k) {
        const bool command = kb->GetKey(k).texts[0].rfind('<', 0) == 0;
        EXPECT_EQ(lines[static_cast<size_t>(k)], command ? "1,1,1,1,1,1,1,1,1" : "0,0,0,0,0,0,0,0,0") << k;
    }
}

// Scripts are UTF-8 files and what a page reads as is given in UTF-8, so
// their literals carry u8; plain literals compile to Shift_JIS.
TEST(Inkgen, TypedTextIsReadBackByTheProgram)
{
    struct Case {
        const char* settings;
        const char* script;
        const char* read;
    } cases[] = {
        {"", u8"type こんにちは", u8"こんにちは"},
        {"", u8"type がぱっきょ", u8"がぱっきょ"},
        {"", u8"type カタカナとひらがな", u8"カタカナとひらがな"},
        {"", "type Hello, World 2024!", "Hello, World 2024!"},
        {"", u8"type \" a\"\ntype 「ヴ」", u8" a「ヴ」"},
        {"", u8"type にほん\nbr\ntype ご", u8"にほん\nご"},
        // A back space cancels the mode key too: katakana stays in force.
        {"", u8"type カ\nbs\ntype あ", u8"あ"},
        {"", "type ab\nbs 2\ntype c", "c"},
        {"", "tap 0 1\nup 1\ndown 5\nhan\ntap 0", u8"あかがぱa"},
        {"", u8"circle 2000 3000 300\ntype あ\nreuse\ncircle 2000 3000 100", u8"[picture]あ[picture again]"},
        // Strokes still land on their keys when the quarter or middle point is tested.
        {"\"1\",\"12\",\"10\"", u8"type ゲーム・パズル", u8"ゲーム・パズル"},
        {"\"2\",\"12\",\"10\"", u8"type ぷよぷよ MAX", u8"ぷよぷよ MAX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        KeyboardDir dir(c.settings);
        const auto kb = dir.Load();
        const GeneratedPage page = RunPage(c.script, dir);
        EXPECT_EQ(ReadPage(page, dir, *kb).text, c.read);
        EXPECT_EQ(inkgen::ExpectedText(page), c.read);
    }
}

TEST(Inkgen, StrokeShapes)
{
    KeyboardDir dir;
    const auto kb = dir.Load();
    const GeneratedPage page = RunPage("tap 12\nup 12\ndown 12\nline 1000 2000 4000 2000\ncircle 3000 4000 500", dir);
    const auto read = Strokes(LoadRecords(page, dir));
    ASSERT_EQ(read.size(), 5u);
    for (size_t i = 0; i < read.size(); ++i) {
        ASSERT_EQ(read[i].size(), page.strokes[i].points.size());
        for (size_t p = 0; p < read[i].size(); ++p)
            EXPECT_EQ(read[i][p], (PenPoint{page.strokes[i].points[p].x, page.strokes[i].points[p].y}));
    }
    auto extent = [](const Stroke& s, int32_t PenPoint::*axis) {
        auto [lo, hi] = std::minmax_element(s.begin(), s.end(), [&](auto a, auto b) { return a.*axis < b.*axis; });
        return (*hi).*axis - (*lo).*axis;
    };
    EXPECT_GE(read[0].size(), 3u);
    EXPECT_LE(std::max(extent(read[0], &PenPoint::x), extent(read[0], &PenPoint::y)), 100);
    for (size_t i : {1u, 2u}) {
        const PenPoint f = read[i].front(), l = read[i].back();
        const double length = std::hypot(l.x - f.x, l.y - f.y);
        EXPECT_NEAR(length, 610, 60);
        EXPECT_GT(std::min(std::abs(l.x - f.x), std::abs(l.y - f.y)), 250);
        EXPECT_EQ(l.x > f.x, i == 1);
        EXPECT_EQ(l.y < f.y, i == 1);
    }
    EXPECT_NEAR(extent(read[3], &PenPoint::x), 3000, 10);
    EXPECT_NEAR(extent(read[4], &PenPoint::x), 1000, 80);
    auto [top, bottom] = std::minmax_element(read[4].begin(), read[4].end(), [](auto a, auto b) { return a.y < b.y; });
    EXPECT_NEAR((top->y + bottom->y) / 2, 4000, 40);
}

TEST(Inkgen, TurnedPagesReadUpright)
{
    const char* sizes[] = {"21000 14800", "16000 21000", "21000 14800", "16000 21000"};
    for (int orientation = 0; orientation < 4; ++orientation) {
        SCOPED_TRACE(orientation);
        KeyboardDir dir;
        const auto kb = dir.Load();
        const std::string script = std::string("header size ") + sizes[orientation] +
                                   "\nheader orientation " + std::to_string(orientation) + u8"\ntype まわる";
        EXPECT_EQ(ReadPage(RunPage(script, dir), dir, *kb).text, u8"まわる");
    }
}

TEST(Inkgen, CalibrationTapsMeasureTheShiftedSheet)
{
    KeyboardDir dir;
    const auto kb = dir.Load();
    const GeneratedPage page =
        RunPage(u8"sheet shift 3mm -2mm rotate 0.8\ncalibrate\ntype ずれても　よめる Text\nbr\ntype おわり", dir);
    EXPECT_TRUE(page.warnings.empty());
    const Reading reading = ReadPage(page, dir, *kb);
    EXPECT_TRUE(reading.calibrated);
    EXPECT_EQ(reading.text, u8"ずれても　よめる Text\nおわり");
    for (size_t k = 0; k < 5; ++k) {
        // The sheet moved by (300, -200) and turned by less than 200 units at
        // the corners; the centre mark only moved.
        const PenPoint ref = kb->ReferenceMarks()[k];
        EXPECT_NEAR(reading.measured[k].x - ref.x, 300, k == 4 ? 30 : 230) << k;
        EXPECT_NEAR(reading.measured[k].y - ref.y, -200, k == 4 ? 30 : 230) << k;
    }
    // Without the taps a sheet that slipped by a key's width reads the
    // neighbouring keys.
    KeyboardDir slipped;
    const auto plain = slipped.Load();
    const Reading misread = ReadPage(RunPage(u8"sheet shift 10mm 0\ntype あいう", slipped), slipped, *plain, false);
    EXPECT_FALSE(misread.calibrated);
    EXPECT_EQ(misread.text, u8"かきく");
}

TEST(Inkgen, SameSeedSameFile)
{
    KeyboardDir dir;
    const char* script = u8"seed 3\ncalibrate\ntype あいう\nsignature 1500 3000 3000 800";
    const auto bytes = [&](std::optional<uint32_t> seed) {
        inkgen::ScriptOptions options;
        options.keyboardPath = dir.Keyboard();
        options.seed = seed;
        return inkgen::ToInkFile(inkgen::RunScript(script, options)).Bytes();
    };
    EXPECT_EQ(bytes(std::nullopt), bytes(std::nullopt));
    EXPECT_EQ(bytes(std::nullopt), bytes(3u));  // the script's own seed
    EXPECT_NE(bytes(3u), bytes(4u));
}

TEST(Inkgen, ScriptMistakesNameTheirLine)
{
    struct Case {
        const char* script;
        int line;
        const char* message;
    } cases[] = {
        {u8"type あ\nfrobnicate", 2, "unknown command"},
        {u8"# comment\n\ntype 漢字", 3, u8"no key gives \"漢\""},
        {u8"type あ\nheader size 100 100", 2, "before the first stroke"},
        {"circle 10000 10000 300", 1, "starts on the keyboard"},
        {"tap 62", 1, "not a number from 0 to 61"},
        {"rect 1000 1000 2000 x", 1, "not a length"},
        {"header orientation 4", 1, "not a number from 0 to 3"},
        {"header signature UED", 1, "four characters"},
        {"polyline 100 100 200", 1, "two points"},
        {"line 20000 1000 22000 1000", 1, "off the page"},
        {"header size 14800 21000\nheader orientation 3\nline 1000 1000 2000 1000", 3, "off the page"},
        {"sheet shift 1mm", 1, "sheet [shift DX DY]"},
    };
    KeyboardDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        try {
            RunPage(c.script, dir);
            ADD_FAILURE() << "no error";
        } catch (const inkgen::ScriptError& e) {
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }

    const GeneratedPage late = RunPage(u8"type あ\ncalibrate", dir);
    ASSERT_EQ(late.warnings.size(), 1u);
    EXPECT_NE(late.warnings[0].find("start of a page"), std::string::npos);
    const GeneratedPage far = RunPage("sheet shift 6mm 0\ncalibrate", dir);
    EXPECT_EQ(far.warnings.size(), 5u);
}

TEST(Inkgen, ExamplePagesReadAsWritten)
{
    struct Case {
        const char* script;
        bool calibrated;
        const char* contains;
    } cases[] = {
        {"memo.ink.txt", false, u8"\nじかんは 10:30\n"},
        {"calibrated.ink.txt", true, "\nCalibrated: OK!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        KeyboardDir dir;
        const auto kb = dir.Load();
        inkgen::ScriptOptions options;
        options.baseDirectory = kExamples.string();
        const GeneratedPage page = inkgen::RunScript(ReadBytes(kExamples / c.script), options);
        EXPECT_TRUE(page.warnings.empty());
        const std::string expected = inkgen::ExpectedText(page);
        EXPECT_NE(expected.find(c.contains), std::string::npos) << expected;

        const Reading reading = ReadPage(page, dir, *kb);
        EXPECT_EQ(reading.calibrated, c.calibrated);
        EXPECT_EQ(reading.text, expected);
    }
}

// The example memo as the converter writes it: texts with font markup, the
// corrected time, and the sketch shown twice from one picture file.
TEST(Inkgen, ExampleMemoBecomesAPage)
{
    KeyboardDir dir;
    const auto kb = dir.Load();
    inkgen::ScriptOptions options;
    options.baseDirectory = kExamples.string();
    const GeneratedPage generated = inkgen::RunScript(ReadBytes(kExamples / "memo.ink.txt"), options);
    std::vector<StrokeSample> records = LoadRecords(generated, dir);
    CPageStrokes page(records.data(), records.size(), kb->Clone(), kb->Mapping());
    ASSERT_TRUE(page.ConvertToHtml(dir.File("memo.html"), "memo"));
    EXPECT_TRUE(dir.Messages().empty());

    const std::string html = SjisToUtf8(ReadBytes(dir.File("memo.html")));
    // Every key stroke, mode keys included, opens a font tag of the pen's color.
    const std::string font = "<font style=\"font-size:12pt\" color=\"#000000\">";
    std::string text = html;
    for (size_t at; (at = text.find(font)) != std::string::npos;)
        text.erase(at, font.size());
    for (const char* line : {u8"かいぎのメモ<BR>", u8"じかんは 10:30<BR>", u8"きっぷを　わすれずに！<BR>"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << html;
    auto count = [&](const std::string& what) {
        size_t n = 0;
        for (size_t at = html.find(what); at != std::string::npos; at = html.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("memo.1.JPG"), 2u);  // the sketch, and again after <REUSE>
    EXPECT_EQ(count("memo.2.JPG"), 1u);  // the signature
    EXPECT_TRUE(fs::exists(dir.File("memo.files/memo.1.JPG")));
    EXPECT_TRUE(fs::exists(dir.File("memo.files/memo.2.JPG")));
    EXPECT_FALSE(fs::exists(dir.File("memo.files/memo.3.JPG")));
}

} // namespace
