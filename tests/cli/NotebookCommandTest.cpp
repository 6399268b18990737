// marovi-convert over a folder of ink files as a notebook: natural order,
// subfolders, --update against a full run, and --watch.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kConverted = u8"変換済み";
const std::string kUpToDate = u8"最新";

// A calibration page on a sheet that slipped, and a page on the same slipped
// sheet that relies on it: its sketch is placed by the carried calibration.
const std::string kSlip = "sheet shift 1.5mm 1mm rotate 1.2\n";
const std::string kCalibrationPage = kSlip + u8"calibrate\ntype かくにん\n";
const std::string kSketchPage = kSlip + u8"type えを　かいた\nbr\ncolor blue\nrect 11500 1500 17500 6000\n"
                                        "circle 16000 2600 450\n";

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Every file below a folder: its bytes and its time.
using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

class NotebookCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marovi-notebook-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        // kb is converted with; pristine stays as it was, for full runs.
        for (const char* folder : {"kb", "pristine", "notes"}) {
            fs::create_directories(dir_ / folder);
            if (std::string(folder) != "notes") {
                for (const char* file : {"softKB.skb", "keydef.skb"})
                    fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / file, dir_ / folder / file);
            }
        }
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    int Shell(const std::string& command) const
    {
        const int status = std::system(("cd " + Quote(dir_.string()) + " && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    RunResult Convert(const std::vector<std::string>& args) const
    {
        std::string command = Quote(MAROVI_CONVERT);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const int exitCode = Shell(command + " >stdout.txt 2>stderr.txt");
        return {exitCode, ReadText(dir_ / "stdout.txt"), ReadText(dir_ / "stderr.txt")};
    }

    // The ink file at `ink` (below the test folder) from a page script.
    void MakeInk(const std::string& ink, const std::string& script) const
    {
        const fs::path scriptPath = dir_ / "script.txt";
        std::ofstream(scriptPath, std::ios::binary | std::ios::trunc) << script;
        fs::create_directories((dir_ / ink).parent_path());
        ASSERT_EQ(Shell(Quote(MAROVI_INKGEN) + " --keyboard pristine/softKB.skb script.txt " + Quote(ink)), 0);
    }

    std::string Row(const std::string& ink, const std::string& status, const std::string& html) const
    {
        return (dir_ / ink).string() + "\t" + status + "\t" + (dir_ / html).string() + "\n";
    }

    Snapshot Take(const fs::path& folder) const
    {
        Snapshot files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), folder).string()] = {ReadText(entry.path()),
                                                                      fs::last_write_time(entry.path())};
        }
        return files;
    }

    fs::path dir_;
};

TEST_F(NotebookCommandTest, FoldersAreListedInNaturalOrderAndKeepTheirSubfolders)
{
    for (const char* ink : {"notes/p10.ink", "notes/p2.INK", "notes/p1.ink", "notes/sub/p3.ink",
                            "notes/sub/deeper/p0.ink"})
        MakeInk(ink, u8"type あ\n");
    std::ofstream(dir_ / "notes" / "readme.txt") << "not ink";

    const RunResult flat = Convert({"-k", "kb", "-d", "out", "notes"});
    EXPECT_EQ(flat.exitCode, 0) << flat.err;
    EXPECT_EQ(flat.out, Row("notes/p1.ink", kConverted, "out/p1.html") +
                            Row("notes/p2.INK", kConverted, "out/p2.html") +
                            Row("notes/p10.ink", kConverted, "out/p10.html"));

    const RunResult deep = Convert({"-r", "-f", "-k", "kb", "-d", "out", "notes/"});
    EXPECT_EQ(deep.exitCode, 0) << deep.err;
    EXPECT_EQ(deep.out, Row("notes/p1.ink", kConverted, "out/p1.html") +
                            Row("notes/p2.INK", kConverted, "out/p2.html") +
                            Row("notes/p10.ink", kConverted, "out/p10.html") +
                            Row("notes/sub/deeper/p0.ink", kConverted, "out/sub/deeper/p0.html") +
                            Row("notes/sub/p3.ink", kConverted, "out/sub/p3.html"));
    EXPECT_TRUE(fs::exists(dir_ / "out" / "sub" / "deeper" / "p0.html"));

    // Files given one by one take the same order.
    const RunResult files = Convert({"-f", "-k", "kb", "-d", "out", "notes/p10.ink", "notes/p2.INK"});
    EXPECT_EQ(files.out, Row("notes/p2.INK", kConverted, "out/p2.html") +
                             Row("notes/p10.ink", kConverted, "out/p10.html"));
}

