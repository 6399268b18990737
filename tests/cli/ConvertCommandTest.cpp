// marovi-convert as a user runs it: in a fresh folder holding a copy of the
// example keyboard in kb/ and pages written by inkgen.

#include "DecodedJpeg.h"
#include "ExampleKeyboard.h"
#include "ProgramRun.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#if MAROVI_CAN_DRAW
#include <png.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What the program prints, UTF-8.
const std::string kConverted = u8"変換済み";
const std::string kCancelled = u8"キャンセル";
const std::string kRunFinished = u8"marovi-convert: HTMLファイルを生成しました\n";
const std::string kCannotOpenInk = u8"内部エラー(DoParse)：ファイルオープンできません";
const std::string kKeyboardUnreadable = u8"marovi-convert: ソフトＫＢ定義ファイルがオープンできません";

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class ConvertCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marovi-cli-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        fs::create_directories(dir_ / "kb");
        fs::create_directories(dir_ / "out");
        for (const char* file : {"softKB.skb", "keydef.skb"})
            fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / file, dir_ / "kb" / file);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    int RunHere(const std::string& command) const
    {
        const int status = std::system(("cd " + Quote(dir_.string()) + " && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Outcome Convert(const std::vector<std::string>& args) const
    {
        std::string command = Quote(MAROVI_CONVERT);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const int exitCode = RunHere(command + " >stdout.txt 2>stderr.txt");
        return {exitCode, ReadText(dir_ / "stdout.txt"), ReadText(dir_ / "stderr.txt")};
    }

    // The ink file `ink` from a page script: an example's name, or the
    // script's text (UTF-8).
    void MakePage(const std::string& ink, const std::string& script) const
    {
        std::string scriptPath = std::string(MAROVI_EXAMPLES_DIR) + "/" + script + ".ink.txt";
        if (!fs::exists(scriptPath)) {
            scriptPath = (dir_ / (ink + ".txt")).string();
            std::ofstream(scriptPath, std::ios::binary) << script;
        }
        ASSERT_EQ(RunHere(Quote(MAROVI_INKGEN) + " --keyboard kb/softKB.skb " + Quote(scriptPath) + " " + Quote(ink)),
                  0);
    }

    std::string Line(const std::string& ink, const std::string& status, const std::string& html = "") const
    {
        return (dir_ / ink).string() + "\t" + status + "\t" + (html.empty() ? "" : (dir_ / html).string()) + "\n";
    }

    fs::path dir_;
};

TEST_F(ConvertCommandTest, HelpVersionAndUsageErrors)
{
    const Outcome help = Convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] [-j N] [--utf8] [--explain]\n"
                             "                      [-r] [--update] [--index] [--watch] [--text] [--inkml] [--html5]\n"
                             "                      [--svg] [--pdf FILE [--paper SIZE]] [--recognize [--model FILE]]\n"
                             "                      INKFILE|FOLDER...\n",
                             0),
              0u);
    EXPECT_NE(help.out.find(u8"変換エラー (the page"), std::string::npos) << "statuses shown as UTF-8";
    EXPECT_EQ(Convert({"-h"}).out, help.out);
    EXPECT_EQ(Convert({"--version"}).out, std::string("marovi-convert ") + MAROVI_VERSION + "\n");

    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"-x", "a.ink"},
        {"--what", "a.ink"},
        {"-o", "a.html", "a.ink", "b.ink"},
        {"-o", "a.html", "-d", "out", "a.ink"},
        {"a.ink", "--output-dir"},
        {"--force=yes", "a.ink"},
        {"-d", "kb/softKB.skb", "a.ink"},
        {"-k", "no-such-folder", "a.ink"},
        {"-j", "0", "a.ink"},
        {"-j", "many", "a.ink"},
        {"--jobs=1000", "a.ink"},
    };
    for (const auto& args : mistakes) {
        const Outcome outcome = Convert(args);
        EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err.rfind("marovi-convert: ", 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("\nusage: marovi-convert"), std::string::npos) << outcome.err;
    }
}

TEST_F(ConvertCommandTest, KeyboardThatIsMissingOrHasNoKeysStopsBeforeAnyPage)
{
    MakePage("a.ink", u8"type あ\n");
    fs::create_directories(dir_ / "empty");
    const Outcome missing = Convert({"-k", "empty", "-d", "out", "a.ink"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, kKeyboardUnreadable + " (empty/softKB.skb: No such file or directory)\n");

    // Each loads "successfully" with no key; converting with it would turn
    // every stroke into a picture.
    const std::string settings = "\"0\",\"12\",\"10\"\r\n";
    const std::string marks = "\"1\",\"1\",\"2\",\"1\",\"2\",\"2\",\"1\",\"2\",\"3\",\"3\"\r\n";
    const struct {
        const char* name;
        std::string content;
        std::string told;  // before the refusal
    } keyboards[] = {
        {"empty", "", ""},
        {"garbage", "\x89\x50\x4E\x47 not a keyboard at all\r\n\xFF\xFE", ""},
        {"only settings lines", settings + marks + marks, ""},
        {"keys unreadable", settings + marks + marks + "key,\"a\",\"b\"\r\n\"10\",\"20\",\"30\",\"40\",\"a\"\r\n",
         u8"marovi-convert: ソフトＫＢ定義ファイルのキーの並びは4行目で終わっています。その後の1個のキーは読み込まれません。\n"},
    };
    for (const auto& keyboard : keyboards) {
        SCOPED_TRACE(keyboard.name);
        std::ofstream(dir_ / "kb" / "softKB.skb", std::ios::binary | std::ios::trunc) << keyboard.content;
        const Outcome outcome = Convert({"-k", "kb", "-d", "out", "a.ink"});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, keyboard.told + kKeyboardUnreadable + " (no key could be read from kb/softKB.skb)\n");
        EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    }
}

