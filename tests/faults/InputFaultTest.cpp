// Inputs that change or surprise: ink files that vanish or shrink before
// they are converted, very long paths, Shift_JIS names whose trail byte is a
// backslash, inputs that are folders, FIFOs or devices, and very large pages.

#include "FaultSupport.h"

#include "ZEL640_IF.h"
#include "ink/QuadMapping.h"
#include "inkfile/InkFileWriter.h"
#include "keyboard/EditableKeyboardDef.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageConversion.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faults {
namespace {

const char kPageScript[] = u8R"(
type メモ
color blue
rect 11500 1500 17500 6000
)";

const char kCannotOpen[] = "内部エラー(DoParse)：ファイルオープンできません";
const char kBadHeader[] = "内部エラー(DoParse)：インクファイルのヘッダーが異常です";
const char kReadFailed[] = "内部エラー(DoParse)：インクファイル読み込み失敗";
const char kKeyboardOpenFailed[] = "ソフトＫＢ定義ファイルがオープンできません";
const char kKeyboardWriteOpenFailed[] = "ソフトＫＢ定義ファイルが書き込みオープンできません";
const char kLocksOpenFailed[] = "キー再定可否ファイルがオープンできません";

std::string Utf8(const char* sjis)
{
    return SjisToUtf8(sjis);
}

TEST(VanishingInk, FilesThatGoOrShrinkBeforeTheirTurn)
{
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    WritePage(scratch / "a.ink", kPageScript);
    const std::string page = ReadBytes(scratch / "a.ink");
    const std::size_t header = 48;
    const struct {
        const char* name;
        std::ptrdiff_t keep;  // bytes kept; -1 removes the file
        const char* message;  // nullptr: the rest still converts
    } cases[] = {
        {"removed", -1, kCannotOpen},
        {"emptied", 0, kCannotOpen},
        {"cut inside the signature", 3, kCannotOpen},
        {"cut inside the header", 30, kBadHeader},
        {"cut before the first whole sample", static_cast<std::ptrdiff_t>(header + 7), kReadFailed},
        {"cut in the middle of the samples", static_cast<std::ptrdiff_t>(header + (page.size() - header) / 2 + 3),
         nullptr},
    };
    const ScopedCurrentDir here(scratch.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"a.ink", "b.ink", "c.ink"})
            WriteBytes(name, page);
        if (c.keep < 0)
            fs::remove("b.ink");
        else
            fs::resize_file("b.ink", static_cast<std::uintmax_t>(c.keep));

        const ConvertRun run = RunConvert({"-f", "a.ink", "b.ink", "c.ink"});
        EXPECT_EQ(StatusOf(run, scratch / "a.ink"), Utf8("変換済み")) << run.out;
        EXPECT_EQ(StatusOf(run, scratch / "c.ink"), Utf8("変換済み")) << run.out;
        if (c.message) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(StatusOf(run, scratch / "b.ink"), Utf8("不正ファイル")) << run.out;
            EXPECT_NE(run.err.find(Utf8(c.message)), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(StatusOf(run, scratch / "b.ink"), Utf8("変換済み")) << run.out;
        }
    }
}

// The library counts the samples from the file's size and reads them later;
// a file cut in between yields a size error, not a short page.
TEST(VanishingInk, CutBetweenCountingAndReadingTheSamples)
{
    ScratchDir scratch;
    // Larger than the stream's buffer, which still holds the file's start.
    inkfile::InkFileWriter writer;
    for (uint16_t i = 0; i < 1000; ++i)
        writer.Stroke({{i, 100}, {i, 200}, {i, 300}});
    writer.Save((scratch / "cut.ink").string());

    InkFileHandle file = ZEL640_Open((scratch / "cut.ink").c_str());
    ASSERT_NE(file, nullptr);
    InkFileHeader header{};
    int32_t count = 0;
    ASSERT_EQ(ZEL640_GetHeader(&header, file), 1);
    ASSERT_EQ(ZEL640_GetStrokeSize(&count, &header, file), 1);
    ASSERT_EQ(count, 4000);
    fs::resize_file(scratch / "cut.ink", header.dataOffset + 8 * 3);
    std::vector<InkSample> samples(4000);
    EXPECT_EQ(ZEL640_GetStrokes(samples.data(), &header, count, file), 0);
    EXPECT_EQ(ZEL640_GetLastError(), ZEL640_ERR_SIZE);
    EXPECT_EQ(ZEL640_Close(file), 0);
}

