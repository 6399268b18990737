// A disk that fills up and a folder that cannot be written: every outcome is
// reported, and nothing that was there before is lost.

#include "FaultSupport.h"

#include "ink/QuadMapping.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageConversion.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace faults {
namespace {

const char kMemoScript[] = u8R"(
type かいぎのメモ
br
type あした 3F で。
color blue
rect 11500 1500 17500 6000
polyline 11500 3700 17500 3700 14500 1500 14500 6000
circle 16000 2600 450
color black
type ちず
color red
signature 1500 4600 4000 1200
)";

const char kCalibratedScript[] = u8R"(
sheet shift 1.5mm 1mm rotate 1.2
calibrate
type ずれた　シート
)";

const char kPageOpenFailed[] = "出力するHTMLファイルのOPENに失敗しました";
const char kPageWriteFailed[] = "HTMLファイルの出力中でエラーが発生しました";
const char kPictureFailed[] = "画像ファイルの出力中でエラーが発生しました";
const char kKeyboardWriteFailed[] = "ファイル書き込みに失敗しました。";
const char kKeyboardWriteOpenFailed[] = "ソフトＫＢ定義ファイルが書き込みオープンできません";

std::string Utf8(const char* sjis)
{
    return SjisToUtf8(sjis);
}

bool IsCompleteJpeg(const std::string& bytes)
{
    return bytes.size() > 4 && bytes.compare(0, 2, "\xFF\xD8") == 0 &&
           bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
}

// The pictures a page shows, resolved against the page's folder.
std::vector<fs::path> ShownPictures(const std::string& html, const fs::path& folder)
{
    std::vector<fs::path> pictures;
    const std::string open = "<img src=\"./";
    for (std::size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
        const std::size_t start = at + open.size();
        pictures.push_back(folder / html.substr(start, html.find('"', start) - start));
    }
    return pictures;
}

// A keyboard folder with the example keyboard, loaded as the main window
// loads it.
struct Keyboard {
    CQuadMapping mapping;
    CKeyboardDef definition;

    explicit Keyboard(const fs::path& dir)
    {
        const ScopedCurrentDir here(dir);
        mapping.SetTraceStream(nullptr);
        definition.SetMapping(&mapping);
        if (!definition.Load())
            throw std::runtime_error("the example keyboard does not load");
    }
};

struct Outcome {
    bool ok = false;
    std::vector<std::string> messages;
};

Outcome ConvertPage(Keyboard& keyboard, const fs::path& keyboardDir, const fs::path& ink, const fs::path& html)
{
    const ScopedCurrentDir here(keyboardDir);
    Outcome outcome;
    MessageLog log;
    std::unique_ptr<CKeyboardDef> definition = keyboard.definition.Clone();
    definition->SetMessageBox(&log);
    outcome.ok = ConvertInkFile(ink.string(), std::move(definition), &keyboard.mapping, html.string()).outcome ==
                 InkFileConversion::Outcome::Converted;
    outcome.messages = log.Messages();
    return outcome;
}

// What a folder holds, file by file: relative path and bytes.
std::map<std::string, std::string> Contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "filler")
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
    }
    return files;
}

TEST(FullDisk, PageAndPicturesAreWrittenWholeOrNotAtAll)
{
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    WritePage(scratch / "memo.ink", kMemoScript);
    const std::string ink = ReadBytes(scratch / "memo.ink");
    const std::string softKb = ReadBytes(scratch / "softKB.skb");
    Keyboard keyboard(scratch.Path());

    fs::create_directory(scratch / "out");
    std::string whyNot;
    std::optional<TestMount> disk = TestMount::Tmpfs(scratch / "out", "size=256k", whyNot);
    if (!disk)
        GTEST_SKIP() << "no small file system to fill: " << whyNot;

    // The free space runs from nothing to enough, so the disk fills at every
    // stage: a picture, the page, the renames. Without an old page and over
    // one, as -f does: a failure leaves the folder as it was.
    for (const bool oldPage : {false, true}) {
        std::set<std::string> seen;
        bool completed = false;
        for (std::size_t leave = 0; leave <= 96 * 1024 && !completed; leave += 4096) {
            SCOPED_TRACE(std::string(oldPage ? "over an old page" : "a new page") + ", free bytes " +
                         std::to_string(leave));
            for (const auto& entry : fs::directory_iterator(scratch / "out"))
                fs::remove_all(entry.path());
            if (oldPage) {
                WriteBytes(scratch / "out/memo.html", "<html>old</html>");
                fs::create_directory(scratch / "out/memo.files");
                WriteBytes(scratch / "out/memo.files/IMG001.JPG", "old picture");
            }
            const std::map<std::string, std::string> before = Contents(scratch / "out");
            disk->FillLeaving(leave);
            const Outcome result =
                ConvertPage(keyboard, scratch.Path(), scratch / "memo.ink", scratch / "out/memo.html");
            if (result.ok) {
                EXPECT_TRUE(result.messages.empty());
                const std::string html = ReadBytes(scratch / "out/memo.html");
                for (const fs::path& picture : ShownPictures(html, scratch / "out"))
                    EXPECT_TRUE(IsCompleteJpeg(ReadBytes(picture))) << picture;
                completed = true;
            } else {
                // One message, and the folder as it was: no page, no picture,
                // no temporary file.
                ASSERT_EQ(result.messages.size(), 1u);
                seen.insert(result.messages.front());
                EXPECT_EQ(Contents(scratch / "out"), before);
                EXPECT_EQ(fs::exists(scratch / "out/memo.files"), oldPage);
            }
            EXPECT_EQ(ReadBytes(scratch / "memo.ink"), ink);
            EXPECT_EQ(ReadBytes(scratch / "softKB.skb"), softKb);
        }
        EXPECT_TRUE(completed) << "96 KiB should hold the page";
        EXPECT_TRUE(seen.count(kPictureFailed)) << "the disk never filled while a picture was written";
        EXPECT_TRUE(seen.count(kPageWriteFailed)) << "the disk never filled while the page was written";
    }
}

