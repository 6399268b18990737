#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/Strokes.h"

#include "DecodedJpeg.h"
#include "MessageLog.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Points = std::vector<PenPoint>;

// Four keys 1000 units wide from x 2000, a gap, and a fifth key beyond it;
// all lie in y 2000..3000, so ink below y 3000 is off the keyboard.
//   key 0: texts (tap, up, down) per mode
//   key 1: mode tags
//   key 2: back space, line break, reuse
//   key 3: two kana that must not be split by the writer
//   gap at x 6000..7000, key 4 at x 7000..8000
const std::vector<std::string> kKeyLines = {
    "\"2000\",\"2000\",\"3000\",\"3000\",\"あ\",\"い\",\"う\",\"ア\",\"イ\",\"ウ\",\"a\",\"i\",\"u\"",
    "\"3000\",\"2000\",\"4000\",\"3000\",\"<KANA>\",\"<HAN>\",\"<HIRA>\",\"<KANA>\",\"<HAN>\",\"<HIRA>\","
    "\"<KANA>\",\"<HAN>\",\"<HIRA>\"",
    "\"4000\",\"2000\",\"5000\",\"3000\",\"<BS>\",\"<BR>\",\"<REUSE>\",\"<BS>\",\"<BR>\",\"<REUSE>\","
    "\"<BS>\",\"<BR>\",\"<REUSE>\"",
    "\"5000\",\"2000\",\"6000\",\"3000\",\"ソフト\",\"<NOKEY>\",\"<NOKEY>\",\"ソフト\",\"<NOKEY>\",\"<NOKEY>\","
    "\"<NOKEY>\",\"<NOKEY>\",\"<NOKEY>\"",
    "\"7000\",\"2000\",\"8000\",\"3000\",\"x\",\"<NOKEY>\",\"<NOKEY>\",\"x\",\"<NOKEY>\",\"<NOKEY>\","
    "\"x\",\"<NOKEY>\",\"<NOKEY>\"",
};
const std::string kMarks = "\"1000\",\"1000\",\"20000\",\"1000\",\"20000\",\"13800\",\"1000\",\"13800\",\"10500\",\"7400\"";

enum Key { Text = 0, Mode = 1, Edit = 2, Kana = 3, X = 4 };
constexpr PenPoint kGap{6500, 2500};

std::unique_ptr<CKeyboardDef> LoadKeyboard(int fontSize)
{
    std::vector<std::string> lines = {"\"0\",\"" + std::to_string(fontSize) + "\",\"10\"", kMarks, kMarks};
    lines.insert(lines.end(), kKeyLines.begin(), kKeyLines.end());
    WriteBytes("softKB.skb", CrLf(lines));
    auto keyboard = std::make_unique<CKeyboardDef>();
    EXPECT_TRUE(keyboard->Load());
    return keyboard;
}

// Records of a page, written stroke by stroke. Key gestures start inside
// their key (the hit point is the first point).
class PageBuilder {
public:
    PageBuilder& Tap(Key key, uint16_t color = 0) { return Stroke({KeyAt(key, 500, 500)}, color); }
    PageBuilder& Up(Key key) { return Stroke({KeyAt(key, 100, 800), KeyAt(key, 900, 200)}); }
    PageBuilder& Down(Key key) { return Stroke({KeyAt(key, 900, 200), KeyAt(key, 100, 800)}); }
    PageBuilder& TapAt(PenPoint point) { return Stroke({point}); }
    // One stroke off the keyboard; strokes in a row form one ink group.
    PageBuilder& Ink(const Points& points, uint16_t color = 0) { return Stroke(points, color); }
    // A filled-looking box of ink: its outline and a diagonal.
    PageBuilder& InkBox(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t color = 0)
    {
        return Stroke({{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}, {right, bottom}},
                      color);
    }

