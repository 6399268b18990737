#include "MainWindowHarness.h"

#include "keyboard/PageStrokes.h"
#include "platform/ListView.h"
#include "ui/ConversionRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace uitest;

class ConversionRunTest : public ::testing::Test {
protected:
    void SetUp() override { CopyExampleKeyboard(); }

    std::string Here(const std::string& name) const { return (workDir.Path() / name).string(); }

    ScopedWorkDir workDir;
    MessageLog log;
};

constexpr unsigned kSelectedAndFocused = IListView::kSelected | IListView::kFocused;

TEST_F(ConversionRunTest, NothingToConvertOnlyTellsHowToStart)
{
    MainWindow window;
    window.dialog.OnConvert();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kDropMessage});
    EXPECT_TRUE(window.saveDialog.requests.empty());
    EXPECT_EQ(window.Column(0).back(), kHintRow);
    EXPECT_EQ(window.Column(1), std::vector<std::string>(7, ""));

    // Hint rows removed one by one leave an empty list in the hint state.
    log.Messages().clear();
    window.Select(6);
    window.dialog.OnRemoveSelected();
    window.dialog.OnConvert();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kDropMessage});
    EXPECT_TRUE(window.saveDialog.requests.empty());
}

TEST_F(ConversionRunTest, EveryRowIsOfferedForSavingUnderItsBaseName)
{
    std::filesystem::create_directories("pages.2024/sub");
    WriteInkPage("one.ink", u8"type あ\n");
    WriteInkPage("a.b.c", u8"type い\n");
    WriteInkPage("pages.2024/sub/plain", u8"type う\n");
    MainWindow window;
    window.dialog.OnDropFiles({Here("one.ink"), Here("pages.2024/sub/plain"), Here("a.b.c")});
    window.saveDialog.answers = {Here("first.html"), Here("second.html"), Here("third.html")};
    window.dialog.OnConvert();

    ASSERT_EQ(window.saveDialog.requests.size(), 3u);
    const std::vector<std::string> suggested = {"a.b.html", "one.html", "plain.html"};
    for (std::size_t i = 0; i < 3; ++i) {
        const SaveFileRequest& request = window.saveDialog.requests[i];
        EXPECT_EQ(request.suggestedName, suggested[i]);
        EXPECT_EQ(request.defaultExtension, ".html");
        EXPECT_EQ(request.filter, "HTML document (*.html;*.htm)|*.html;*.htm|Text files (*.txt)|*.txt|");
        EXPECT_TRUE(request.overwritePrompt);
        EXPECT_TRUE(request.hideReadOnly);
        EXPECT_TRUE(request.longNames);
        EXPECT_TRUE(request.noChangeDir);
    }
    ASSERT_EQ(window.written.size(), 3u);
    EXPECT_EQ(window.written[0].htmlPath, Here("first.html"));
    EXPECT_EQ(window.written[0].baseName, "a.b");
    EXPECT_EQ(window.written[2].baseName, "plain");

    EXPECT_EQ(window.Column(1), std::vector<std::string>(3, "変換済み"));
    EXPECT_EQ(window.Column(2), (std::vector<std::string>{Here("first.html"), Here("second.html"), Here("third.html")}));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kRunFinished});
    ASSERT_EQ(window.dialog.Results().size(), 3u);
    for (const auto& page : window.dialog.Results())
        EXPECT_NE(page, nullptr);

    // Every processed row stays selected; the focus ends on the last one.
    EXPECT_EQ(window.list.SelectedCount(), 3);
    EXPECT_EQ(window.list.GetItemState(2, kSelectedAndFocused), kSelectedAndFocused);
    EXPECT_EQ(window.list.GetItemState(0, IListView::kFocused), 0u);
}

TEST_F(ConversionRunTest, UnreadableFileIsMarkedAndSkipped)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteUnreadableFile("b.ink");
    WriteInkPage("c.ink", u8"type う\n");
    MainWindow window;
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink"), Here("c.ink"), Here("missing.ink")});
    window.saveDialog.answers = {Here("a.html"), Here("c.html")};
    window.dialog.OnConvert();

    ASSERT_EQ(window.saveDialog.requests.size(), 2u);
    EXPECT_EQ(window.saveDialog.requests[1].suggestedName, "c.html");
    EXPECT_EQ(window.Column(1), (std::vector<std::string>{"変換済み", "不正ファイル", "変換済み", "不正ファイル"}));
    EXPECT_EQ(window.Column(2), (std::vector<std::string>{Here("a.html"), "", Here("c.html"), ""}));
    EXPECT_EQ(log.Messages(),
              (std::vector<std::string>{"内部エラー(DoParse)：ファイルオープンできません",
                                        "内部エラー(DoParse)：ファイルオープンできません", kRunFinished}));
    const RunResults& results = window.dialog.Results();
    ASSERT_EQ(results.size(), 4u);
    EXPECT_NE(results[0], nullptr);
    EXPECT_EQ(results[1], nullptr);
    EXPECT_NE(results[2], nullptr);
    EXPECT_EQ(results[3], nullptr);
    EXPECT_EQ(window.list.SelectedCount(), 4);
}