TEST_F(ConvertCommandTest, ConvertsEveryPageInPathOrder)
{
    MakePage("b.ink", u8"type べつの　ぺーじ\n");
    MakePage("memo.ink", "memo");
    MakePage("a.b.c", u8"type あ\n");

    const Outcome outcome = Convert({"-k", "kb", "-d", "out", "memo.ink", "b.ink", "./a.b.c"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, Line("a.b.c", kConverted, "out/a.b.html") + Line("b.ink", kConverted, "out/b.html") +
                               Line("memo.ink", kConverted, "out/memo.html"));
    EXPECT_EQ(outcome.err, kRunFinished);

    // Shift_JIS pages; the memo's sketch is a picture beside its page.
    const std::string page = ReadText(dir_ / "out" / "b.html");
    EXPECT_EQ(page.rfind("<html>", 0), 0u);
    EXPECT_NE(page.find("\x82\xD7"), std::string::npos) << "べ in Shift_JIS";
    EXPECT_NE(ReadText(dir_ / "out" / "memo.html").find("<img src=\"./memo.files/memo.1.JPG\">"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / "out" / "memo.files" / "memo.1.JPG"));
    EXPECT_FALSE(fs::exists(dir_ / "kb" / "softKB.skb.bak")) << "no calibration, no rewrite";
}

TEST_F(ConvertCommandTest, ExistingPagesAreKeptUnlessForced)
{
    MakePage("a.ink", u8"type あ\n");
    MakePage("b.ink", u8"type い\n");
    std::ofstream(dir_ / "a.html") << "kept";

    const Outcome kept = Convert({"-k", "kb", "a.ink", "b.ink"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.out, Line("a.ink", kCancelled) + Line("b.ink", kConverted, "b.html"));
    EXPECT_EQ(kept.err, "marovi-convert: a.ink: a.html exists; -f overwrites it\n" + kRunFinished);
    EXPECT_EQ(ReadText(dir_ / "a.html"), "kept");

    // Overwriting drops the pictures of the page's earlier, longer version,
    // and nothing else of its folder.
    fs::create_directories(dir_ / "a.files");
    for (const char* name : {"a.1.JPG", "a.12.JPG", "a.x.JPG", "b.1.JPG", "notes.txt"})
        std::ofstream(dir_ / "a.files" / name) << "old";
    const Outcome forced = Convert({"-f", "-k", "kb", "a.ink", "b.ink"});
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(forced.out, Line("a.ink", kConverted, "a.html") + Line("b.ink", kConverted, "b.html"));
    EXPECT_EQ(ReadText(dir_ / "a.html").rfind("<html>", 0), 0u);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir_ / "a.files"))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.x.JPG", "b.1.JPG", "notes.txt"}));
}

// Two ink files of one name in one run go to one page: the first is written,
// the second never overwrites it, forced or not.
TEST_F(ConvertCommandTest, OnePageIsWrittenOncePerRun)
{
    fs::create_directories(dir_ / "a");
    fs::create_directories(dir_ / "b");
    MakePage("a/memo.ink", "memo");
    MakePage("b/memo.ink", u8"type べつの　ぺーじ\n");
    for (const bool force : {false, true}) {
        SCOPED_TRACE(force ? "forced" : "not forced");
        fs::remove_all(dir_ / "out");
        std::vector<std::string> args = {"-k", "kb", "-d", "out/new/deeper", "a/memo.ink", "b/memo.ink"};
        if (force)
            args.insert(args.begin(), "-f");
        const Outcome outcome = Convert(args);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, Line("a/memo.ink", kConverted, "out/new/deeper/memo.html") +
                                   Line("b/memo.ink", kCancelled));
        EXPECT_EQ(outcome.err, "marovi-convert: b/memo.ink: out/new/deeper/memo.html is the page of a/memo.ink in "
                               "this run and is not written again\n" +
                                   kRunFinished);
        EXPECT_NE(ReadText(dir_ / "out/new/deeper/memo.html").find("memo.1.JPG"), std::string::npos);
    }
}

TEST_F(ConvertCommandTest, EveryFailureNamesItsFile)
{
    MakePage("good.ink", u8"type あ\n");
    std::ofstream(dir_ / "bad.ink") << "not an ink file";

    const Outcome unreadable = Convert({"-k", "kb", "-d", "out", "good.ink", "bad.ink", "missing.ink"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.out, Line("bad.ink", u8"不正ファイル") + Line("good.ink", kConverted, "out/good.html") +
                                  Line("missing.ink", u8"不正ファイル"));
    // After a failure the run does not close saying the pages were made.
    EXPECT_EQ(unreadable.err, "marovi-convert: bad.ink: " + kCannotOpenInk + "\n" + "marovi-convert: missing.ink: " +
                                  kCannotOpenInk + " (No such file or directory)\n");

    // Pages that cannot be, refused before anything is read.
    fs::create_directories(dir_ / "folder.html");
    const std::string ink = ReadText(dir_ / "good.ink");
    const struct {
        std::vector<std::string> args;
        std::string err;
    } refused[] = {
        {{"-f", "-k", "kb", "-o", "folder.html", "good.ink"}, "folder.html: is a folder, not a page to write"},
        {{"-f", "-k", "kb", "-o", "good.ink", "good.ink"}, "good.ink: -o names the ink file itself"},
        {{"-f", "-k", "kb", "-o", "./good.ink", "good.ink"}, "good.ink: -o names the ink file itself"},
    };
    for (const auto& r : refused) {
        const Outcome outcome = Convert(r.args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "marovi-convert: " + r.err + "\n");
    }
    EXPECT_EQ(ReadText(dir_ / "good.ink"), ink);

    const Outcome noFolder = Convert({"-k", "kb", "-o", "no-such-folder/good.html", "good.ink"});
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_EQ(noFolder.out, "");
    EXPECT_EQ(noFolder.err, "marovi-convert: no-such-folder: no such folder for no-such-folder/good.html\n");

    // Rows that cannot be printed fail the run, told once at its end, the
    // page written all the same.
    if (fs::is_character_file("/dev/full")) {
        EXPECT_EQ(RunHere(Quote(MAROVI_CONVERT) + " -k kb -d full good.ink >/dev/full 2>stderr.txt"), 1);
        EXPECT_EQ(ReadText(dir_ / "stderr.txt"),
                  "marovi-convert: cannot write to standard output: No space left on device\n");
        EXPECT_TRUE(fs::exists(dir_ / "full/good.html"));
    }
}

TEST_F(ConvertCommandTest, Utf8PagesSayTheSameText)
{
    MakePage("memo.ink", "memo");
    ASSERT_EQ(Convert({"-k", "kb", "-o", "sjis.html", "memo.ink"}).exitCode, 0);
    const Outcome utf8 = Convert({"-k", "kb", "--utf8", "-o", "utf8.html", "memo.ink"});
    ASSERT_EQ(utf8.exitCode, 0) << utf8.err;

    std::string expected = SjisToUtf8(ReadText(dir_ / "sjis.html"));
    const std::string charset = "charset=Shift_JIS";
    ASSERT_NE(expected.find(charset), std::string::npos);
    expected.replace(expected.find(charset), charset.size(), "charset=UTF-8");
    // The pictures are named after the page's own folder.
    const std::string folder = "./sjis.files/";
    for (std::size_t at; (at = expected.find(folder)) != std::string::npos;)
        expected.replace(at, folder.size(), "./utf8.files/");
    EXPECT_EQ(ReadText(dir_ / "utf8.html"), expected);
    EXPECT_NE(expected.find(u8"\">ぎ<"), std::string::npos) << expected;
}

TEST_F(ConvertCommandTest, CalibrationRewritesTheKeyboardFolder)
{
    MakePage("calibrated.ink", "calibrated");
    const std::string before = ReadText(dir_ / "kb" / "softKB.skb");
    // Paths are taken from where the command runs, not from kb/; -v adds the
    // ten self-test lines of the mapping before the program's message.
    const Outcome outcome = Convert({"-v", "--keyboard-dir=kb", "--output", "out/page.html", "calibrated.ink"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, Line("calibrated.ink", kConverted, "out/page.html"));
    EXPECT_EQ(outcome.err.rfind("Ps = (50, 50), s = ", 0), 0u) << outcome.err;
    const std::size_t lastSelfTest = outcome.err.find("Ps = (0, -100), s = ");
    ASSERT_NE(lastSelfTest, std::string::npos);
    EXPECT_EQ(outcome.err.substr(outcome.err.find('\n', lastSelfTest) + 1), kRunFinished);

    EXPECT_TRUE(fs::exists(dir_ / "out" / "page.html"));
    EXPECT_EQ(ReadText(dir_ / "kb" / "softKB.skb.bak"), before);
    EXPECT_NE(ReadText(dir_ / "kb" / "softKB.skb"), before);
}

}  // namespace

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    if (start < text.size())
        parts.push_back(text.substr(start));
    return parts;
}