    const std::vector<StrokeSample>& Records() const { return records_; }

private:
    static PenPoint KeyAt(Key key, int32_t dx, int32_t dy)
    {
        const int32_t left = key == X ? 7000 : 2000 + 1000 * static_cast<int32_t>(key);
        return {left + dx, 2000 + dy};
    }

    PageBuilder& Stroke(const Points& points, uint16_t color = 0)
    {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const uint16_t kind = i == 0 ? StrokeSample::PenDown : StrokeSample::PenMove;
            records_.push_back({kind, static_cast<int16_t>(points[i].x), static_cast<int16_t>(points[i].y), color});
        }
        records_.push_back({StrokeSample::PenUp, 0, 0, 0});
        return *this;
    }

    std::vector<StrokeSample> records_;
};

const std::string kHead = CrLf({
    "<html>",
    "<head>",
    "<meta http-equiv=\"Content-type\" content=\"text/html; charset=Shift_JIS\">",
    "<title>ソフトキーボードHTML変換結果</title>",
    "</head>",
    "<body bgColor=\"#ffffff\">",
    "",
});
const std::string kTail = CrLf({"", "", "</body>", "</html>"});

std::string Font(const char* color = "#000000", int size = 12)
{
    return "<font style=\"font-size:" + std::to_string(size) + "pt\" color=\"" + color + "\">";
}

std::string Img(int number, const std::string& base = "memo001")
{
    return "<img src=\"./memo.files/" + base + "." + std::to_string(number) + ".JPG\">\r\n";
}

struct Conversion {
    bool ok = false;
    std::string html;
    std::vector<std::string> messages;
    std::unique_ptr<CPageStrokes> page;
};

// Converts the page in the current (scratch) directory.
Conversion Convert(const PageBuilder& builder, const std::string& htmlPath = "memo.html", int fontSize = 12,
                   const std::string& baseName = "memo001", FilePublish publish = FilePublish::Replace)
{
    Conversion result;
    MessageLog log;
    const std::vector<StrokeSample>& records = builder.Records();
    std::unique_ptr<CKeyboardDef> keyboard = LoadKeyboard(fontSize);
    keyboard->SetMessageBox(&log);
    result.page = std::make_unique<CPageStrokes>(records.data(), records.size(), std::move(keyboard), nullptr);
    result.ok = result.page->ConvertToHtml(htmlPath, baseName, PageEncoding::ShiftJis, nullptr, publish);
    // The log goes with this call; the page outlives it.
    result.page->Keyboard().SetMessageBox(nullptr);
    // Not through a link to a device: reading /dev/full never ends.
    if (fs::is_regular_file(fs::symlink_status(htmlPath)))
        result.html = ReadBytes(htmlPath);
    result.messages = log.Messages();
    return result;
}

std::vector<std::string> FilesIn(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PercentDecoded(const std::string& text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::vector<std::string> ImageSources(const std::string& html)
{
    static const std::string kOpen = "<img src=\"";
    std::vector<std::string> sources;
    for (std::size_t at = html.find(kOpen); at != std::string::npos; at = html.find(kOpen, at)) {
        at += kOpen.size();
        const std::size_t end = html.find('"', at);
        sources.push_back(html.substr(at, end - at));
    }
    return sources;
}

// Ink well away from the keyboard and from the calibration marks.
const Points kSketchA = {{2000, 5000}, {4000, 5000}, {4000, 6000}};
const Points kSketchB = {{8000, 5000}, {9000, 6000}};
const Points kInsideA = {{2900, 5400}, {3100, 5600}};
// Centred inside A, reaching out of it to the right; the next ink is centred
// inside this group's box only.
const Points kReachingOutOfA = {{3000, 5500}, {4600, 5700}};
const Points kInsideOnlyTheReach = {{4300, 5550}, {4500, 5650}};
const Points kOutsideAll = {{12000, 9000}, {12500, 9500}};
// Holds all of sketch A.
const Points kAroundA = {{1000, 4500}, {5000, 6500}};

}  // namespace

TEST(HtmlConversion, EmptyPageIsHeadThenTailWithAnEmptyPictureDirectory)
{
    ScopedWorkDir dir;
    const Conversion c = Convert(PageBuilder());
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.html, kHead + kTail);
    EXPECT_TRUE(c.messages.empty());
    ASSERT_TRUE(fs::is_directory("memo.files"));
    EXPECT_TRUE(FilesIn("memo.files").empty());
}