TEST_F(ConversionRunTest, OutcomeOfARowAfterAnEarlierRun)
{
    struct Case {
        const char* name;
        std::optional<std::string> answer;
        bool writes;
        std::string status;
        std::string htmlColumn;
    };
    const std::vector<Case> cases = {
        {"cancelled", std::nullopt, true, "キャンセル", "/first/run.html"},
        {"write failed", "/second/run.html", false, "変換エラー", ""},
        {"converted again", "/second/run.html", true, "変換済み", "/second/run.html"},
    };
    WriteInkPage("page.ink", u8"type あ\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow window;
        window.dialog.OnDropFiles({Here("page.ink")});
        window.saveDialog.answers = {"/first/run.html"};
        window.dialog.OnConvert();
        ASSERT_EQ(window.Text(0, 1), "変換済み");

        window.saveDialog.answers = {c.answer};
        window.writeResult = c.writes;
        log.Messages().clear();
        window.dialog.OnConvert();
        EXPECT_EQ(window.Text(0, 1), c.status);
        EXPECT_EQ(window.Text(0, 2), c.htmlColumn);
        EXPECT_EQ(log.Messages(), std::vector<std::string>{kRunFinished});
        ASSERT_EQ(window.dialog.Results().size(), 1u);
        EXPECT_NE(window.dialog.Results()[0], nullptr);

        // Only a converted row opens its page.
        window.dialog.OnListDoubleClick();
        EXPECT_EQ(window.shell.opened.size(), c.status == "変換済み" ? 1u : 0u);
    }
}

TEST_F(ConversionRunTest, CurrentDirectoryIsRestoredAfterEveryRow)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteInkPage("b.ink", u8"type い\n");
    std::filesystem::create_directory("chosen");
    MainWindow window;
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink")});

    // The dialog wanders off; the writer still runs where it left things,
    // but the next row's dialog and the end of the run are back home.
    std::vector<std::string> seenByDialog;
    window.saveDialog.during = [&] {
        seenByDialog.push_back(std::filesystem::current_path().string());
        std::filesystem::current_path(workDir.Path() / "chosen");
    };
    window.saveDialog.answers = {Here("a.html"), std::nullopt};
    window.dialog.OnConvert();

    EXPECT_EQ(seenByDialog, (std::vector<std::string>{workDir.Path().string(), workDir.Path().string()}));
    EXPECT_EQ(std::filesystem::current_path(), workDir.Path());
}

TEST_F(ConversionRunTest, CalibrationCarriesOverWithinARunOnly)
{
    WriteInkPage("1-calibrated.ink", u8"sheet shift 1.5mm 1mm rotate 1.2\ncalibrate\ntype あ\n");
    WriteInkPage("2-plain.ink", u8"type い\n");
    MainWindow window;
    const CKeyboardDef::Marks printed = window.dialog.Keyboard().MeasuredMarks();
    window.dialog.OnDropFiles({Here("2-plain.ink"), Here("1-calibrated.ink")});
    window.dialog.OnConvert();

    const RunResults& first = window.dialog.Results();
    ASSERT_EQ(first.size(), 2u);
    ASSERT_TRUE(first[0]->Calibrated());
    const CKeyboardDef::Marks measured = first[0]->Keyboard().MeasuredMarks();
    EXPECT_NE(measured, printed);
    EXPECT_FALSE(first[1]->Calibrated());
    EXPECT_EQ(first[1]->Keyboard().MeasuredMarks(), measured);
    // The main window's keyboard is not read again: the next run starts from
    // the marks it had.
    EXPECT_EQ(window.dialog.Keyboard().MeasuredMarks(), printed);

    // The run left both rows selected; keep the plain page only.
    window.Select(1, false);
    window.dialog.OnRemoveSelected();
    ASSERT_EQ(window.Column(0), std::vector<std::string>{Here("2-plain.ink")});
    window.dialog.OnConvert();
    const RunResults& second = window.dialog.Results();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]->Keyboard().MeasuredMarks(), printed);
}

TEST_F(ConversionRunTest, PagesAreWrittenWhereTheDialogSays)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteInkPage("b.ink", u8"type い\n");
    MainWindow window(true, Writer::Html);
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink")});
    window.saveDialog.answers = {Here("a.html"), Here("no-such-folder/b.html")};
    window.dialog.OnConvert();

    EXPECT_EQ(window.Column(1), (std::vector<std::string>{"変換済み", "変換エラー"}));
    EXPECT_EQ(window.Column(2), (std::vector<std::string>{Here("a.html"), ""}));
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"出力するHTMLファイルのOPENに失敗しました", kRunFinished}));
    std::ifstream page("a.html", std::ios::binary);
    std::string firstLine;
    std::getline(page, firstLine);
    EXPECT_EQ(firstLine, "<html>\r");
    EXPECT_TRUE(std::filesystem::is_directory("a.files"));
}

TEST(InkBaseNameTest, CutsFolderAndExtension)
{
    struct Case {
        std::string path;
        char separator;
        std::string base;
    };
    const std::string hyo = "表";  // Shift_JIS 95 5C: its second byte is a backslash
    ASSERT_EQ(hyo, "\x95\\");
    const Case cases[] = {
        {"/ink/memo.ink", '/', "memo"},
        {"/ink/a.b.c", '/', "a.b"},
        {"/ink.d/plain", '/', "plain"},
        {"/ink.d/", '/', ""},
        {"/ink/.hidden", '/', ""},
        {"/ink/trailing.", '/', "trailing"},
        {"memo.ink", '/', "memo"},
        {"dir\\memo.ink", '/', "dir\\memo"},
        {"C:\\ink.d\\memo.ink", '\\', "memo"},
        {"C:\\ink/a.b.c", '\\', "a.b"},
        {"C:\\" + hyo + "\\" + hyo + ".ink", '\\', hyo},
        {"C:\\ink\\" + hyo, '\\', hyo},
        {"/" + hyo + "/x.ink", '/', "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InkBaseName(c.path, c.separator), c.base) << c.path;
}

}  // namespace