// What the page shows for an explanation's lines, as inkgen --expect says
// it: each <BS> takes back the nearest key before it, a line break is a line
// end, commands and empty slots show nothing, ink shows as a picture.
std::string ShownText(const std::vector<std::vector<std::string>>& lines)
{
    struct Piece {
        bool key;
        std::string text;
    };
    std::vector<Piece> pieces;
    for (const auto& f : lines) {
        if (f[1] == "ink") {
            const bool reused = f[5].size() > 7 && f[5].compare(f[5].size() - 7, 7, " reused") == 0;
            pieces.push_back({false, f[5] == "-" ? "" : reused ? "[picture again]" : "[picture]"});
        } else if (f[1] == "key" && f[5] == "<BS>") {
            for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
                if (piece->key) {
                    pieces.erase(std::next(piece).base());
                    break;
                }
            }
        } else if (f[1] == "key") {
            const std::string& text = f[5];
            const bool command = text == "-" || text == "<HIRA>" || text == "<KANA>" || text == "<HAN>" ||
                                 text == "<REUSE>" || text == "<BR>";
            pieces.push_back({true, text == "<BR>" ? "\n" : command ? "" : text});
        }
    }
    std::string shown;
    for (const Piece& piece : pieces)
        shown += piece.text;
    return shown;
}

