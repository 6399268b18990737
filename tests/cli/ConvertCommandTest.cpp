// marovi-convert as a user runs it: in a fresh folder holding a copy of the
// example keyboard in kb/ and pages written by inkgen.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

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
const std::string kRunFinished = u8"Marovi: HTMLファイルを生成しました\n";
const std::string kCannotOpenInk = u8"Marovi: 内部エラー(DoParse)：ファイルオープンできません\n";

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
    EXPECT_EQ(help.out.rfind("usage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] INKFILE...\n", 0), 0u);
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
        {"-d", "no-such-folder", "a.ink"},
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

TEST_F(ConvertCommandTest, UnreadableKeyboardStopsBeforeAnyPage)
{
    MakePage("a.ink", u8"type あ\n");
    fs::create_directories(dir_ / "empty");
    const Outcome outcome = Convert({"-k", "empty", "a.ink"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, u8"Marovi: ソフトＫＢ定義ファイルがオープンできません\n");
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
    EXPECT_EQ(kept.err, kRunFinished);
    EXPECT_EQ(ReadText(dir_ / "a.html"), "kept");

    const Outcome forced = Convert({"-f", "-k", "kb", "a.ink", "b.ink"});
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(forced.out, Line("a.ink", kConverted, "a.html") + Line("b.ink", kConverted, "b.html"));
    EXPECT_EQ(ReadText(dir_ / "a.html").rfind("<html>", 0), 0u);
}

TEST_F(ConvertCommandTest, UnreadableAndUnwritablePages)
{
    MakePage("good.ink", u8"type あ\n");
    std::ofstream(dir_ / "bad.ink") << "not an ink file";

    const Outcome unreadable = Convert({"-k", "kb", "-d", "out", "good.ink", "bad.ink", "missing.ink"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.out, Line("bad.ink", u8"不正ファイル") + Line("good.ink", kConverted, "out/good.html") +
                                  Line("missing.ink", u8"不正ファイル"));
    EXPECT_EQ(unreadable.err, kCannotOpenInk + kCannotOpenInk + kRunFinished);

    const Outcome unwritable = Convert({"-k", "kb", "-o", "no-such-folder/good.html", "good.ink"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.out, Line("good.ink", u8"変換エラー"));
    EXPECT_EQ(unwritable.err, u8"Marovi: 出力するHTMLファイルのOPENに失敗しました\n" + kRunFinished);
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