TEST(HtmlConversion, KeyTextsModesLineBreaksAndBackSpaces)
{
    const std::string f = Font();
    const struct {
        const char* name;
        PageBuilder page;
        int fontSize;
        std::string body;
    } cases[] = {
        {"modes switch per stroke; mode tags still write a font tag",
         PageBuilder().Tap(Text).Up(Mode).Tap(Text).Down(Mode).Tap(Text).Tap(Mode).Up(Text), 12,
         f + "あ" + f + f + "a" + f + f + "あ" + f + f + "イ"},
        {"pen colours", PageBuilder().Tap(Text, 2).Tap(Text, 3).Tap(Text, 1), 12,
         Font("#0000FF") + "あ" + Font("#FF0000") + "あ" + f + "あ"},
        {"text stays on one line until a line break", PageBuilder().Tap(Text).Tap(Kana).Up(Edit).Tap(Text).Up(Edit),
         12, f + "あ" + f + "ソフト" + "<BR>\r\n" + f + "あ" + "<BR>\r\n"},
        {"a stroke in a gap writes only its font tag", PageBuilder().TapAt(kGap).Tap(X), 12, f + f + "x"},
        {"font size 4 writes no font tags", PageBuilder().Tap(Text).Up(Mode).Tap(Text).TapAt(kGap).Up(Edit).Tap(X), 4,
         "あa<BR>\r\nx"},
        {"font size 5 is marked", PageBuilder().Tap(X), 5, Font("#000000", 5) + "x"},
        {"a back space as the first key stroke cancels only itself", PageBuilder().Tap(Edit).Tap(Text), 12,
         f + "あ"},
        {"back spaces cancel as many strokes", PageBuilder().Tap(X).Tap(Text).Up(Text).Tap(Edit).Tap(Edit), 12,
         f + "x"},
        {"a cancelled mode tag switches nothing", PageBuilder().Tap(Text).Up(Mode).Tap(Edit).Tap(Text), 12,
         f + "あ" + f + "あ"},
        {"a cancelled line break", PageBuilder().Tap(Text).Up(Edit).Tap(Edit).Tap(X), 12, f + "あ" + f + "x"},
        {"a back space after a picture cancels the key before it",
         PageBuilder().Tap(X).Tap(Text).Ink(kSketchA).Tap(Edit), 12, f + "x" + Img(1)},
        {"a back space in katakana mode", PageBuilder().Tap(Mode).Tap(Text).Tap(Edit).Up(Text), 12, f + f + "イ"},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        const Conversion result = Convert(c.page, "memo.html", c.fontSize);
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(result.html, kHead + c.body + kTail) << c.name;
        EXPECT_TRUE(result.messages.empty()) << c.name;
        // The mode a page hands on is known before it is written.
        const std::vector<StrokeSample>& records = c.page.Records();
        CPageStrokes unwritten(records.data(), records.size(), LoadKeyboard(c.fontSize), nullptr);
        EXPECT_EQ(unwritten.ModeWhenWritten(), result.page->Keyboard().GetInputMode()) << c.name;
        EXPECT_EQ(unwritten.Keyboard().GetInputMode(), InputMode::Hiragana) << c.name;
    }
}