#if MAROVI_CAN_DRAW
struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> rgb;

    std::array<int, 3> At(unsigned x, unsigned y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Picture ReadPng(const fs::path& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    Picture picture{image.width, image.height, std::vector<unsigned char>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    return picture;
}
#endif

}  // namespace

// The explanation beside each page follows what the page shows, object by
// object, on the example pages and on pages with a slipped sheet, a back
// space, an empty slot and a picture shown again.
TEST_F(ConvertCommandTest, ExplainTellsHowEachPageWasRead)
{
#if MAROVI_CAN_DRAW
    const ExampleKeyboard keyboard = ReadExampleKeyboard();
    const struct {
        const char* ink;
        std::string script;
        // Strokes of ink that join the group before them rather than start one.
        int joiningInkStrokes;
        bool calibrated;
    } pages[] = {
        {"calibrated.ink", "calibrated", 0, true},
        {"memo.ink", "memo", 3, false},
        {"slipped.ink", u8"sheet shift 2mm -1.5mm rotate -0.8\ncalibrate\ntype ずれても\nhan\ntype ok 12\nbs\nbr\n",
         0, true},
        // Key 0's hiragana stroke upwards has no text.
        {"slot.ink", u8"type あ\nup 0\ncircle 2000 3000 300\nline 1500 3500 2500 3500\ntype い\nreuse\n"
                     u8"circle 2000 3000 100\n",
         1, false},
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.ink);
        fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / "softKB.skb", dir_ / "kb" / "softKB.skb",
                      fs::copy_options::overwrite_existing);
        MakePage(page.ink, page.script);
        std::string script = std::string(MAROVI_EXAMPLES_DIR) + "/" + page.script + ".ink.txt";
        if (!fs::exists(script))
            script = (dir_ / (std::string(page.ink) + ".txt")).string();
        ASSERT_EQ(RunHere(Quote(MAROVI_INKGEN) + " --expect --keyboard kb/softKB.skb " + Quote(script) +
                          " expect.ink >expect.txt"),
                  0);
        ASSERT_EQ(RunHere(Quote(MAROVI_INKDUMP) + " " + Quote(page.ink) + " >dump.txt"), 0);
        const std::string dump = ReadText(dir_ / "dump.txt");
        const int strokes = std::stoi(dump.substr(dump.find(": ") + 2));

        const Outcome outcome = Convert({"--explain", "-k", "kb", "-d", "out", page.ink});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        const std::string base = fs::path(page.ink).stem().string();
        ASSERT_EQ(Convert({"-k", "kb", "-d", "plain", page.ink}).exitCode, 0);
        EXPECT_EQ(ReadText(dir_ / "out" / (base + ".html")), ReadText(dir_ / "plain" / (base + ".html")))
            << "explaining changes nothing of the page";
        const std::vector<std::string> text = Split(ReadText(dir_ / "out" / (base + ".explain.txt")), '\n');
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text[0], "n\tkind\tkey\tgesture\tmode\ttext\tx\ty");
        std::vector<std::vector<std::string>> lines;
        for (std::size_t i = 1; i < text.size(); ++i) {
            lines.push_back(Split(text[i], '\t'));
            ASSERT_EQ(lines.back().size(), 8u) << text[i];
            EXPECT_EQ(lines.back()[0], std::to_string(i));
        }
        EXPECT_EQ(static_cast<int>(lines.size()), strokes - page.joiningInkStrokes);
        std::string expected = ReadText(dir_ / "expect.txt");
        expected.pop_back();
        EXPECT_EQ(ShownText(lines), expected);

        int taps = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::vector<std::string>& f = lines[i];
            if (f[1] == "calibration") {
                ++taps;
                EXPECT_EQ(f[5].rfind("mark " + std::to_string(taps) + " ", 0), 0u) << f[5];
                // The hand misses a mark by up to 0.6 mm each way; the slip of
                // the sheet (2.5 mm) is gone.
                EXPECT_LT(std::stod(f[5].substr(7)), 1.0) << f[5];
            } else if (f[1] == "key" && f[2] != "-") {
                const Rect& key = keyboard.keys.at(std::stoul(f[2]));
                const double x = std::stod(f[6]);
                const double y = std::stod(f[7]);
                EXPECT_TRUE(key.left <= x && x < key.right && key.top <= y && y < key.bottom) << text[i + 1];
            }
        }
        EXPECT_EQ(taps, page.calibrated ? 5 : 0);

        // Drawn over the A5 sheet at 0.1 mm a pixel, with a band for the
        // legend; a tap's hit point, clear of every other, carries its dot.
        const Picture picture = ReadPng(dir_ / "out" / (base + ".explain.png"));
        EXPECT_EQ(picture.width, 2100u);
        EXPECT_EQ(picture.height, 1600u);
        const auto apart = [&](const std::vector<std::string>& f) {
            return std::all_of(lines.begin(), lines.end(), [&](const auto& other) {
                return &other == &f || std::hypot(std::stod(other[6]) - std::stod(f[6]),
                                                  std::stod(other[7]) - std::stod(f[7])) > 300;
            });
        };
        const auto tap = std::find_if(lines.begin(), lines.end(),
                                      [&](const auto& f) { return f[3] == "tap" && f[5] != "-" && apart(f); });
        ASSERT_NE(tap, lines.end());
        ASSERT_EQ(picture.rgb.size(), 2100u * 1600u * 3u);
        const std::array<int, 3> dot = picture.At(static_cast<unsigned>(std::stoul((*tap)[6]) / 10),
                                                  static_cast<unsigned>(std::stoul((*tap)[7]) / 10));
        EXPECT_TRUE(dot[0] < 20 && std::abs(dot[1] - 140) < 20 && std::abs(dot[2] - 38) < 20)
            << dot[0] << "," << dot[1] << "," << dot[2] << ": the green of a tap";
    }

    // Like the page, an explanation is overwritten only with -f.
    const Outcome kept = Convert({"--explain", "-k", "kb", "-o", "page.html", "slot.ink"});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    std::ofstream(dir_ / "page.explain.png") << "kept";
    fs::remove(dir_ / "page.html");
    fs::remove(dir_ / "page.explain.txt");
    const Outcome declined = Convert({"--explain", "-k", "kb", "-o", "page.html", "slot.ink"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.err, "marovi-convert: slot.ink: page.explain.png exists; -f overwrites it\n");
    EXPECT_FALSE(fs::exists(dir_ / "page.html"));
    EXPECT_EQ(ReadText(dir_ / "page.explain.png"), "kept");
    EXPECT_EQ(Convert({"-f", "--explain", "-k", "kb", "-o", "page.html", "slot.ink"}).exitCode, 0);
    EXPECT_EQ(ReadPng(dir_ / "page.explain.png").width, 2100u);
#else
    MakePage("a.ink", u8"type あ\n");
    const Outcome refused = Convert({"--explain", "-k", "kb", "a.ink"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("this build cannot draw"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir_ / "a.html"));
#endif
}

// Every page, its text, its ink and its modern page, and the ink converted
// back: the same page to the byte, the same pictures.
TEST_F(ConvertCommandTest, TextInkmlAndHtml5BesideThePageConvertBackToTheSamePage)
{
    MakePage("memo.ink", "memo");
    MakePage("calibrated.ink", "calibrated");
    MakePage("red.ink", u8"color red\ntype あかい　ペン\nbr\nsignature 1500 4600 4000 1200\n");
    const std::string keyboard = ReadText(dir_ / "kb" / "softKB.skb");
    const std::vector<std::string> pages = {"calibrated", "memo", "red"};

    const Outcome written =
        Convert({"-k", "kb", "-d", "out", "--text", "--inkml", "--html5", "memo.ink", "calibrated.ink", "red.ink"});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(ReadText(dir_ / "out" / "memo.txt"),
              u8"かいぎのメモ\nあした「ミーティング」は 3F の Room B で。\nじかんは 10:30\n"
              u8"きっぷを　わすれずに！\nばしょは　この　ちず。\n\n")
        << "the line of the sketch shown again holds no text";
    EXPECT_EQ(ReadText(dir_ / "out" / "red.txt"), u8"あかい　ペン\n");
    const std::string memo = ReadText(dir_ / "out" / "memo.inkml");
    for (const char* expected : {"<brush xml:id=\"blue\">", "<annotation type=\"picture\">2</annotation>",
                                 "<annotation type=\"text\">&lt;BS&gt;</annotation>", "brushRef=\"#blue\"",
                                 "<activeArea width=\"210\" height=\"148\" units=\"mm\"/>"})
        EXPECT_NE(memo.find(expected), std::string::npos) << expected;
    EXPECT_NE(ReadText(dir_ / "out" / "calibrated.inkml").find("<annotation type=\"calibrationMark\">5</annotation>"),
              std::string::npos);
    std::string modernPages;
    for (const std::string& page : pages) {
        EXPECT_EQ(RunHere("xmllint --noout --relaxng " + Quote(MAROVI_INKML_SCHEMA) + " out/" + page + ".inkml"), 0)
            << page;
        // No error and no warning.
        EXPECT_EQ(RunHere("tidy -errors -q out/" + page + ".html5.html"), 0) << page;
        modernPages += " out/" + page + ".html5.html";
    }
    EXPECT_EQ(RunHere("timeout 180 /usr/bin/python3 " + Quote(MAROVI_BROWSER_CHECK) + modernPages), 0)
        << "no sideways scrolling at 360 and 1280 px, every picture loaded";
    const std::string modern = ReadText(dir_ / "out" / "memo.html5.html");
    for (const char* expected :
         {u8"<title>かいぎのメモ</title>", u8"<p>じかんは 10:30</p>",
          u8"<img src=\"./memo.files/memo.2.JPG\" alt=\"手書きの絵 2\" width=\"360\" height=\"115\">"})
        EXPECT_NE(modern.find(expected), std::string::npos) << expected;
    EXPECT_NE(ReadText(dir_ / "out" / "calibrated.html5.html")
                  .find(u8"<p><span style=\"color:#0000FF\">ペンの　いろも　かわります。</span></p>"),
              std::string::npos);

    // The calibration page rewrote the keyboard; the InkML meets it as the
    // ink file did.
    std::ofstream(dir_ / "kb" / "softKB.skb", std::ios::binary | std::ios::trunc) << keyboard;
    const Outcome back =
        Convert({"-k", "kb", "-d", "back", "out/memo.inkml", "out/calibrated.inkml", "out/red.inkml"});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        EXPECT_EQ(ReadText(dir_ / "back" / (page + ".html")), ReadText(dir_ / "out" / (page + ".html")));
        std::size_t pictures = 0;
        for (const auto& picture : fs::directory_iterator(dir_ / "out" / (page + ".files"))) {
            ++pictures;
            EXPECT_EQ(ReadText(dir_ / "back" / (page + ".files") / picture.path().filename()),
                      ReadText(picture.path()));
        }
        EXPECT_GT(pictures, 0u);
    }

    // Like the page, its text is overwritten only with -f.
    fs::remove(dir_ / "out" / "red.html");
    const Outcome declined = Convert({"-k", "kb", "-d", "out", "--text", "red.ink"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.err, "marovi-convert: red.ink: out/red.txt exists; -f overwrites it\n");
    EXPECT_EQ(Convert({"-f", "-k", "kb", "-d", "out", "--text", "red.ink"}).exitCode, 0);
    // Nor does it ever take the page's own name.
    const Outcome clash = Convert({"-f", "-k", "kb", "--text", "-o", "red.txt", "red.ink"});
    EXPECT_EQ(clash.exitCode, 2);
    EXPECT_EQ(clash.err, "marovi-convert: red.txt: a file asked for beside the page has its name\n");
    EXPECT_FALSE(fs::exists(dir_ / "red.txt"));
}

#if MAROVI_CAN_RECOGNIZE
TEST_F(ConvertCommandTest, RecognisedHandwritingGoesBesideThePageAndLeavesThePageAsItIs)
{
    // 会議 written above the keyboard between two typed lines, and a circle
    // drawn on its own line.
    MakePage("word.ink", u8"type かいぎ\nbr\n" + ReadText(fs::path(MAROVI_HANDWRITING_FIXTURES) / "kaigi.ink.txt") +
                             u8"br\ntype おわり\nbr\ncircle 16000 3000 900\n");
    const std::vector<std::string> beside = {"--text", "--html5", "--inkml"};
    std::vector<std::string> plain = {"-k", "kb", "-d", "plain", "word.ink"};
    std::vector<std::string> read = {"-k", "kb", "-d", "read", "--recognize", "word.ink"};
    plain.insert(plain.end(), beside.begin(), beside.end());
    read.insert(read.end(), beside.begin(), beside.end());
    ASSERT_EQ(Convert(plain).exitCode, 0);
    const Outcome recognised = Convert(read);
    ASSERT_EQ(recognised.exitCode, 0) << recognised.err;

    EXPECT_EQ(ReadText(dir_ / "read" / "word.html"), ReadText(dir_ / "plain" / "word.html"));
    for (const char* picture : {"word.1.JPG", "word.2.JPG"})
        EXPECT_EQ(ReadText(dir_ / "read" / "word.files" / picture), ReadText(dir_ / "plain" / "word.files" / picture));
    EXPECT_EQ(ReadText(dir_ / "plain" / "word.txt"), u8"かいぎ\n\nおわり\n");
    EXPECT_EQ(ReadText(dir_ / "read" / "word.txt"), u8"かいぎ\n会議\nおわり\n") << "the sketch's line stays empty";

    const std::string modern = ReadText(dir_ / "read" / "word.html5.html");
    EXPECT_NE(modern.find(u8"alt=\"会議\""), std::string::npos) << modern;
    EXPECT_NE(modern.find(u8"alt=\"手書きの絵 2\""), std::string::npos) << modern;

    const std::string inkml = ReadText(dir_ / "read" / "word.inkml");
    EXPECT_EQ(RunHere("xmllint --noout --relaxng " + Quote(MAROVI_INKML_SCHEMA) + " read/word.inkml"), 0);
    const std::string picture = "<annotation type=\"picture\">1</annotation>\n";
    const std::string text = u8"<annotation type=\"handwriting\">会議</annotation>\n";
    const std::size_t group = inkml.find(picture);
    ASSERT_NE(group, std::string::npos);
    EXPECT_EQ(inkml.compare(group + picture.size(), text.size(), text), 0) << inkml.substr(group, 200);
    // Per cell its box in mm, then candidates and scores, the best first.
    std::vector<std::string> cells;
    for (std::size_t at = inkml.find("<annotation type=\"handwritingCell\">"); at != std::string::npos;
         at = inkml.find("<annotation type=\"handwritingCell\">", at + 1)) {
        const std::size_t start = at + std::string("<annotation type=\"handwritingCell\">").size();
        cells.push_back(inkml.substr(start, inkml.find('<', start) - start));
    }
    ASSERT_EQ(cells.size(), 2u);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        std::istringstream fields(cells[k]);
        double left = 0, top = 0, right = 0, bottom = 0, score = 0;
        std::string best;
        ASSERT_TRUE(fields >> left >> top >> right >> bottom >> best >> score) << cells[k];
        EXPECT_LT(left, right);
        EXPECT_LT(top, bottom);
        EXPECT_EQ(best, k == 0 ? u8"会" : u8"議");
        EXPECT_NE(cells[k].find(' ', cells[k].find(best) + best.size() + 1), std::string::npos) << "more candidates";
    }
    EXPECT_EQ(inkml.find("handwriting", inkml.find("<annotation type=\"picture\">2</annotation>")), std::string::npos)
        << "the sketch has no annotation";
}