TEST_F(NotebookCommandTest, UpdateRewritesOnlyWhatChangedAndAsAFullRunWould)
{
    MakeInk("notes/a1.ink", kCalibrationPage);
    MakeInk("notes/b2.ink", kSketchPage);
    MakeInk("notes/c10.ink", u8"type さいご\n");
    const std::vector<std::string> update = {"--update", "--index", "-k", "kb", "-d", "out", "notes"};

    const RunResult first = Convert(update);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.err.find("out/.marovi-notebook is missing; every page is converted"), std::string::npos);
    EXPECT_EQ(first.out, Row("notes/a1.ink", kConverted, "out/a1.html") +
                             Row("notes/b2.ink", kConverted, "out/b2.html") +
                             Row("notes/c10.ink", kConverted, "out/c10.html"));
    const std::string allUpToDate = Row("notes/a1.ink", kUpToDate, "out/a1.html") +
                                    Row("notes/b2.ink", kUpToDate, "out/b2.html") +
                                    Row("notes/c10.ink", kUpToDate, "out/c10.html");

    // Nothing changed: nothing is written, not even the index or the state.
    const Snapshot before = Take(dir_ / "out");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const RunResult unchanged = Convert(update);
    EXPECT_EQ(unchanged.exitCode, 0);
    EXPECT_EQ(unchanged.out, allUpToDate);
    EXPECT_EQ(unchanged.err, "");
    EXPECT_EQ(Take(dir_ / "out"), before);

    // A syncing tool sets the time anew: the content decides.
    fs::last_write_time(dir_ / "notes" / "b2.ink", fs::file_time_type::clock::now());
    EXPECT_EQ(Convert(update).out, allUpToDate);

    // Files asked for beside the pages that earlier runs did not write make
    // those pages out of date, once.
    std::vector<std::string> withSvg = update;
    withSvg.insert(withSvg.begin(), "--svg");
    const RunResult backFilled = Convert(withSvg);
    EXPECT_EQ(backFilled.out, Row("notes/a1.ink", kUpToDate, "out/a1.html") +
                                  Row("notes/b2.ink", kConverted, "out/b2.html") +
                                  Row("notes/c10.ink", kUpToDate, "out/c10.html"))
        << "only b2 has a picture";
    EXPECT_TRUE(fs::exists(dir_ / "out" / "b2.files" / "b2.1.svg"));
    EXPECT_EQ(Convert(withSvg).out, allUpToDate);
    std::vector<std::string> withText = update;
    withText.insert(withText.begin(), "--text");
    EXPECT_EQ(Convert(withText).out, Row("notes/a1.ink", kConverted, "out/a1.html") +
                                         Row("notes/b2.ink", kConverted, "out/b2.html") +
                                         Row("notes/c10.ink", kConverted, "out/c10.html"));
    EXPECT_EQ(Convert(withText).out, allUpToDate);
    EXPECT_EQ(Convert(update).out, allUpToDate);

    // A changed page after the calibration page: only its files, the index
    // and the state change, and the page is what a full run from the same
    // keyboard gives it, carried calibration included.
    MakeInk("notes/b2.ink", kSketchPage + u8"type かきなおし\n");
    const Snapshot beforeChange = Take(dir_ / "out");
    const RunResult changed = Convert(update);
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(changed.out, Row("notes/a1.ink", kUpToDate, "out/a1.html") +
                               Row("notes/b2.ink", kConverted, "out/b2.html") +
                               Row("notes/c10.ink", kUpToDate, "out/c10.html"));
    const Snapshot afterChange = Take(dir_ / "out");
    std::set<std::string> differ;
    for (const auto& [name, file] : afterChange) {
        const auto old = beforeChange.find(name);
        if (old == beforeChange.end() || old->second != file)
            differ.insert(name);
    }
    EXPECT_EQ(differ, (std::set<std::string>{".marovi-notebook", "b2.files/b2.1.JPG", "b2.html", "index.html",
                                             "thumbnails/b2.jpg"}));
    ASSERT_EQ(Convert({"-k", "pristine", "-d", "full", "notes"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out" / "b2.html"), ReadText(dir_ / "full" / "b2.html"));
    EXPECT_EQ(ReadText(dir_ / "out" / "b2.files" / "b2.1.JPG"), ReadText(dir_ / "full" / "b2.files" / "b2.1.JPG"));
    EXPECT_NE(ReadText(dir_ / "out" / "index.html").find(u8"かきなおし"), std::string::npos);

    // A new ink file is converted and listed; one that went leaves its page
    // listed and marked.
    MakeInk("notes/b3.ink", u8"type あたらしい\n");
    fs::remove(dir_ / "notes" / "c10.ink");
    std::vector<std::string> withModernPages = update;
    withModernPages.insert(withModernPages.begin(), "--html5");
    const RunResult moved = Convert(withModernPages);
    EXPECT_EQ(moved.exitCode, 0) << moved.err;
    // Asked for now, the modern pages make every page out of date.
    EXPECT_EQ(moved.out, Row("notes/a1.ink", kConverted, "out/a1.html") +
                             Row("notes/b2.ink", kConverted, "out/b2.html") +
                             Row("notes/b3.ink", kConverted, "out/b3.html"));
    const std::string index = ReadText(dir_ / "out" / "index.html");
    EXPECT_EQ(index.rfind("<!DOCTYPE html>\n<html lang=\"ja\">", 0), 0u);
    const std::size_t gone = index.find(u8"インクファイルなし");
    EXPECT_NE(gone, std::string::npos);
    EXPECT_GT(gone, index.find("href=\"c10.html\""));
    // The page written with its modern one is linked to it, the classic one
    // beside.
    EXPECT_LT(index.find("href=\"b2.html\""), index.find("href=\"b3.html5.html\""));
    EXPECT_LT(index.find("href=\"b3.html5.html\""), index.find("href=\"b3.html\""));

    // A damaged state means converting everything, with a note.
    for (const std::string& damage : {std::string("garbage"), ReadText(dir_ / "out" / ".marovi-notebook").substr(0, 200)}) {
        std::ofstream(dir_ / "out" / ".marovi-notebook", std::ios::binary | std::ios::trunc) << damage;
        const RunResult damaged = Convert(update);
        EXPECT_EQ(damaged.exitCode, 0) << damaged.err;
        EXPECT_NE(damaged.err.find("out/.marovi-notebook cannot be read; every page is converted"), std::string::npos);
        EXPECT_EQ(damaged.out, Row("notes/a1.ink", kConverted, "out/a1.html") +
                                   Row("notes/b2.ink", kConverted, "out/b2.html") +
                                   Row("notes/b3.ink", kConverted, "out/b3.html"));
        EXPECT_EQ(ReadText(dir_ / "out" / "b2.html"), ReadText(dir_ / "full" / "b2.html"));
    }
}

// A page of a random notebook: text in the three modes (a mode key may end
// the page, for the next one to start from), back spaces, line breaks,
// sketches and their reuse, and now and then a calibration on a slipped sheet.
std::string RandomPage(std::mt19937& random, int number)
{
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string script = "seed " + std::to_string(number) + "\n";
    if (pick(5) == 0)
        script += (pick(2) == 0 ? kSlip : std::string("sheet straight\n")) + "calibrate\n";
    const char* texts[] = {u8"きょうは", u8"カタカナ", u8"abc 12", u8"メモ", u8"かいぎ。", u8"Room B"};
    for (int k = 0, count = 1 + pick(5); k < count; ++k) {
        script += std::string("type ") + texts[pick(6)] + "\n";
        if (pick(3) == 0)
            script += "bs " + std::to_string(1 + pick(2)) + "\n";
        if (pick(2) == 0)
            script += "br\n";
        if (pick(4) == 0) {
            const int left = 11000 + pick(3000);
            script += "color " + std::string(pick(2) == 0 ? "blue" : "red") + "\nrect " + std::to_string(left) +
                      " 1500 " + std::to_string(left + 3000) + " 4500\ncolor black\n";
            if (pick(2) == 0)
                script += "reuse\ncircle " + std::to_string(left + 1500) + " 3000 300\n";
        }
    }
    const char* modeKeys[] = {"", "kana\n", "han\n", "hira\n"};
    return script + modeKeys[pick(4)];
}

// The notebook's PDF holds every page, up to date or converted, as a full
// run makes it, and is left as it is when nothing changed.
TEST_F(NotebookCommandTest, PdfHoldsEveryPageOfTheNotebookAndIsRewrittenOnlyWhenItChanges)
{
#if MAROVI_CAN_DRAW
    MakeInk("notes/a1.ink", kCalibrationPage);
    MakeInk("notes/b2.ink", kSketchPage);
    MakeInk("notes/c10.ink", u8"type さいご\n");
    const std::vector<std::string> update = {"--update", "--index", "--pdf", "book.pdf", "-k", "kb", "-d", "out",
                                             "notes"};
    const auto text = [this](const std::string& pdf) {
        const int status = Shell("pdftotext -raw " + pdf + " extracted.txt");
        return status == 0 ? ReadText(dir_ / "extracted.txt") : "pdftotext failed";
    };
    ASSERT_EQ(Convert(update).exitCode, 0);
    EXPECT_EQ(text("book.pdf"), u8"かくにん\n\fえを かいた\n\fさいご\n\f");
    const auto written = fs::last_write_time(dir_ / "book.pdf");
    const std::string bytes = ReadText(dir_ / "book.pdf");

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const RunResult unchanged = Convert(update);
    EXPECT_EQ(unchanged.exitCode, 0) << unchanged.err;
    EXPECT_EQ(unchanged.err, "");
    EXPECT_EQ(fs::last_write_time(dir_ / "book.pdf"), written) << "nothing changed, nothing written";

    MakeInk("notes/c10.ink", u8"type かわった\n");
    const RunResult changed = Convert(update);
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(text("book.pdf"), u8"かくにん\n\fえを かいた\n\fかわった\n\f");
    // The pages left up to date are drawn as a full run draws them, the
    // carried calibration included.
    fs::create_directories(dir_ / "full");
    ASSERT_EQ(Convert({"--pdf", "full/book.pdf", "-k", "pristine", "-d", "full", "notes"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "full" / "book.pdf"), ReadText(dir_ / "book.pdf"));
    EXPECT_NE(ReadText(dir_ / "book.pdf"), bytes);

    // A notebook without pages is still a document to open.
    fs::create_directories(dir_ / "blank");
    ASSERT_EQ(Convert({"--update", "--pdf", "blank.pdf", "-k", "kb", "-d", "out-blank", "blank"}).exitCode, 0);
    EXPECT_EQ(Shell("qpdf --check blank.pdf >/dev/null"), 0);
    EXPECT_EQ(text("blank.pdf"), "\f");
#else
    GTEST_SKIP() << "this build cannot write a PDF";
#endif
}

#if MAROVI_CAN_RECOGNIZE
TEST_F(NotebookCommandTest, UpdateReadsEveryPageForHandwritingOnceAndTheStateKeepsItForTheIndex)
{
    MakeInk("notes/a1.ink", u8"type めも\nbr\n" + ReadText(fs::path(MAROVI_HANDWRITING_FIXTURES) / "kaigi.ink.txt"));
    MakeInk("notes/a2.ink", u8"type ふつうの　ぺーじ\n");
    // A notebook made without reading the handwriting is brought up to date
    // by a run that reads it: every page is read once.
    ASSERT_EQ(Convert({"-k", "kb", "-d", "out", "--index", "notes"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out" / "index.html").find("data-handwriting=\""), std::string::npos);
    const RunResult reading = Convert({"-k", "kb", "-d", "out", "--update", "--index", "--recognize", "notes"});
    ASSERT_EQ(reading.exitCode, 0);
    EXPECT_EQ(reading.out, Row("notes/a1.ink", kConverted, "out/a1.html") + Row("notes/a2.ink", kConverted, "out/a2.html"));
    const std::string state = ReadText(dir_ / "out" / ".marovi-notebook");
    const std::string index = ReadText(dir_ / "out" / "index.html");
    EXPECT_NE(index.find(u8"data-handwriting=\"会"), std::string::npos);
    EXPECT_NE(index.find(u8"めも\n会議\n</p>"), std::string::npos) << "the text read follows the page's";

    // Nothing changed: the index is made again from the state alone, the
    // same. A page line of an older state, without the field, still reads.
    ASSERT_EQ(Convert({"-k", "kb", "-d", "out", "--update", "--index", "--recognize", "notes"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out" / "index.html"), index);
    std::vector<std::string> lines;
    std::istringstream in(state);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), '\t'), 10) << "a1 has the handwriting field";
    EXPECT_EQ(lines[3].substr(lines[3].size() - 2), "\t-") << "a2 was read and has no handwriting";
    lines[2] = lines[2].substr(0, lines[2].rfind('\t'));
    std::string older;
    for (const std::string& line : lines)
        older += line + "\n";
    std::ofstream(dir_ / "out" / ".marovi-notebook", std::ios::binary | std::ios::trunc) << older;
    const RunResult update = Convert({"-k", "kb", "-d", "out", "--update", "--index", "notes"});
    ASSERT_EQ(update.exitCode, 0);
    EXPECT_EQ(update.err, "") << "read, and nothing to do";
    EXPECT_EQ(ReadText(dir_ / "out" / ".marovi-notebook"), older);
}
#endif

TEST_F(NotebookCommandTest, AnyNumberOfJobsGivesTheOneCoreRunFileForFileAndRowForRow)
{
    std::mt19937 random(20261211);
    for (int page = 1; page <= 40; ++page)
        MakeInk("notes/p" + std::to_string(page) + ".ink", RandomPage(random, page));
    std::ofstream(dir_ / "notes" / "p7.ink", std::ios::binary | std::ios::trunc) << "not an ink file";

    // Each side has its own keyboard folder, which calibration pages rewrite.
    for (const char* side : {"kb-one", "kb-six"})
        fs::copy(dir_ / "pristine", dir_ / side);
    const auto run = [this](const std::string& side, std::vector<std::string> args) {
        args.insert(args.begin(), {"-j", side == "one" ? "1" : "6", "-k", "kb-" + side, "-d", "out-" + side});
        args.push_back("notes");
        RunResult result = Convert(args);
        // The rows and messages name the side's folders.
        for (std::string* text : {&result.out, &result.err}) {
            for (std::size_t at; (at = text->find("-" + side)) != std::string::npos;)
                text->replace(at, side.size() + 1, "-SIDE");
        }
        return result;
    };
    const auto bytes = [this](const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& [name, file] : Take(dir_ / folder))
            files[name] = file.first;
        return files;
    };
    const auto same = [&](const std::string& what, const std::vector<std::string>& args) {
        SCOPED_TRACE(what);
        const RunResult one = run("one", args);
        const RunResult six = run("six", args);
        EXPECT_EQ(one.exitCode, 1) << "p7.ink is no ink file\n" << one.err;
        EXPECT_EQ(six.exitCode, one.exitCode);
        EXPECT_EQ(six.out, one.out);
        EXPECT_EQ(six.err, one.err);
        EXPECT_EQ(bytes("out-six"), bytes("out-one"));
        EXPECT_EQ(bytes("kb-six"), bytes("kb-one"));
        return one;
    };

    const RunResult full = same("a full run", {"--index", "--html5"});
    EXPECT_NE(full.out.find(u8"不正ファイル"), std::string::npos);
    // Two pages changed, the first into a calibration page: what follows it
    // is read with the new calibration.
    MakeInk("notes/p3.ink", kCalibrationPage);
    MakeInk("notes/p20.ink", u8"type かきなおし\nkana\n");
    const RunResult changed = same("an update after two pages changed", {"--update", "--index"});
    EXPECT_NE(changed.out.find(kUpToDate), std::string::npos);
    EXPECT_NE(changed.out.find(kConverted), std::string::npos);
    same("an update with nothing changed", {"--update", "--index"});
    for (const char* side : {"out-one", "out-six"})
        std::ofstream(dir_ / side / ".marovi-notebook", std::ios::binary | std::ios::trunc) << "damaged";
    same("an update over a damaged state", {"--update", "--index"});
    same("a plain run over the pages", {"-f", "--text"});
}

TEST_F(NotebookCommandTest, WatchConvertsAnInkFileOnceItIsWholeAndEndsOnInterrupt)
{
    MakeInk("notes/a.ink", u8"type はじめ\n");
    MakeInk("later.ink", kSketchPage);
    ASSERT_EQ(Convert({"-k", "pristine", "-d", "full", "later.ink"}).exitCode, 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(dir_.c_str()) != 0 || !std::freopen("watch.out", "w", stdout) ||
            !std::freopen("watch.err", "w", stderr))
            ::_exit(127);
        ::execl(MAROVI_CONVERT, MAROVI_CONVERT, "--watch", "-k", "kb", "-d", "out", "notes", nullptr);
        ::_exit(127);
    }
    const auto waitFor = [](const std::function<bool()>& condition, std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!condition() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return condition();
    };
    EXPECT_TRUE(waitFor([&] { return fs::exists(dir_ / "out" / "index.html"); }, std::chrono::seconds(5)));

    // Written in two halves a second apart, as a slow sync would.
    const std::string ink = ReadText(dir_ / "later.ink");
    {
        std::ofstream half(dir_ / "notes" / "later.ink", std::ios::binary);
        half << ink.substr(0, ink.size() / 2) << std::flush;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        half << ink.substr(ink.size() / 2);
    }
    const std::string expected = ReadText(dir_ / "full" / "later.html");
    EXPECT_TRUE(waitFor([&] { return ReadText(dir_ / "out" / "later.html") == expected; }, std::chrono::seconds(4)));
    EXPECT_TRUE(waitFor([&] { return ReadText(dir_ / "out" / "index.html").find("later.html") != std::string::npos; },
                        std::chrono::seconds(2)));

    const auto interrupted = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(child, SIGINT), 0);
    int status = 0;
    bool ended = false;
    EXPECT_TRUE(waitFor([&] { return ended = ended || ::waitpid(child, &status, WNOHANG) == child; },
                        std::chrono::seconds(3)));
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(1));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadText(dir_ / "watch.err");
    EXPECT_NE(ReadText(dir_ / "watch.out").find(Row("notes/later.ink", kConverted, "out/later.html")),
              std::string::npos);
}

}  // namespace
