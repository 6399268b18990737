// marovi-convert as a user runs it: in a fresh folder holding a copy of the
// example keyboard in kb/ and pages written by inkgen.

#include "ProgramRun.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
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
    EXPECT_EQ(help.out.rfind("usage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] [--utf8] [--explain] INKFILE...\n", 0),
              0u);
    EXPECT_NE(help.out.find(u8"変換エラー (writing failed)"), std::string::npos) << "statuses shown as UTF-8";
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
    } keyboards[] = {
        {"empty", ""},
        {"garbage", "\x89\x50\x4E\x47 not a keyboard at all\r\n\xFF\xFE"},
        {"only settings lines", settings + marks + marks},
        {"keys unreadable", settings + marks + marks + "key,\"a\",\"b\"\r\n\"10\",\"20\",\"30\",\"40\",\"a\"\r\n"},
    };
    for (const auto& keyboard : keyboards) {
        SCOPED_TRACE(keyboard.name);
        std::ofstream(dir_ / "kb" / "softKB.skb", std::ios::binary | std::ios::trunc) << keyboard.content;
        const Outcome outcome = Convert({"-k", "kb", "-d", "out", "a.ink"});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, kKeyboardUnreadable + " (no key could be read from kb/softKB.skb)\n");
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
    EXPECT_EQ(unreadable.err, "marovi-convert: bad.ink: " + kCannotOpenInk + "\n" + "marovi-convert: missing.ink: " +
                                  kCannotOpenInk + " (No such file or directory)\n" + kRunFinished);

    // A run that writes nothing does not say it did.
    fs::create_directories(dir_ / "folder.html");
    const Outcome unwritable = Convert({"-f", "-k", "kb", "-o", "folder.html", "good.ink"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.out, Line("good.ink", u8"変換エラー"));
    EXPECT_EQ(unwritable.err, u8"marovi-convert: good.ink: 出力するHTMLファイルのOPENに失敗しました (Is a directory)\n");

    const Outcome noFolder = Convert({"-k", "kb", "-o", "no-such-folder/good.html", "good.ink"});
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_EQ(noFolder.out, "");
    EXPECT_EQ(noFolder.err, "marovi-convert: no-such-folder: no such folder for no-such-folder/good.html\n");
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