TEST_F(ConvertCommandTest, AHandwritingModelThatCannotBeReadStopsBeforeAnyPage)
{
    MakePage("word.ink", u8"type かいぎ\n");
    std::ofstream(dir_ / "broken.model", std::ios::binary) << "not a model at all, just some bytes\n";
    const Outcome missing = Convert({"-k", "kb", "-d", "out", "--recognize", "--model", "no.model", "word.ink"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err,
              "marovi-convert: --recognize: cannot read the handwriting model no.model: No such file or directory\n");
    const Outcome broken = Convert({"-k", "kb", "-d", "out", "--recognize", "--model", "broken.model", "word.ink"});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("cannot read the handwriting model broken.model: not a handwriting model"),
              std::string::npos)
        << broken.err;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "word.html"));
    // Without --recognize no model is looked at.
    EXPECT_EQ(Convert({"-k", "kb", "-d", "out", "word.ink"}).exitCode, 0);
    const Outcome alone = Convert({"-k", "kb", "-d", "out", "--model", "broken.model", "word.ink"});
    EXPECT_EQ(alone.exitCode, 2);
    EXPECT_NE(alone.err.find("--model goes with --recognize"), std::string::npos) << alone.err;
}
#else
TEST_F(ConvertCommandTest, RecognizeIsRefusedWhereTheBuildHasNoZinnia)
{
    MakePage("word.ink", u8"type かいぎ\n");
    const Outcome refused = Convert({"-k", "kb", "-d", "out", "--recognize", "word.ink"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--recognize: this build cannot read handwriting"), std::string::npos);
}
#endif

TEST_F(ConvertCommandTest, InkmlFromElsewhereConvertsAndBrokenInkmlIsNamed)
{
    const std::string open = "<ink xmlns=\"http://www.w3.org/2003/InkML\">";
    // Strokes in millimetres, the last one blue, beside the keyboard: a
    // sketch.
    std::ofstream(dir_ / "hand.inkml")
        << "<?xml version=\"1.0\"?>\n" << open
        << "<traceFormat><channel name=\"X\" units=\"mm\"/><channel name=\"Y\" units=\"mm\"/></traceFormat>"
           "<brush xml:id=\"b\"><brushProperty name=\"color\" value=\"#0000ff\"/></brush>"
           "<trace>120 20, 130 25, 140 20</trace><trace brushRef=\"#b\">120 30, 140 30</trace></ink>\n";
    std::ofstream(dir_ / "bad.inkml") << open << "<trace>1 2</ink>\n";
    std::ofstream(dir_ / "huge.inkml") << open;
    fs::resize_file(dir_ / "huge.inkml", 65 * 1024 * 1024);

    const Outcome outcome = Convert({"-k", "kb", "-d", "out", "hand.inkml", "bad.inkml", "huge.inkml"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, Line("bad.inkml", u8"不正ファイル") + Line("hand.inkml", kConverted, "out/hand.html") +
                               Line("huge.inkml", u8"不正ファイル"));
    EXPECT_EQ(outcome.err,
              u8"marovi-convert: bad.inkml: InkMLファイルを読み込めません：line 1: mismatched tag\n"
              u8"marovi-convert: huge.inkml: InkMLファイルを読み込めません：the file is larger than 64 MiB\n");
    EXPECT_NE(ReadText(dir_ / "out" / "hand.html").find("<img src=\"./hand.files/hand.1.JPG\">"), std::string::npos);
}

namespace {

// The names in `folder` that end in `suffix`, sorted.
std::vector<std::string> FilesEndingIn(const fs::path& folder, const std::string& suffix)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string WithoutSuffix(const std::string& name) { return name.substr(0, name.rfind('.')); }

#if MAROVI_CAN_DRAW
// What a pixel shows: paper (or an edge too pale to tell), or the ink of one
// of the three pens.
enum class Ink { None, Black, Red, Blue };

Ink InkOf(int r, int g, int b)
{
    constexpr int kHalf = 128;
    if (r < kHalf && g < kHalf && b < kHalf)
        return Ink::Black;
    if (r >= kHalf && g < kHalf && b < kHalf)
        return Ink::Red;
    if (b >= kHalf && r < kHalf && g < kHalf)
        return Ink::Blue;
    return Ink::None;
}

// Of the ink pixels of `from`, the share that have ink of the same pen within
// `reach` pixels in `to` (both the same size); 1 when `from` has none.
double InkFoundNearby(const std::vector<Ink>& from, const std::vector<Ink>& to, int width, int height, int reach)
{
    const auto at = [width](const std::vector<Ink>& inks, int x, int y) {
        return inks[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    };
    std::size_t inked = 0;
    std::size_t found = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Ink ink = at(from, x, y);
            if (ink == Ink::None)
                continue;
            ++inked;
            bool near = false;
            for (int dy = -reach; dy <= reach && !near; ++dy) {
                for (int dx = -reach; dx <= reach && !near; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    near = nx >= 0 && ny >= 0 && nx < width && ny < height &&
                           at(to, nx, ny) == ink;
                }
            }
            if (near)
                ++found;
        }
    }
    return inked == 0 ? 1.0 : static_cast<double>(found) / static_cast<double>(inked);
}
#endif

}  // namespace

// Every picture of a page drawn from its SVG at the JPEG's size shows the same
// ink of the same pens in the same places, edges aside; the modern page shows
// the SVGs.
TEST_F(ConvertCommandTest, SvgPicturesDrawWhatTheirJpegsShow)
{
#if MAROVI_CAN_DRAW
    MakePage("memo.ink", "memo");
    MakePage("red.ink", u8"color red\ntype あかい　ペン\nbr\nsignature 1500 4600 4000 1200\n");
    const Outcome written = Convert({"-k", "kb", "-d", "out", "--svg", "--html5", "memo.ink", "red.ink"});
    ASSERT_EQ(written.exitCode, 0) << written.err;

    for (const std::string page : {"memo", "red"}) {
        SCOPED_TRACE(page);
        const fs::path folder = dir_ / "out" / (page + ".files");
        const std::vector<std::string> jpegs = FilesEndingIn(folder, ".JPG");
        const std::vector<std::string> svgs = FilesEndingIn(folder, ".svg");
        ASSERT_FALSE(jpegs.empty());
        ASSERT_EQ(svgs.size(), jpegs.size());
        const std::string modern = ReadText(dir_ / "out" / (page + ".html5.html"));
        EXPECT_EQ(modern.find(".JPG"), std::string::npos) << "the modern page shows the SVGs only";
        for (std::size_t k = 0; k < svgs.size(); ++k) {
            const std::string name = svgs[k];
            SCOPED_TRACE(name);
            EXPECT_EQ(WithoutSuffix(name), WithoutSuffix(jpegs[k]));
            const std::string number = std::to_string(k + 1);
            EXPECT_EQ(name, page + "." + number + ".svg");
            const std::string shown = "out/" + page + ".files/" + name;
            EXPECT_EQ(RunHere("xmllint --noout " + shown), 0);

            const DecodedJpeg jpeg = DecodeJpeg((folder / jpegs[k]).string());
            ASSERT_TRUE(jpeg.ok);
            const std::string svg = ReadText(folder / name);
            const std::string size =
                "width=\"" + std::to_string(jpeg.width) + "\" height=\"" + std::to_string(jpeg.height) + "\"";
            EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\" " + size), std::string::npos);
            EXPECT_NE(svg.find(u8"<title>手書きの絵 " + number + "</title>"), std::string::npos);
            EXPECT_NE(modern.find("<img src=\"./" + page + ".files/" + name + u8"\" alt=\"手書きの絵 " + number +
                                  "\" " + size + ">"),
                      std::string::npos);

            ASSERT_EQ(RunHere("rsvg-convert -w " + std::to_string(jpeg.width) + " -h " + std::to_string(jpeg.height) +
                              " -o drawn.png " + shown),
                      0);
            const Picture drawn = ReadPng(dir_ / "drawn.png");
            ASSERT_EQ(drawn.width, static_cast<unsigned>(jpeg.width));
            ASSERT_EQ(drawn.height, static_cast<unsigned>(jpeg.height));
            std::vector<Ink> fromJpeg;
            std::vector<Ink> fromSvg;
            for (int y = 0; y < jpeg.height; ++y) {
                for (int x = 0; x < jpeg.width; ++x) {
                    const RgbColor c = jpeg.At(x, y);
                    fromJpeg.push_back(InkOf(c.red, c.green, c.blue));
                    const std::array<int, 3> d = drawn.At(static_cast<unsigned>(x), static_cast<unsigned>(y));
                    fromSvg.push_back(InkOf(d[0], d[1], d[2]));
                }
            }
            EXPECT_GT(std::count(fromJpeg.begin(), fromJpeg.end(), Ink::None),
                      static_cast<std::ptrdiff_t>(fromJpeg.size() / 2));
            EXPECT_GT(InkFoundNearby(fromJpeg, fromSvg, jpeg.width, jpeg.height, 2), 0.95);
            EXPECT_GT(InkFoundNearby(fromSvg, fromJpeg, jpeg.width, jpeg.height, 2), 0.95);
        }
        EXPECT_EQ(RunHere("tidy -errors -q out/" + page + ".html5.html"), 0);
    }
    EXPECT_EQ(RunHere("timeout 180 /usr/bin/python3 " + Quote(MAROVI_BROWSER_CHECK) +
                      " out/memo.html5.html out/red.html5.html"),
              0)
        << "every SVG loaded, no sideways scrolling at 360 and 1280 px";
#else
    GTEST_SKIP() << "no libpng to read what rsvg-convert draws";
#endif
}

