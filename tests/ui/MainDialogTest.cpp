#include "MainWindowHarness.h"

#include "ink/QuadMapping.h"
#include "ui/win32/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace uitest;

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override { CopyExampleKeyboard(); }

    ScopedWorkDir workDir;
    MessageLog log;
};

std::vector<std::string> Lines(std::FILE* file)
{
    std::rewind(file);
    std::vector<std::string> lines;
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    return lines;
}

TEST_F(MainDialogTest, StartUpShowsTheHintAndDressesTheWindow)
{
    MainWindow window(false);
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);
    window.dialog.SetTraceStream(trace);
    window.Init();

    EXPECT_TRUE(window.dialog.KeyboardLoaded());
    EXPECT_TRUE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.Column(0), (std::vector<std::string>{"", "", "", "", "", "", kHintRow}));
    EXPECT_EQ(window.Column(1), std::vector<std::string>(7, ""));
    EXPECT_EQ(window.frame.Caption(), "Veda-Rovodad for Inkora");
    EXPECT_EQ(window.frame.Icon(), 128);
    EXPECT_EQ(window.exit.Image(), 133);
    EXPECT_EQ(window.help.Image(), 134);
    EXPECT_EQ(window.keySetup.Image(), 135);
    EXPECT_EQ(window.convert.Image(), 136);
    EXPECT_EQ(window.remove.Image(), 137);
    EXPECT_TRUE(window.list.IsSorted());
    EXPECT_FALSE(window.list.IsSingleSelection());
    EXPECT_TRUE(window.list.IsFullRowSelect());
    ASSERT_EQ(window.list.Columns().size(), 3u);
    EXPECT_EQ(window.list.Columns()[0].title, "ファイル名");
    EXPECT_EQ(window.list.Columns()[0].width, 300);
    EXPECT_EQ(window.list.Columns()[1].title, "処理状況");
    EXPECT_EQ(window.list.Columns()[1].width, 90);
    EXPECT_EQ(window.list.Columns()[2].title, "");
    EXPECT_EQ(window.list.Columns()[2].width, 0);
    EXPECT_TRUE(log.Messages().empty());

    // The self-test traced its ten points, then the file replaced both
    // quadrilaterals with the marks of softKB.skb.
    const std::vector<std::string> traced = Lines(trace);
    std::fclose(trace);
    ASSERT_EQ(traced.size(), 10u);
    EXPECT_EQ(traced[0].rfind("Ps = (50, 50), s = ", 0), 0u) << traced[0];
    EXPECT_EQ(traced[9].rfind("Ps = (0, -100), s = ", 0), 0u) << traced[9];
    const CQuadMapping* mapping = window.dialog.Mapping();
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(window.dialog.Keyboard().Mapping(), mapping);
    EXPECT_EQ(mapping->Source()[2].x, window.dialog.Keyboard().MeasuredMarks()[2].x);
    EXPECT_EQ(mapping->Target()[3].y, window.dialog.Keyboard().ReferenceMarks()[3].y);
    EXPECT_GT(window.dialog.Keyboard().KeyCount(), 0);
}

TEST_F(MainDialogTest, StartUpWithoutKeyboardFileOpensBare)
{
    std::filesystem::remove("softKB.skb");
    MainWindow window;

    EXPECT_EQ(log.Messages(), std::vector<std::string>{"ソフトＫＢ定義ファイルがオープンできません"});
    EXPECT_FALSE(window.dialog.KeyboardLoaded());
    EXPECT_EQ(window.list.RowCount(), 0);
    EXPECT_TRUE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.frame.Caption(), "");
    EXPECT_EQ(window.frame.Icon(), 128);
    EXPECT_EQ(window.list.Columns().size(), 3u);
    EXPECT_FALSE(window.list.IsFullRowSelect());
    for (const CInMemoryButton* button : {&window.exit, &window.help, &window.keySetup, &window.convert, &window.remove})
        EXPECT_EQ(button->Image(), 0);

    log.Messages().clear();
    window.dialog.OnConvert();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kDropMessage});

    // The hint state holds, so the first drop still leaves it.
    window.dialog.OnDropFiles({"/x/one.ink"});
    EXPECT_FALSE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.Column(0), std::vector<std::string>{"/x/one.ink"});
}