TEST(HtmlConversion, PicturesAndReuse)
{
    const std::string f = Font();
    const struct {
        const char* name;
        PageBuilder page;
        std::string body;
        std::vector<std::string> files;
    } cases[] = {
        {"two pictures, then the first shown again",
         PageBuilder().Ink(kSketchA).Tap(Text).Ink(kSketchB).Down(Edit).Ink(kInsideA),
         Img(1) + f + "あ" + Img(2) + Img(1), {"memo001.1.JPG", "memo001.2.JPG"}},
        {"of two pictures under the centre the later, the larger",
         PageBuilder().Ink(kSketchA).Tap(Text).Ink(kAroundA).Down(Edit).Ink(kInsideA),
         Img(1) + f + "あ" + Img(2) + Img(2), {"memo001.1.JPG", "memo001.2.JPG"}},
        {"of two pictures under the centre the later, the smaller",
         PageBuilder().Ink(kAroundA).Tap(Text).Ink(kSketchA).Down(Edit).Ink(kInsideA),
         Img(1) + f + "あ" + Img(2) + Img(2), {"memo001.1.JPG", "memo001.2.JPG"}},
        {"the page's first object can be shown again", PageBuilder().Ink(kSketchA).Down(Edit).Ink(kInsideA),
         Img(1) + Img(1), {"memo001.1.JPG"}},
        {"a key stroke between reuse and ink makes a new picture",
         PageBuilder().Ink(kSketchA).Down(Edit).Tap(Text).Ink(kInsideA), Img(1) + f + "あ" + Img(2),
         {"memo001.1.JPG", "memo001.2.JPG"}},
        {"reuse with no earlier picture under the ink drops it",
         PageBuilder().Ink(kSketchA).Down(Edit).Ink(kOutsideAll).Tap(X), Img(1) + f + "x", {"memo001.1.JPG"}},
        {"a centre on the box's left edge is inside",
         PageBuilder().Ink(kSketchA).Down(Edit).Ink({{1900, 5400}, {2100, 5600}}), Img(1) + Img(1),
         {"memo001.1.JPG"}},
        {"a centre on the box's right edge is outside",
         PageBuilder().Ink(kSketchA).Down(Edit).Ink({{3900, 5400}, {4100, 5600}}), Img(1), {"memo001.1.JPG"}},
        {"a centre on the box's bottom edge is outside",
         PageBuilder().Ink(kSketchA).Down(Edit).Ink({{3000, 5900}, {3000, 6100}}), Img(1), {"memo001.1.JPG"}},
        {"reuse before any picture drops the ink", PageBuilder().Down(Edit).Ink(kSketchA), "", {}},
        {"a shown-again group is never itself found",
         PageBuilder().Ink(kSketchA).Down(Edit).Ink(kReachingOutOfA).Down(Edit).Ink(kInsideOnlyTheReach).Tap(X),
         Img(1) + Img(1) + f + "x", {"memo001.1.JPG"}},
        {"a cancelled reuse", PageBuilder().Ink(kSketchA).Down(Edit).Tap(Edit).Ink(kInsideA),
         Img(1) + Img(2), {"memo001.1.JPG", "memo001.2.JPG"}},
        {"strokes off the keyboard in a row are one picture",
         PageBuilder().Ink(kSketchA).Ink(kSketchB, 2).Ink(kOutsideAll, 3), Img(1), {"memo001.1.JPG"}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        const Conversion result = Convert(c.page);
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(result.html, kHead + c.body + kTail) << c.name;
        EXPECT_TRUE(result.messages.empty()) << c.name;
        EXPECT_EQ(FilesIn("memo.files"), c.files) << c.name;
        for (const std::string& file : c.files)
            EXPECT_EQ(DecodeJpeg("memo.files/" + file).components, 3) << c.name << " " << file;
    }
}

TEST(HtmlConversion, ReuseMarksTheInkAndLeavesTheWrittenFlags)
{
    ScopedWorkDir dir;
    const Conversion c = Convert(PageBuilder().Ink(kSketchA).Tap(Text).Ink(kSketchB).Down(Edit).Ink(kInsideA));
    const auto& strokes = c.page->Strokes();
    ASSERT_EQ(strokes.size(), 5u);
    EXPECT_TRUE(strokes[0]->IsWritten() && !strokes[0]->IsReused());
    EXPECT_TRUE(strokes[2]->IsWritten() && !strokes[2]->IsReused());
    EXPECT_TRUE(!strokes[4]->IsWritten() && strokes[4]->IsReused());
    auto* first = dynamic_cast<CInkStrokes*>(strokes[0]);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->PictureFile(), "memo.files/memo001.1.JPG");
    EXPECT_EQ(first->PictureName(), "memo.files/memo001");
}