// --svg adds files and changes none: the classic page and its JPEGs are the
// bytes of a run without it. The SVGs are kept as the page is, unless -f,
// which also takes those the page no longer has.
TEST_F(ConvertCommandTest, SvgPicturesLeaveThePageAsItIsAndAreKeptUnlessForced)
{
    MakePage("memo.ink", "memo");
    ASSERT_EQ(Convert({"-k", "kb", "-d", "plain", "memo.ink"}).exitCode, 0);
    ASSERT_EQ(Convert({"-k", "kb", "-d", "out", "--svg", "memo.ink"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out" / "memo.html"), ReadText(dir_ / "plain" / "memo.html"));
    const std::vector<std::string> jpegs = FilesEndingIn(dir_ / "plain" / "memo.files", ".JPG");
    EXPECT_EQ(FilesEndingIn(dir_ / "out" / "memo.files", ".JPG"), jpegs);
    for (const std::string& jpeg : jpegs)
        EXPECT_EQ(ReadText(dir_ / "out" / "memo.files" / jpeg), ReadText(dir_ / "plain" / "memo.files" / jpeg));
    const std::string firstSvg = ReadText(dir_ / "out" / "memo.files" / "memo.1.svg");

    // An SVG of the page is kept, though the page itself has gone.
    fs::remove(dir_ / "out" / "memo.html");
    std::ofstream(dir_ / "out" / "memo.files" / "memo.1.svg", std::ios::trunc) << "kept";
    const Outcome kept = Convert({"-k", "kb", "-d", "out", "--svg", "memo.ink"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.out, Line("memo.ink", kCancelled));
    EXPECT_EQ(kept.err, "marovi-convert: memo.ink: out/memo.files/memo.1.svg exists; -f overwrites it\n");
    EXPECT_FALSE(fs::exists(dir_ / "out" / "memo.html"));
    EXPECT_EQ(ReadText(dir_ / "out" / "memo.files" / "memo.1.svg"), "kept");

    // Forced, the SVGs are written anew, and those past the page's pictures
    // go with its old JPEGs; other files of the folder stay.
    for (const char* name : {"memo.9.svg", "memo.9.JPG", "memo.x.svg", "other.1.svg"})
        std::ofstream(dir_ / "out" / "memo.files" / name) << "old";
    ASSERT_EQ(Convert({"-f", "-k", "kb", "-d", "out", "--svg", "memo.ink"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out" / "memo.files" / "memo.1.svg"), firstSvg);
    std::vector<std::string> expected = jpegs;
    for (const std::string& jpeg : jpegs)
        expected.push_back(WithoutSuffix(jpeg) + ".svg");
    for (const char* name : {"memo.x.svg", "other.1.svg"})
        expected.push_back(name);
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> left = FilesEndingIn(dir_ / "out" / "memo.files", "");
    EXPECT_EQ(left, expected);

    // A page written again without --svg has no SVGs: none of its stay.
    ASSERT_EQ(Convert({"-f", "-k", "kb", "-d", "out", "memo.ink"}).exitCode, 0);
    EXPECT_EQ(FilesEndingIn(dir_ / "out" / "memo.files", ".svg"), (std::vector<std::string>{"memo.x.svg", "other.1.svg"}));
}

namespace {

// What a program printed on stdout, run in `dir`; empty when it failed.
std::string OutputOf(const fs::path& dir, const std::string& command)
{
    const fs::path out = dir / "command-output.txt";
    const int status = std::system(("cd " + Quote(dir.string()) + " && " + command + " >" + Quote(out.string())).c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ReadText(out) : std::string();
}

// The page's text as pdftotext gives it back: poppler turns the ideographic
// space into a plain one, leaves out lines that hold only pictures and ends
// a page with a form feed.
std::string AsPdftotextGives(std::string text)
{
    for (std::size_t at; (at = text.find(u8"　")) != std::string::npos;)
        text.replace(at, std::string(u8"　").size(), " ");
    for (std::size_t at; (at = text.find("\n\n")) != std::string::npos;)
        text.erase(at, 1);
    if (text == "\n")
        text.clear();
    return text + "\f";
}

// A pixel of a pen's colour, however pale its antialiased edge.
bool Coloured(const std::array<int, 3>& c)
{
    return c[2] - std::max(c[0], c[1]) > 32 || c[0] - std::max(c[1], c[2]) > 32;
}

}  // namespace

// The document of a run: a page per ink file in natural order, each with
// the page's text as text (extracted line for line), the embedded font, the
// ink drawn where the pictures are, a bookmark and the ink file's name as
// label; a picture wider than the text column is shrunk into it.
TEST_F(ConvertCommandTest, PdfHoldsEveryPageAsTextAndInk)
{
#if MAROVI_CAN_DRAW
    MakePage("p1.ink", "memo");
    MakePage("p2.ink", u8"type ことばだけ\nbr\ntype にぎょうめ\n");
    MakePage("p10.ink", u8"color blue\npolyline 500 1500 20500 1500 20500 3000\n");
    MakePage("p3.ink", u8"color red\nsignature 1500 1600 4000 1200\n");
    const Outcome written =
        Convert({"-k", "kb", "-d", "out", "--text", "--pdf", "out/notes.pdf", "--paper", "a5", "p10.ink", "p1.ink",
                 "p3.ink", "p2.ink"});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(RunHere("qpdf --check out/notes.pdf >/dev/null"), 0);
    const std::string info = OutputOf(dir_, "pdfinfo out/notes.pdf");
    EXPECT_NE(info.find("Pages:           4\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           notes\n"), std::string::npos) << info;
    EXPECT_NE(info.find(std::string("Creator:         marovi-convert ") + MAROVI_VERSION), std::string::npos);
    EXPECT_NE(info.find("Page size:       419.53 x 595.28 pts"), std::string::npos) << info;
    const std::string fonts = OutputOf(dir_, "pdffonts out/notes.pdf");
    EXPECT_NE(fonts.find("+IPAPGothic"), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find(" no "), std::string::npos) << "every font embedded, subset, with a Unicode map:\n" << fonts;
    const std::string outline = OutputOf(dir_, "qpdf --json=2 --json-key=outlines --json-key=pagelabels out/notes.pdf");

    const char* const order[] = {"p1", "p2", "p3", "p10"};
    for (int page = 1; page <= 4; ++page) {
        const std::string name = order[page - 1];
        SCOPED_TRACE(name);
        const std::string n = std::to_string(page);
        const std::string text = ReadText(dir_ / "out" / (name + ".txt"));
        EXPECT_EQ(OutputOf(dir_, "pdftotext -raw -f " + n + " -l " + n + " out/notes.pdf -"), AsPdftotextGives(text));
        EXPECT_NE(outline.find("\"/P\": \"u:" + name + "\""), std::string::npos) << outline;
        const std::string title = text.empty() ? name : text.substr(0, text.find('\n'));
        EXPECT_NE(outline.find("\"title\": \"" + title + "\""), std::string::npos) << outline;

        ASSERT_EQ(RunHere("pdftoppm -r 72 -png -f " + n + " -l " + n + " -singlefile out/notes.pdf drawn"), 0);
        const Picture drawn = ReadPng(dir_ / "drawn.png");
        ASSERT_GT(drawn.width, 0u);
        unsigned left = drawn.width;
        unsigned right = 0;
        long coloured = 0;
        for (unsigned y = 0; y < drawn.height; ++y) {
            for (unsigned x = 0; x < drawn.width; ++x) {
                if (Coloured(drawn.At(x, y))) {
                    ++coloured;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        if (name == "p2") {
            EXPECT_EQ(coloured, 0) << "no pictures, no ink";
        } else {
            EXPECT_GT(coloured, 10) << "the pictures are drawn";
        }
        if (name == "p10") {
            // 200 mm of ink on paper 148 mm wide, 18 mm margins: shrunk to
            // the column, edge to edge.
            const double mm = drawn.width / 148.0;
            EXPECT_GE(left, static_cast<unsigned>(17 * mm));
            EXPECT_LE(left, static_cast<unsigned>(21 * mm));
            EXPECT_LE(right, static_cast<unsigned>(131 * mm));
            EXPECT_GE(right, static_cast<unsigned>(127 * mm));
        }
    }
#else
    GTEST_SKIP() << "this build cannot write a PDF";
#endif
}

// The document is written whole or not at all: what cannot be written is
// refused before any page, and a file there stays as it was.
TEST_F(ConvertCommandTest, PdfThatCannotBeWrittenIsRefusedBeforeAnyPage)
{
#if MAROVI_CAN_DRAW
    MakePage("a.ink", u8"type あ\n");
    std::ofstream(dir_ / "kept.pdf") << "kept";
    const struct {
        std::vector<std::string> args;
        const char* says;
    } refused[] = {
        {{"--pdf", "no-such/notes.pdf"}, "no-such: no such folder for no-such/notes.pdf"},
        {{"--pdf", "a.ink"}, "a.ink: --pdf names an ink file of the run"},
        {{"--pdf", "out"}, "out: is a folder, not a PDF to write"},
        {{"--pdf", "kept.pdf"}, "kept.pdf exists; -f overwrites it"},
        {{"--pdf", "x.pdf", "--paper", "B5"}, "unknown paper B5"},
        {{"--paper", "A4"}, "--paper goes with --pdf"},
        {{"--pdf", "x.pdf", "-o", "a.html"}, "--pdf takes the pages of a folder; use -d"},
    };
    for (const auto& [args, says] : refused) {
        std::vector<std::string> command = {"-k", "kb"};
        if (std::find(args.begin(), args.end(), "-o") == args.end())
            command.insert(command.end(), {"-d", "out"});
        command.insert(command.end(), args.begin(), args.end());
        command.push_back("a.ink");
        const Outcome outcome = Convert(command);
        EXPECT_EQ(outcome.exitCode, 2) << says;
        EXPECT_NE(outcome.err.find(says), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_FALSE(fs::exists(dir_ / "out" / "a.html"));
    EXPECT_FALSE(fs::exists(dir_ / "x.pdf"));
    EXPECT_EQ(ReadText(dir_ / "kept.pdf"), "kept");
#else
    const Outcome refused = Convert({"-k", "kb", "-d", "out", "--pdf", "notes.pdf", "a.ink"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--pdf: this build cannot draw"), std::string::npos) << refused.err;
#endif
}

#if MAROVI_CAN_RECOGNIZE && MAROVI_CAN_DRAW
// Handwriting read as text lies over its ink in the PDF: the word is found
// and extracted where it was written, as one word; the ink is still drawn.
TEST_F(ConvertCommandTest, PdfLaysRecognisedHandwritingOverItsInk)
{
    MakePage("word.ink", u8"type かいぎ\nbr\n" + ReadText(fs::path(MAROVI_HANDWRITING_FIXTURES) / "kaigi.ink.txt") +
                             u8"br\ntype おわり\n");
    const Outcome read = Convert({"-k", "kb", "-d", "out", "--text", "--recognize", "--pdf", "out/word.pdf", "word.ink"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(ReadText(dir_ / "out" / "word.txt"), u8"かいぎ\n会議\nおわり\n");
    EXPECT_EQ(OutputOf(dir_, "pdftotext -raw out/word.pdf -"), AsPdftotextGives(ReadText(dir_ / "out" / "word.txt")));
    ASSERT_EQ(Convert({"-f", "-k", "kb", "-d", "out", "--pdf", "out/plain.pdf", "word.ink"}).exitCode, 0);
    EXPECT_EQ(OutputOf(dir_, "pdftotext -raw out/plain.pdf -"), u8"かいぎ\nおわり\n\f") << "without --recognize, ink only";
    EXPECT_EQ(RunHere("pdftoppm -r 50 -singlefile out/word.pdf read && pdftoppm -r 50 -singlefile out/plain.pdf "
                      "plain && cmp -s read.ppm plain.ppm"),
              0)
        << "the text read is invisible, and so is nothing else";
}
#endif