TEST_F(MainDialogTest, DroppedFilesBecomeSortedRows)
{
    MainWindow window;
    window.convert.Enable(false);
    const std::vector<std::string> drop = {"/ink/c.ink", "/ink/a.ink", "/ink/b"};
    window.dialog.OnDropFiles(drop);

    EXPECT_FALSE(window.dialog.FileList().HintShown());
    EXPECT_TRUE(window.convert.IsEnabled());
    EXPECT_EQ(window.Column(0), (std::vector<std::string>{"/ink/a.ink", "/ink/b", "/ink/c.ink"}));
    EXPECT_EQ(window.Column(1), std::vector<std::string>(3, "未変換"));
    EXPECT_EQ(window.Column(2), std::vector<std::string>(3, ""));

    // The same files again add rows; nothing is taken for a duplicate.
    window.dialog.OnDropFiles(drop);
    EXPECT_EQ(window.Column(0), (std::vector<std::string>{"/ink/a.ink", "/ink/a.ink", "/ink/b", "/ink/b",
                                                          "/ink/c.ink", "/ink/c.ink"}));
    EXPECT_EQ(window.Column(1), std::vector<std::string>(6, "未変換"));

    // A path far longer than any fixed buffer is kept whole.
    const std::string longPath = "/" + std::string(5000, 'd') + "/page.ink";
    window.dialog.OnDropFiles({longPath});
    EXPECT_EQ(window.Text(0, 0), longPath);
    EXPECT_EQ(window.Text(0, 1), "未変換");
}

TEST_F(MainDialogTest, RemovingSelectedRows)
{
    struct Case {
        const char* name;
        std::vector<int> dropThenSelect;  // empty: stay in the hint state
        std::vector<int> selected;
        std::vector<std::string> rowsAfter;
        bool hintAfter;
    };
    const std::vector<std::string> files = {"/a", "/b", "/c", "/d"};
    const std::vector<Case> cases = {
        {"all files", {1}, {0, 1, 2, 3}, {"", "", "", "", "", "", kHintRow}, true},
        {"some files", {1}, {0, 2}, {"/b", "/d"}, false},
        {"nothing selected", {1}, {}, {"/a", "/b", "/c", "/d"}, false},
        {"only the hint row", {}, {6}, {"", "", "", "", "", ""}, true},
        {"every hint row", {}, {0, 1, 2, 3, 4, 5, 6}, {"", "", "", "", "", "", kHintRow}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow window;
        if (!c.dropThenSelect.empty())
            window.dialog.OnDropFiles(files);
        for (int row : c.selected)
            window.Select(row);
        window.remove.Enable(false);
        window.dialog.OnRemoveSelected();
        EXPECT_EQ(window.Column(0), c.rowsAfter);
        EXPECT_EQ(window.dialog.FileList().HintShown(), c.hintAfter);
        EXPECT_FALSE(window.remove.IsEnabled()) << "removal leaves the button alone";
    }
}

TEST_F(MainDialogTest, RemovesAnyNumberOfSelectedRows)
{
    MainWindow window;
    std::vector<std::string> files;
    for (int i = 0; i < 3000; ++i)
        files.push_back("/ink/" + std::to_string(10000 + i) + ".ink");
    window.dialog.OnDropFiles(files);
    for (int row = 0; row < 3000; row += 2)
        window.Select(row);
    window.dialog.OnRemoveSelected();
    ASSERT_EQ(window.list.RowCount(), 1500);
    EXPECT_EQ(window.Text(0, 0), "/ink/10001.ink");
    EXPECT_EQ(window.Text(1499, 0), "/ink/12999.ink");

    window.SelectAll();
    window.dialog.OnRemoveSelected();
    EXPECT_TRUE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.list.RowCount(), 7);
}

TEST_F(MainDialogTest, ListClickEnablesRemovalOnlyWithASelection)
{
    MainWindow window;
    window.dialog.OnDropFiles({"/a", "/b"});

    window.dialog.OnListClick();
    EXPECT_FALSE(window.remove.IsEnabled());
    window.Select(1);
    window.dialog.OnListClick();
    EXPECT_TRUE(window.remove.IsEnabled());
    window.Select(1, false);
    window.dialog.OnListClick();
    EXPECT_FALSE(window.remove.IsEnabled());
}