TEST(HtmlConversion, PictureDirectoryBesideThePage)
{
    const struct {
        const char* name;
        std::vector<std::string> folders;
        std::string htmlPath;
        std::string directory;
    } cases[] = {
        {".html becomes .files", {}, "memo.html", "memo.files"},
        {"without .html the path gets .files", {}, "memo.htm", "memo.htm.files"},
        {"only the page's own name counts", {"a.html"}, "a.html/memo.html", "a.html/memo.files"},
        {"the last .html of the name", {}, "memo.html.html", "memo.html.files"},
        {"an existing directory is used as it is", {"memo.files", "memo.files/older"}, "memo.html", "memo.files"},
        {"case matters", {}, "MEMO.HTML", "MEMO.HTML.files"},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        for (const std::string& folder : c.folders)
            fs::create_directory(folder);
        const Conversion result = Convert(PageBuilder().Tap(X).Ink(kSketchA), c.htmlPath);
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_TRUE(result.messages.empty()) << c.name;
        EXPECT_TRUE(fs::is_regular_file(c.directory + "/memo001.1.JPG")) << c.name;
        for (const std::string& folder : c.folders)
            EXPECT_TRUE(fs::is_directory(folder)) << c.name;
    }
}

TEST(HtmlConversion, FailuresReportWhatStaysOnDisk)
{
    const std::string kOpenFailed = "出力するHTMLファイルのOPENに失敗しました";
    const std::string kDirectoryFailed = "画像ファイル用ディレクトリの作成でエラーが発生しました";
    const std::string kPictureFailed = "画像ファイルの出力中でエラーが発生しました";

    PageBuilder longPage;
    for (int i = 0; i < 3000; ++i)
        longPage.Tap(Kana);
    longPage.Ink(kSketchA);

    const PageBuilder twoPictures = PageBuilder().Tap(X).Ink(kSketchA).Tap(Text).Ink(kSketchB);
    const auto oldPage = [] {
        WriteBytes("memo.html", "old page");
        fs::create_directory("memo.files");
        WriteBytes("memo.files/memo001.1.JPG", "old picture");
    };
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::string htmlPath;
        PageBuilder page;
        FilePublish publish;
        bool ok;
        std::vector<std::string> messages;
        std::string html;
        std::vector<std::string> existing;
        std::vector<std::string> absent;
    } cases[] = {
        {"the page cannot be created", [] {}, "missing/memo.html", PageBuilder().Ink(kSketchA), FilePublish::Replace,
         false, {kOpenFailed}, "", {}, {"missing", "missing.files", "memo.files"}},
        {"the picture folder is a link", [] {
             fs::create_directory("elsewhere");
             fs::create_directory_symlink("elsewhere", "memo.files");
         }, "memo.html", twoPictures, FilePublish::Replace, false, {kDirectoryFailed}, "", {}, {"memo.html",
         "elsewhere/memo001.1.JPG"}},
        {"a file holds the directory's name", [] { WriteBytes("memo.files", "x"); }, "memo.html",
         PageBuilder().Tap(X), FilePublish::Replace, false, {kDirectoryFailed}, "", {}, {"memo.html"}},
        {"a link at the page's name is replaced, not written through", [] {
             WriteBytes("target", "kept");
             fs::create_symlink("target", "memo.html");
         }, "memo.html", PageBuilder().Tap(X), FilePublish::Replace, true, {}, kHead + Font() + "x" + kTail, {}, {}},
        {"a picture cannot be written: the old page stays whole", [] {
             WriteBytes("memo.html", "old page");
             fs::create_directories("memo.files/memo001.2.JPG");
         }, "memo.html", twoPictures, FilePublish::Replace, false, {kPictureFailed}, "old page", {},
         {"memo.files/memo001.1.JPG"}},
        {"a page whose name must be free and is not", oldPage, "memo.html", twoPictures, FilePublish::Exclusive, false,
         {kOpenFailed}, "old page", {}, {"memo.files/memo001.2.JPG"}},
        {"a page that may replace the old one", oldPage, "memo.html", twoPictures, FilePublish::Replace, true, {},
         kHead + Font() + "x" + Img(1) + Font() + "あ" + Img(2) + kTail, {"memo.files/memo001.2.JPG"}, {}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        c.prepare();
        const Conversion result = Convert(c.page, c.htmlPath, 12, "memo001", c.publish);
        EXPECT_EQ(result.ok, c.ok) << c.name;
        EXPECT_EQ(result.messages, c.messages) << c.name;
        EXPECT_EQ(result.html, c.html) << c.name;
        for (const std::string& path : c.existing)
            EXPECT_TRUE(fs::exists(path)) << c.name << ": " << path;
        for (const std::string& path : c.absent)
            EXPECT_FALSE(fs::exists(path)) << c.name << ": " << path;
        // Nothing half-made stays: an old picture is whole and old, or new.
        if (fs::exists("memo.files/memo001.1.JPG")) {
            EXPECT_EQ(ReadBytes("memo.files/memo001.1.JPG") == "old picture", !result.ok) << c.name;
        }
        if (fs::exists("target")) {
            EXPECT_EQ(ReadBytes("target"), "kept");
        }
        EXPECT_TRUE(TemporaryFilesIn(".").empty()) << c.name;
    }
}

