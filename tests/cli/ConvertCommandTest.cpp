// marovi-convert as a user runs it: in a fresh folder holding a copy of the
// example keyboard in kb/ and pages written by inkgen.

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

// Texts the program prints, as UTF-8.
const std::string kConverted = u8"変換済み";
const std::string kCancelled = u8"キャンセル";
const std::string kWriteFailed = u8"変換エラー";
const std::string kUnreadable = u8"不正ファイル";
const std::string kRunFinished = u8"Marovi: HTMLファイルを生成しました\n";
const std::string kNoKeyboard = u8"Marovi: ソフトＫＢ定義ファイルがオープンできません\n";
const std::string kCannotOpenInk = u8"Marovi: 内部エラー(DoParse)：ファイルオープンできません\n";

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadText(const fs::path& path)
{
    // An empty or missing file reads as an empty text.
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in && in.peek() != std::ifstream::traits_type::eof())
        text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

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

    std::string At(const std::string& name) const { return (dir_ / name).string(); }

    // Runs marovi-convert in the test's folder.
    Outcome Convert(const std::vector<std::string>& args) const
    {
        std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(MAROVI_CONVERT);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        command += " >stdout.txt 2>stderr.txt";
        const int status = std::system(command.c_str());
        Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_ / "stdout.txt"),
                        ReadText(dir_ / "stderr.txt")};
        fs::remove(dir_ / "stdout.txt");
        fs::remove(dir_ / "stderr.txt");
        return outcome;
    }

    // Writes the ink file `name` from a page script (UTF-8) read against kb/.
    void MakePage(const std::string& name, const std::string& script) const
    {
        WriteText(dir_ / (name + ".txt"), script);
        const std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(MAROVI_INKGEN) +
                                    " --keyboard kb/softKB.skb " + Quote(name + ".txt") + " " + Quote(name);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    void MakeExamplePage(const std::string& example) const
    {
        const std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(MAROVI_INKGEN) +
                                    " --keyboard kb/softKB.skb " +
                                    Quote(std::string(MAROVI_EXAMPLES_DIR) + "/" + example + ".ink.txt") + " " +
                                    Quote(example + ".ink");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::string Line(const std::string& ink, const std::string& status, const std::string& html) const
    {
        return At(ink) + "\t" + status + "\t" + (html.empty() ? "" : At(html)) + "\n";
    }

    fs::path dir_;
};

TEST_F(ConvertCommandTest, HelpAndVersion)
{
    const Outcome help = Convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] INKFILE...\n", 0), 0u);
    for (const std::string& word : {std::string("--keyboard-dir"), std::string("--output-dir"), std::string("--force"),
                                    kConverted, kCancelled, kWriteFailed, kUnreadable})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(Convert({"-h"}).out, help.out);

    const Outcome version = Convert({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("marovi-convert ") + MAROVI_VERSION + "\n");
}

TEST_F(ConvertCommandTest, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"-x", "a.ink"},
        {"--what", "a.ink"},
        {"-o", "a.html", "a.ink", "b.ink"},
        {"-o", "a.html", "-d", "out", "a.ink"},
        {"-k"},
        {"a.ink", "--output-dir"},
        {"--force=yes", "a.ink"},
        {"-d", "no-such-folder", "a.ink"},
        {"-k", "no-such-folder", "a.ink"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const std::string& arg : args)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const Outcome outcome = Convert(args);
        EXPECT_EQ(outcome.exitCode, 2);
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
    EXPECT_EQ(outcome.err, kNoKeyboard);
}

TEST_F(ConvertCommandTest, ConvertsEveryPageInPathOrder)
{
    MakePage("b.ink", u8"type べつの　ぺーじ\n");
    MakeExamplePage("memo");
    MakePage("a.b.c", u8"type あ\n");

    const Outcome outcome = Convert({"-k", "kb", "-d", "out", "memo.ink", "b.ink", "./a.b.c"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, Line("a.b.c", kConverted, "out/a.b.html") + Line("b.ink", kConverted, "out/b.html") +
                               Line("memo.ink", kConverted, "out/memo.html"));
    EXPECT_EQ(outcome.err, kRunFinished);

    // The pages are Shift_JIS HTML; the memo's sketch is a picture beside it.
    const std::string page = ReadText(dir_ / "out" / "b.html");
    EXPECT_EQ(page.rfind("<html>", 0), 0u);
    EXPECT_NE(page.find("\x82\xD7"), std::string::npos) << "べ in Shift_JIS";
    EXPECT_TRUE(fs::exists(dir_ / "out" / "memo.files" / "memo.1.JPG"));
    EXPECT_NE(ReadText(dir_ / "out" / "memo.html").find("<img src=\"./memo.files/memo.1.JPG\">"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "kb" / "softKB.skb.bak")) << "no calibration, no rewrite";
}

TEST_F(ConvertCommandTest, ExistingPagesAreKeptUnlessForced)
{
    MakePage("a.ink", u8"type あ\n");
    MakePage("b.ink", u8"type い\n");
    WriteText(dir_ / "a.html", "kept");

    const Outcome kept = Convert({"-k", "kb", "a.ink", "b.ink"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.out, Line("a.ink", kCancelled, "") + Line("b.ink", kConverted, "b.html"));
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
    WriteText(dir_ / "bad.ink", "not an ink file");

    const Outcome unreadable = Convert({"-k", "kb", "-d", "out", "good.ink", "bad.ink", "missing.ink"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.out, Line("bad.ink", kUnreadable, "") + Line("good.ink", kConverted, "out/good.html") +
                                  Line("missing.ink", kUnreadable, ""));
    EXPECT_EQ(unreadable.err, kCannotOpenInk + kCannotOpenInk + kRunFinished);

    const Outcome unwritable = Convert({"-k", "kb", "-o", "no-such-folder/good.html", "good.ink"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.out, Line("good.ink", kWriteFailed, ""));
    EXPECT_EQ(unwritable.err, u8"Marovi: 出力するHTMLファイルのOPENに失敗しました\n" + kRunFinished);
}

TEST_F(ConvertCommandTest, OutputFileAndVerboseSelfTest)
{
    MakePage("a.ink", u8"type あ\n");
    const Outcome outcome = Convert({"-v", "--keyboard-dir=kb", "--output", "out/page.html", "a.ink"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, Line("a.ink", kConverted, "out/page.html"));
    EXPECT_TRUE(fs::exists(dir_ / "out" / "page.html"));

    // Ten self-test lines of the mapping, then the program's message.
    std::vector<std::string> lines;
    std::string line;
    for (char c : outcome.err) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    ASSERT_EQ(lines.size(), 11u) << outcome.err;
    EXPECT_EQ(lines[0].rfind("Ps = (50, 50), s = ", 0), 0u);
    EXPECT_EQ(lines[9].rfind("Ps = (0, -100), s = ", 0), 0u);
    EXPECT_EQ(lines[10] + "\n", kRunFinished);
}

TEST_F(ConvertCommandTest, CalibrationRewritesTheKeyboardFolder)
{
    MakeExamplePage("calibrated");
    const std::string before = ReadText(dir_ / "kb" / "softKB.skb");
    // Relative paths are taken from where the command runs, not from kb/.
    const Outcome outcome = Convert({"-k", "kb", "calibrated.ink"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, Line("calibrated.ink", kConverted, "calibrated.html"));
    EXPECT_EQ(ReadText(dir_ / "kb" / "softKB.skb.bak"), before);
    EXPECT_NE(ReadText(dir_ / "kb" / "softKB.skb"), before);
    EXPECT_FALSE(fs::exists(dir_ / "kb" / "calibrated.html"));
}

}  // namespace