// Names that pass any fixed 260-byte buffer, and one that passes the
// system's own limit.
TEST(LongPaths, PagesFoldersAndKeyboardsFarDown)
{
    ScratchDir scratch;
    fs::path deep = scratch.Path();
    for (int i = 0; i < 6; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 360u);
    CopyExampleKeyboard(deep);
    const fs::path ink = deep / (std::string(100, 'p') + ".ink");
    WritePage(ink, std::string(u8"sheet shift 1mm 1mm\ncalibrate\n") + kPageScript);
    const std::string softKb = ReadBytes(deep / "softKB.skb");

    const ScopedCurrentDir here(scratch.Path());
    const ConvertRun run = RunConvert({"-k", deep.string(), "-d", deep.string(), ink.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const fs::path html = deep / (std::string(100, 'p') + ".html");
    EXPECT_NE(run.out.find("\t" + html.string() + "\n"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(deep / (std::string(100, 'p') + ".files") / (std::string(100, 'p') + ".1.JPG")));
    // The calibration at the top of the page was saved in the deep folder.
    EXPECT_NE(ReadBytes(deep / "softKB.skb"), softKb);
    EXPECT_EQ(ReadBytes(deep / "softKB.skb.bak"), softKb);

    // Past PATH_MAX the system refuses the names; each refusal is told.
    fs::path tooDeep = deep;
    while (tooDeep.string().size() <= PATH_MAX)
        tooDeep /= std::string(200, 'z');
    const fs::path missingInk = tooDeep / "page.ink";
    CQuadMapping mapping;
    mapping.SetTraceStream(nullptr);
    CKeyboardDef keyboard;
    {
        const ScopedCurrentDir kb(deep);
        keyboard.SetMapping(&mapping);
        ASSERT_TRUE(keyboard.Load());
    }
    MessageLog log;
    keyboard.SetMessageBox(&log);
    EXPECT_EQ(ConvertInkFile(missingInk.string(), keyboard.Clone(), &mapping, "page.html").outcome,
              InkFileConversion::Outcome::Unreadable);
    EXPECT_EQ(ConvertInkFile(ink.string(), keyboard.Clone(), &mapping, (tooDeep / "page.html").string()).outcome,
              InkFileConversion::Outcome::WriteFailed);
    EXPECT_EQ(log.Messages(),
              (std::vector<std::string>{kCannotOpen, "出力するHTMLファイルのOPENに失敗しました"}));
}

// 0x5C is a backslash on its own and the second byte of many Shift_JIS
// characters: 表 is 95 5C, ソ is 83 5C. Names holding them must stay whole.
TEST(ShiftJisNames, TrailBytesThatLookLikeABackslash)
{
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    const std::string folder = "\x83\x5C\x83\x74\x83\x67";  // ソフト
    const std::string name = "\x95\x5C\x8E\xA6";           // 表示
    fs::create_directory(scratch / folder);
    WritePage(scratch / folder / (name + ".ink"), kPageScript);

    const ScopedCurrentDir here(scratch.Path());
    const ConvertRun run = RunConvert({"-d", folder, folder + "/" + name + ".ink"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const fs::path html = scratch / folder / (name + ".html");
    const fs::path picture = scratch / folder / (name + ".files") / (name + ".1.JPG");
    EXPECT_TRUE(fs::exists(html));
    EXPECT_TRUE(fs::exists(picture));
    // The image source names the picture with the bytes escaped for a link.
    EXPECT_NE(ReadBytes(html).find("<img src=\"./%95%5C%8E%A6.files/%95%5C%8E%A6.1.JPG\">"), std::string::npos)
        << ReadBytes(html);
}

TEST(SpecialFiles, InputsThatAreNotRegularFilesAreRefusedAtOnce)
{
    ScratchDir scratch;
    const ScopedCurrentDir here(scratch.Path());
    CopyExampleKeyboard(scratch.Path());
    const std::string softKb = ReadBytes("softKB.skb");
    WritePage("p.ink", kPageScript);

    // Each is refused by name and reason before anything is read from it: a
    // FIFO would wait for a writer for ever, an endless device would be read
    // until memory runs out. An odd ink file fails only its own row.
    const struct {
        const char* kind;
        void (*make)(const char* path);
        const char* reason;
        bool asInk;
    } odd[] = {
        // A folder among the ink files stands for the ink files in it.
        {"a folder", [](const char* path) { fs::create_directory(path); }, "Is a directory", false},
        {"a FIFO", [](const char* path) { ASSERT_EQ(::mkfifo(path, 0600), 0); }, "not a regular file", true},
        {"an endless device", [](const char* path) { fs::create_symlink("/dev/zero", path); }, "not a regular file",
         true},
        {"a keyboard file of 5 MB",
         [](const char* path) { WriteBytes(path, ReadBytes("kept.skb") + std::string(5'000'000, '#')); },
         "larger than 4 MiB", false},
    };
    for (const auto& input : odd) {
        SCOPED_TRACE(input.kind);
        if (input.asInk) {
            input.make("odd.ink");
            const ConvertRun run = RunConvert({"-f", "odd.ink", "p.ink"});
            EXPECT_EQ(run.exitCode, 1) << run.err;
            EXPECT_EQ(StatusOf(run, scratch / "odd.ink"), Utf8("不正ファイル")) << run.out;
            EXPECT_EQ(StatusOf(run, scratch / "p.ink"), Utf8("変換済み")) << run.out;
            EXPECT_NE(run.err.find("odd.ink: " + Utf8(kCannotOpen) + " (" + input.reason + ")"), std::string::npos)
                << run.err;
            fs::remove("odd.ink");
        }
        fs::rename("softKB.skb", "kept.skb");
        input.make("softKB.skb");
        const ConvertRun run = RunConvert({"p.ink"});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(Utf8(kKeyboardOpenFailed) + " (softKB.skb: " + input.reason + ")"), std::string::npos)
            << run.err;
        fs::remove("softKB.skb");
        fs::rename("kept.skb", "softKB.skb");
    }
    EXPECT_EQ(ReadBytes("softKB.skb"), softKb);

    // In the program: a folder in the keyboard's place fails to load and is
    // never replaced by a save.
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());
    fs::rename("softKB.skb", "kept.skb");
    fs::create_directories("softKB.skb/inside");
    {
        MessageLog log;
        CKeyboardDef other;
        other.SetMessageBox(&log);
        keyboard.SetMessageBox(&log);
        EXPECT_FALSE(other.Load());
        EXPECT_FALSE(keyboard.Save());
        EXPECT_EQ(log.Messages(), (std::vector<std::string>{kKeyboardOpenFailed, kKeyboardWriteOpenFailed}));
        EXPECT_TRUE(fs::is_directory("softKB.skb/inside"));
        EXPECT_TRUE(TemporaryFilesIn(".").empty());
    }
    fs::remove("keydef.skb");
    ASSERT_EQ(::mkfifo("keydef.skb", 0600), 0);
    MessageLog log;
    CEditableKeyboardDef editable;
    editable.SetMessageBox(&log);
    EXPECT_FALSE(editable.LoadLockFlags());
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kLocksOpenFailed});
}

}  // namespace
}  // namespace faults