TEST_F(MainDialogTest, DoubleClickOpensOnlyConvertedPages)
{
    struct Case {
        const char* status;
        bool opens;
    };
    const Case cases[] = {{"変換済み", true},  {"未変換", false},       {"キャンセル", false},
                          {"変換エラー", false}, {"不正ファイル", false}, {"変換済み ", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        MainWindow window;
        window.dialog.OnDropFiles({"/p/a.ink"});
        window.list.SetItemText(0, 1, c.status);
        window.list.SetItemText(0, 2, "/out/a.html");
        window.Select(0);
        window.dialog.OnListDoubleClick();
        EXPECT_EQ(window.shell.opened, c.opens ? std::vector<std::string>{"/out/a.html"} : std::vector<std::string>{});
    }
}

TEST_F(MainDialogTest, DoubleClickLooksAtTheFirstSelectedRowAnywhere)
{
    MainWindow window;
    std::vector<std::string> files;
    for (int i = 0; i < 150; ++i)
        files.push_back("/ink/" + std::to_string(1000 + i) + ".ink");
    window.dialog.OnDropFiles(files);
    for (int row : {120, 130}) {
        window.list.SetItemText(row, 1, "変換済み");
        window.list.SetItemText(row, 2, "/out/" + std::to_string(row) + ".html");
    }

    window.dialog.OnListDoubleClick();
    EXPECT_TRUE(window.shell.opened.empty()) << "no row selected";

    window.Select(130);
    window.Select(120);
    window.dialog.OnListDoubleClick();
    EXPECT_EQ(window.shell.opened, std::vector<std::string>{"/out/120.html"});

    // The first selected row decides, even when a later one is converted.
    window.shell.opened.clear();
    window.Select(110);
    window.dialog.OnListDoubleClick();
    EXPECT_TRUE(window.shell.opened.empty());
}

TEST_F(MainDialogTest, HelpOpensTheManualOfTheCurrentDirectory)
{
    MainWindow window;
    window.dialog.OnHelp();
    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    window.dialog.OnHelp();

    const std::string here = workDir.Path().string();
    EXPECT_EQ(window.shell.opened,
              (std::vector<std::string>{here + "/SKBmanual.pdf", here + "/elsewhere/SKBmanual.pdf"}));
}

TEST_F(MainDialogTest, F1WithoutModifiersIsHelp)
{
    struct Case {
        bool shift, ctrl, alt;
        bool help;
    };
    const Case cases[] = {{false, false, false, true}, {true, false, false, false}, {false, true, false, false},
                          {false, false, true, false}, {true, true, true, false}};
    for (const Case& c : cases) {
        MainWindow window;
        EXPECT_EQ(window.dialog.OnF1(c.shift, c.ctrl, c.alt), c.help);
        EXPECT_EQ(window.shell.opened.size(), c.help ? 1u : 0u);
    }
}

TEST_F(MainDialogTest, KeyboardSetupReloadsTheKeyboardOnlyOnOk)
{
    // Setup saves a file whose settings line differs: the font size shows
    // whether the main window read it again.
    const auto saveOtherFontSize = [] {
        std::ifstream in("softKB.skb", std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        std::string text = read.str();
        const auto settings = text.find("\"0\",\"12\",\"10\"");
        ASSERT_NE(settings, std::string::npos);
        text.replace(settings, 13, "\"0\",\"20\",\"10\"");
        std::ofstream("softKB.skb", std::ios::binary | std::ios::trunc) << text;
    };
    for (DialogResult result : {DialogResult::Cancel, DialogResult::Ok}) {
        CopyExampleKeyboard();
        MainWindow window;
        ASSERT_EQ(window.dialog.Keyboard().FontSize(), 12);
        window.setupRunner.result = result;
        window.setupRunner.during = saveOtherFontSize;
        window.dialog.OnKeyboardSetup();
        EXPECT_EQ(window.setupRunner.runs, 1);
        EXPECT_EQ(window.dialog.Keyboard().FontSize(), result == DialogResult::Ok ? 20 : 12);
    }
}

TEST_F(MainDialogTest, ReloadFailureAfterSetupKeepsTheKeyboard)
{
    MainWindow window;
    window.setupRunner.result = DialogResult::Ok;
    window.setupRunner.during = [] { std::filesystem::remove("softKB.skb"); };
    window.dialog.OnKeyboardSetup();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"ソフトＫＢ定義ファイルがオープンできません"});
    EXPECT_EQ(window.dialog.Keyboard().FontSize(), 12);
}

}  // namespace
