// marovi-sheet as a user runs it, in a fresh folder holding a copy of the
// example keyboard in kb/; what it printed is read back through poppler-utils
// (pdfinfo, pdftoppm, pdftotext) as a printer would see it.

#include "ExampleKeyboard.h"
#include "ProgramRun.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A greyscale raster of a PDF page at 10 pixels per millimetre.
class CPageRaster {
public:
    static constexpr double kPixelsPerMm = 10;

    explicit CPageRaster(const std::string& pgm)
    {
        std::istringstream in(pgm);
        std::string magic;
        int maxValue = 0;
        in >> magic >> width_ >> height_ >> maxValue;
        in.get();
        if (magic != "P5" || maxValue != 255)
            throw std::runtime_error("not an 8-bit PGM");
        pixels_.assign(static_cast<std::size_t>(width_ * height_), 0);
        in.read(reinterpret_cast<char*>(pixels_.data()), static_cast<std::streamsize>(pixels_.size()));
    }

    // Some pixel within `reachMm` of the point is dark.
    bool DarkNear(double xMm, double yMm, double reachMm) const
    {
        const double reach = reachMm * kPixelsPerMm;
        const double cx = xMm * kPixelsPerMm;
        const double cy = yMm * kPixelsPerMm;
        for (int y = static_cast<int>(std::floor(cy - reach)); y <= static_cast<int>(std::ceil(cy + reach)); ++y) {
            for (int x = static_cast<int>(std::floor(cx - reach)); x <= static_cast<int>(std::ceil(cx + reach)); ++x) {
                const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
                const bool near = std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= reach;
                if (inside && near && pixels_[static_cast<std::size_t>(y * width_ + x)] < 128)
                    return true;
            }
        }
        return false;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> pixels_;
};

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class SheetCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Run("command -v pdfinfo && command -v pdftoppm && command -v pdftotext") != 0)
            GTEST_SKIP() << "poppler-utils (pdfinfo, pdftoppm, pdftotext) is not installed; "
                            "scripts/test.sh installs it";
        std::string pattern = (fs::temp_directory_path() / "marovi-sheet-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        fs::create_directories(dir_ / "kb");
        fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / "softKB.skb", dir_ / "kb" / "softKB.skb");
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!dir_.empty())
            fs::remove_all(dir_, ignored);
    }

    int Run(const std::string& command) const
    {
        const std::string here = dir_.empty() ? std::string(".") : dir_.string();
        const int status = std::system(("cd " + Quote(here) + " && (" + command + ") >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Outcome Sheet(const std::vector<std::string>& args) const
    {
        std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(MAROVI_SHEET);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const int status = std::system((command + " >stdout.txt 2>stderr.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_ / "stdout.txt"),
                ReadText(dir_ / "stderr.txt")};
    }

    // What a poppler tool prints for the file.
    std::string Poppler(const std::string& command) const
    {
        EXPECT_EQ(Run(command + " >poppler.out"), 0) << command;
        return ReadText(dir_ / "poppler.out");
    }

    // Page width and height in points, as pdfinfo reads them.
    std::pair<double, double> PageSize(const std::string& pdf) const
    {
        const std::string info = Poppler("pdfinfo " + Quote(pdf));
        const std::size_t at = info.find("Page size:");
        if (at == std::string::npos)
            return {0, 0};
        std::istringstream in(info.substr(at + 10));
        double width = 0;
        double height = 0;
        std::string by;
        in >> width >> by >> height;
        return {width, height};
    }

    CPageRaster Rasterise(const std::string& pdf) const
    {
        Poppler("pdftoppm -r 254 -gray -singlefile " + Quote(pdf) + " page");
        return CPageRaster(ReadText(dir_ / "page.pgm"));
    }

    fs::path dir_;
};

TEST_F(SheetCommandTest, PaperIsTheSmallestHoldingTheKeyboardOrTheOneAsked)
{
    constexpr double kA4Long = 841.89;
    constexpr double kA4Short = 595.276;  // also A5's long side
    constexpr double kA5Short = 419.528;
    const struct {
        std::vector<std::string> args;
        double width;
        double height;
        bool cutOff;
    } cases[] = {
        {{}, kA4Short, kA5Short, false},  // the example keyboard is an A5 landscape sheet
        {{"--paper", "auto"}, kA4Short, kA5Short, false},
        {{"--paper", "A4"}, kA4Short, kA4Long, false},
        {{"--paper", "a5"}, kA5Short, kA4Short, true},
        {{"--paper", "A4-landscape"}, kA4Long, kA4Short, false},
        {{"--paper", "A5-landscape"}, kA4Short, kA5Short, false},
        {{"--unit", "0.013"}, kA4Long, kA4Short, false},  // 260 x 179 mm of keys and marks
        {{"--unit", "0.02"}, kA4Long, kA4Short, true},    // the largest paper, and a warning
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"-k", "kb"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome outcome = Sheet(args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.err.find("warning: the keyboard reaches") != std::string::npos, c.cutOff) << outcome.err;
        const auto [width, height] = PageSize("softKB-sheet.pdf");
        EXPECT_NEAR(width, c.width, 0.01) << ::testing::PrintToString(c.args);
        EXPECT_NEAR(height, c.height, 0.01) << ::testing::PrintToString(c.args);
    }
}

TEST_F(SheetCommandTest, KeysAndMarksArePrintedWhereThePenFindsThem)
{
    const ExampleKeyboard keyboard = ReadExampleKeyboard();
    ASSERT_EQ(keyboard.keys.size(), 62u);
    ASSERT_EQ(keyboard.marks.size(), 5u);
    // At twice the unit only what lies on the A4 paper is checked; a sheet
    // printed at the old size would miss every edge there.
    const struct {
        double unit;
        std::vector<std::string> args;
        double paperWidth;
        double paperHeight;
    } cases[] = {
        {0.01, {}, 210, 148},
        {0.02, {"--unit", "0.02", "--paper", "A4"}, 210, 297},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"-k", "kb", "-o", "sheet.pdf"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ASSERT_EQ(Sheet(args).exitCode, 0);
        const CPageRaster page = Rasterise("sheet.pdf");
        int keysChecked = 0;
        for (const Rect& key : keyboard.keys) {
            const Rect mm{key.left * c.unit, key.top * c.unit, key.right * c.unit, key.bottom * c.unit};
            if (mm.right > c.paperWidth || mm.bottom > c.paperHeight)
                continue;
            ++keysChecked;
            const double midX = (mm.left + mm.right) / 2;
            const double midY = (mm.top + mm.bottom) / 2;
            EXPECT_TRUE(page.DarkNear(midX, mm.top, 0.3)) << "top edge of key at " << key.left << ", " << key.top;
            EXPECT_TRUE(page.DarkNear(midX, mm.bottom, 0.3)) << "bottom edge of key at " << key.left << ", " << key.top;
            EXPECT_TRUE(page.DarkNear(mm.left, midY, 0.3)) << "left edge of key at " << key.left << ", " << key.top;
            EXPECT_TRUE(page.DarkNear(mm.right, midY, 0.3)) << "right edge of key at " << key.left << ", " << key.top;
        }
        EXPECT_GE(keysChecked, 9) << "unit " << c.unit;
        for (const auto& [x, y] : keyboard.marks) {
            if (x * c.unit <= c.paperWidth && y * c.unit <= c.paperHeight) {
                EXPECT_TRUE(page.DarkNear(x * c.unit, y * c.unit, 0.1)) << "mark at " << x << ", " << y;
            }
        }
    }
}

TEST_F(SheetCommandTest, EveryKeysHiraganaTapTextIsOnTheSheet)
{
    ASSERT_EQ(Sheet({"-k", "kb"}).exitCode, 0);
    std::string text;
    for (char c : Poppler("pdftotext softKB-sheet.pdf -")) {
        if (c != ' ' && c != '\n' && c != '\f')
            text += c;
    }
    int found = 0;
    for (const std::string& tap : ReadExampleKeyboard().hiraganaTaps) {
        if (tap.empty() || tap[0] == '<' || tap == u8"\u3000")
            continue;
        EXPECT_NE(text.find(tap), std::string::npos) << tap;
        ++found;
    }
    EXPECT_EQ(found, 55);
    for (const char* word : {u8"ひらがな", u8"カタカナ", u8"半角", u8"スペース", u8"後退", u8"改行", u8"再表示"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

TEST_F(SheetCommandTest, FormatFollowsTheFileName)
{
    // A PNG's size is in its header: width and height, big-endian, at 16.
    const auto pngSize = [&](const std::string& name) {
        const std::string png = ReadText(dir_ / name);
        const auto at = [&](std::size_t i) {
            return png.size() < 24 ? 0u
                                   : (static_cast<unsigned>(static_cast<unsigned char>(png[i])) << 24 |
                                      static_cast<unsigned>(static_cast<unsigned char>(png[i + 1])) << 16 |
                                      static_cast<unsigned>(static_cast<unsigned char>(png[i + 2])) << 8 |
                                      static_cast<unsigned>(static_cast<unsigned char>(png[i + 3])));
        };
        return std::make_pair(at(16), at(20));
    };
    ASSERT_EQ(Sheet({"-k", "kb", "-o", "sheet.png"}).exitCode, 0);
    EXPECT_EQ(pngSize("sheet.png"), std::make_pair(2480u, 1748u));  // 210 x 148 mm at 300 dpi
    ASSERT_EQ(Sheet({"-k", "kb", "-o", "small.PNG", "--dpi", "100"}).exitCode, 0);
    EXPECT_EQ(pngSize("small.PNG"), std::make_pair(827u, 583u));
    ASSERT_EQ(Sheet({"-k", "kb", "--output=sheet.svg"}).exitCode, 0);
    const std::string svg = ReadText(dir_ / "sheet.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("width=\"595.27"), std::string::npos);
}

TEST_F(SheetCommandTest, FailuresExitWithTheirStatusAndWriteNothing)
{
    fs::create_directories(dir_ / "empty");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"-k", "empty", "-o", "sheet.pdf"}, 2, u8"marovi-sheet: ソフトＫＢ定義ファイルがオープンできません (softKB.skb: "},
        {{"-k", "missing", "-o", "sheet.pdf"}, 2, "missing: cannot enter the keyboard folder"},
        {{"-k", "kb", "-o", "sheet.pdf", "--paper", "B5"}, 2, "unknown paper B5"},
        {{"-k", "kb", "-o", "sheet.pdf", "--unit", "0"}, 2, "--unit"},
        {{"-k", "kb", "-o", "sheet.pdf", "--unit", "0.01mm"}, 2, "--unit"},
        {{"-k", "kb", "-o", "sheet.pdf", "--dpi", "20"}, 2, "--dpi"},
        {{"-k", "kb", "-o", "sheet.jpg"}, 2, "must end in .pdf, .svg or .png"},
        {{"-k", "kb", "-o", "sheet.pdf", "extra"}, 2, "unexpected argument extra"},
        {{"-k", "kb", "-o", "no-such-folder/sheet.pdf"}, 1,
         "cannot write " + (dir_ / "no-such-folder/sheet.pdf").string() + ": No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Sheet(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_FALSE(fs::exists(dir_ / "sheet.pdf")) << outcome.err;
        EXPECT_FALSE(fs::exists(dir_ / "sheet.jpg"));
    }
}

}  // namespace