// What a browser does with the page: every image source, resolved against
// the page's folder and percent-decoded, names a picture that decodes.
TEST(HtmlConversion, EveryImageSourceFindsItsPicture)
{
    const struct {
        const char* name;
        std::string folder;
        std::string page;
        std::string baseName;
    } cases[] = {
        {"plain names", "out", "memo.html", "memo001"},
        {"UTF-8 names", "\xE5\x87\xBA\xE5\x8A\x9B", "\xE3\x83\xA1\xE3\x83\xA2.html", "\xE3\x83\xA1\xE3\x83\xA2"},
        {"Shift_JIS bytes with a trail 0x5C", "out", "ソフト.html", "ソフト"},
        {"blanks and reserved characters", "my pages", "a#b%c.html", "ink 1?"},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        const fs::path folder = dir.Path() / c.folder;
        fs::create_directory(folder);
        const std::string htmlPath = (folder / c.page).string();
        const Conversion result = Convert(
            PageBuilder().Ink(kSketchA).Tap(Text).Ink(kSketchB).Down(Edit).Ink(kInsideA), htmlPath, 12, c.baseName);
        ASSERT_TRUE(result.ok) << c.name;
        const std::vector<std::string> sources = ImageSources(result.html);
        ASSERT_EQ(sources.size(), 3u) << c.name;
        EXPECT_EQ(sources[0], sources[2]) << c.name;
        for (const std::string& source : sources) {
            for (const char ch : source)
                EXPECT_TRUE(static_cast<unsigned char>(ch) > 0x20 && static_cast<unsigned char>(ch) < 0x7F)
                    << c.name << ": " << source;
            const fs::path picture = folder / PercentDecoded(source);
            EXPECT_TRUE(DecodeJpeg(picture.string()).ok) << c.name << ": " << source;
        }
    }
}