TEST(FullDisk, RecalibrationKeepsTheKeyboardFileWhole)
{
    ScratchDir scratch;
    WritePage(scratch / "calibrated.ink", kCalibratedScript);
    fs::create_directory(scratch / "kb");
    std::string whyNot;
    std::optional<TestMount> disk = TestMount::Tmpfs(scratch / "kb", "size=64k", whyNot);
    if (!disk)
        GTEST_SKIP() << "no small file system to fill: " << whyNot;
    CopyExampleKeyboard(scratch / "kb");
    const std::string softKb = ReadBytes(scratch / "kb/softKB.skb");
    Keyboard keyboard(scratch / "kb");

    // Nothing free, and less than the file needs: the write fails at its
    // start or in its middle. The page is converted with the new calibration;
    // the keyboard file stays as it was, with nothing beside it.
    for (std::size_t leave : {std::size_t{0}, std::size_t{4096}}) {
        SCOPED_TRACE("free bytes " + std::to_string(leave));
        disk->FillLeaving(leave);
        const Outcome result =
            ConvertPage(keyboard, scratch / "kb", scratch / "calibrated.ink", scratch / "calibrated.html");
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.messages, std::vector<std::string>{kKeyboardWriteFailed});
        EXPECT_EQ(ReadBytes(scratch / "kb/softKB.skb"), softKb);
        EXPECT_TRUE(TemporaryFilesIn(scratch / "kb").empty());
    }

    // Through the converter: the page is converted, the failed save is told
    // with the file's name, and the run ends with 1.
    const ScopedCurrentDir here(scratch.Path());
    const ConvertRun run = RunConvert({"-k", "kb", "-f", "calibrated.ink"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(StatusOf(run, scratch / "calibrated.ink"), Utf8("変換済み")) << run.out;
    EXPECT_NE(run.err.find(Utf8(kKeyboardWriteFailed)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("kb/softKB.skb"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(scratch / "kb/softKB.skb"), softKb);
}

TEST(ReadOnlyFolder, KeyboardAndOutputFoldersThatCannotBeWritten)
{
    ScratchDir scratch;
    WritePage(scratch / "calibrated.ink", kCalibratedScript);
    fs::create_directory(scratch / "kb");
    fs::create_directory(scratch / "out");
    std::string whyNot;
    std::optional<TestMount> kb = TestMount::Tmpfs(scratch / "kb", "size=1m", whyNot);
    std::optional<TestMount> out;
    if (kb) {
        CopyExampleKeyboard(scratch / "kb");
        out = TestMount::Tmpfs(scratch / "out", "size=1m", whyNot);
    }
    if (!kb || !out || !kb->MakeReadOnly(whyNot) || !out->MakeReadOnly(whyNot))
        GTEST_SKIP() << "no read-only file system: " << whyNot;
    const std::string softKb = ReadBytes(scratch / "kb/softKB.skb");
    const ScopedCurrentDir here(scratch.Path());

    // The keyboard loads from a read-only folder; the page is converted with
    // the new calibration, the save that cannot be made is told and makes
    // the run end with 1, without the closing message.
    ConvertRun run = RunConvert({"-k", "kb", "-d", ".", "calibrated.ink"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(StatusOf(run, scratch / "calibrated.ink"), Utf8("変換済み")) << run.out;
    EXPECT_NE(run.err.find(Utf8(kKeyboardWriteOpenFailed)), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find(Utf8("HTMLファイルを生成しました")), std::string::npos) << run.out;
    EXPECT_EQ(ReadBytes(scratch / "kb/softKB.skb"), softKb);
    EXPECT_TRUE(fs::exists("calibrated.html"));

    // An output folder that cannot be written: the page fails with its
    // message and the run goes on to its end.
    fs::copy_file(scratch / "kb/softKB.skb", scratch / "softKB.skb");
    run = RunConvert({"-d", "out", "calibrated.ink"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(StatusOf(run, scratch / "calibrated.ink"), Utf8("変換エラー")) << run.out;
    EXPECT_NE(run.err.find(Utf8(kPageOpenFailed)), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(scratch / "out"));
}

}  // namespace
}  // namespace faults
