#include "MainWindowHarness.h"

#include "ink/QuadMapping.h"
#include "ui/ResourceIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace uitest;
using Texts = std::vector<std::string>;

using MainDialogTest = WindowTest;

const Texts kHintRows = {"", "", "", "", "", "", kHintRow};

TEST_F(MainDialogTest, StartUp)
{
    std::FILE* trace = std::tmpfile();
    ASSERT_NE(trace, nullptr);
    MainWindow window(Writer::Recording, trace);

    EXPECT_TRUE(window.dialog.KeyboardLoaded());
    EXPECT_TRUE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.Column(0), kHintRows);
    EXPECT_EQ(window.frame.Caption(), "Veda-Rovodad for Inkora");
    EXPECT_EQ(window.frame.Icon(), IDR_MAINFRAME);
    const std::vector<int> images = {window.exit.Image(), window.help.Image(), window.keySetup.Image(),
                                     window.convert.Image(), window.remove.Image()};
    EXPECT_EQ(images, (std::vector<int>{IDB_EXIT, IDB_HELP, IDB_KEY_SETUP, IDB_CONVERT, IDB_REMOVE}));
    EXPECT_TRUE(window.list.IsSorted());
    EXPECT_TRUE(window.list.IsFullRowSelect());
    ASSERT_EQ(window.list.Columns().size(), 3u);
    EXPECT_EQ(window.list.Columns()[1].title, "処理状況");
    EXPECT_EQ(window.list.Columns()[2].width, 0);
    EXPECT_TRUE(window.messages.empty());

    // The self-test traced ten points before softKB.skb replaced both
    // quadrilaterals with its marks.
    std::rewind(trace);
    Texts traced;
    for (char line[200]; std::fgets(line, sizeof line, trace) != nullptr;)
        traced.push_back(line);
    std::fclose(trace);
    ASSERT_EQ(traced.size(), 10u);
    EXPECT_EQ(traced[9].rfind("Ps = (0, -100), s = ", 0), 0u) << traced[9];
    const CKeyboardDef& keyboard = window.dialog.Keyboard();
    EXPECT_EQ(keyboard.Mapping(), window.dialog.Mapping());
    EXPECT_EQ(window.dialog.Mapping()->Source()[2].x, keyboard.MeasuredMarks()[2].x);
    EXPECT_EQ(window.dialog.Mapping()->Target()[3].y, keyboard.ReferenceMarks()[3].y);
}

TEST_F(MainDialogTest, StartUpWithoutKeyboardFile)
{
    fs::remove("softKB.skb");
    MainWindow window;

    EXPECT_EQ(window.messages, Texts{"ソフトＫＢ定義ファイルがオープンできません"});
    EXPECT_FALSE(window.dialog.KeyboardLoaded());
    EXPECT_EQ(window.list.RowCount(), 0);
    EXPECT_EQ(window.frame.Caption(), "");
    EXPECT_EQ(window.exit.Image() + window.help.Image() + window.convert.Image(), 0);
    EXPECT_FALSE(window.list.IsFullRowSelect());

    window.dialog.OnConvert();
    EXPECT_EQ(window.messages.back(), kDropMessage);
    // The hint state holds, so the first drop still leaves it.
    window.dialog.OnDropFiles({"/x/one.ink"});
    EXPECT_FALSE(window.dialog.FileList().HintShown());
    EXPECT_EQ(window.Column(0), Texts{"/x/one.ink"});
}

TEST_F(MainDialogTest, DroppedFilesBecomeSortedRows)
{
    MainWindow window;
    window.convert.Enable(false);
    const Texts drop = {"/ink/c.ink", "/ink/a.ink", "/ink/b"};
    window.dialog.OnDropFiles(drop);

    EXPECT_FALSE(window.dialog.FileList().HintShown());
    EXPECT_TRUE(window.convert.IsEnabled());
    EXPECT_EQ(window.Column(0), (Texts{"/ink/a.ink", "/ink/b", "/ink/c.ink"}));
    EXPECT_EQ(window.Column(1), Texts(3, "未変換"));
    EXPECT_EQ(window.Column(2), Texts(3, ""));

    // The same files again are further rows; a path of any length is whole.
    const std::string longPath = "/" + std::string(5000, 'd') + "/page.ink";
    window.dialog.OnDropFiles(drop);
    window.dialog.OnDropFiles({longPath});
    EXPECT_EQ(window.Column(0),
              (Texts{longPath, "/ink/a.ink", "/ink/a.ink", "/ink/b", "/ink/b", "/ink/c.ink", "/ink/c.ink"}));
    EXPECT_EQ(window.Column(1), Texts(7, "未変換"));
}

TEST_F(MainDialogTest, RemovingSelectedRows)
{
    struct Case {
        const char* name;
        bool dropFirst;
        std::vector<int> selected;
        Texts rowsAfter;
        bool hintAfter;
    };
    const std::vector<Case> cases = {
        {"all files", true, {0, 1, 2, 3}, kHintRows, true},
        {"some files", true, {0, 2}, {"/b", "/d"}, false},
        {"nothing selected", true, {}, {"/a", "/b", "/c", "/d"}, false},
        {"only the hint row", false, {6}, {"", "", "", "", "", ""}, true},
        {"every hint row", false, {0, 1, 2, 3, 4, 5, 6}, kHintRows, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow window;
        if (c.dropFirst)
            window.dialog.OnDropFiles({"/a", "/b", "/c", "/d"});
        for (int row : c.selected)
            window.Select(row);
        window.remove.Enable(false);
        window.dialog.OnRemoveSelected();
        EXPECT_EQ(window.Column(0), c.rowsAfter);
        EXPECT_EQ(window.dialog.FileList().HintShown(), c.hintAfter);
        EXPECT_FALSE(window.remove.IsEnabled()) << "removal leaves the button alone";
    }

    // Far more selected rows than a fixed table would hold.
    MainWindow window;
    Texts files;
    for (int i = 0; i < 3000; ++i)
        files.push_back("/ink/" + std::to_string(10000 + i));
    window.dialog.OnDropFiles(files);
    for (int row = 0; row < 3000; row += 2)
        window.Select(row);
    window.dialog.OnRemoveSelected();
    ASSERT_EQ(window.list.RowCount(), 1500);
    EXPECT_EQ(window.list.GetItemText(1499, 0), "/ink/12999");
}

TEST_F(MainDialogTest, ListClickEnablesRemovalOnlyWithASelection)
{
    MainWindow window;
    window.dialog.OnDropFiles({"/a", "/b"});
    for (bool selected : {false, true, false}) {
        window.Select(1, selected);
        window.dialog.OnListClick();
        EXPECT_EQ(window.remove.IsEnabled(), selected);
    }
}

TEST_F(MainDialogTest, DoubleClickOpensTheFirstSelectedRowWhenConverted)
{
    MainWindow window;
    Texts files;
    for (int i = 0; i < 150; ++i)
        files.push_back("/ink/" + std::to_string(1000 + i));
    window.dialog.OnDropFiles(files);
    const Texts statuses = {"変換済み", "未変換", "キャンセル", "変換エラー", "不正ファイル", "変換済み "};
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        window.list.SetItemText(static_cast<int>(120 + i), 1, statuses[i]);
        window.list.SetItemText(static_cast<int>(120 + i), 2, "/out/" + std::to_string(i));
    }

    window.dialog.OnListDoubleClick();
    EXPECT_TRUE(window.shell.opened.empty()) << "no row selected";
    // Rows past the hundredth count as well; only "変換済み" opens.
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        window.shell.opened.clear();
        window.Select(static_cast<int>(120 + i));
        window.Select(149);
        window.dialog.OnListDoubleClick();
        EXPECT_EQ(window.shell.opened, i == 0 ? Texts{"/out/0"} : Texts{}) << statuses[i];
        window.Select(static_cast<int>(120 + i), false);
    }
}

TEST_F(MainDialogTest, HelpAndF1OpenTheManualOfTheCurrentDirectory)
{
    MainWindow window;
    window.dialog.OnHelp();
    fs::create_directory("elsewhere");
    fs::current_path("elsewhere");
    EXPECT_TRUE(window.dialog.OnF1(false, false, false));
    EXPECT_EQ(window.shell.opened, (Texts{Here("SKBmanual.pdf"), Here("elsewhere/SKBmanual.pdf")}));

    for (const auto& keys : {std::vector<bool>{true, false, false}, {false, true, false}, {false, false, true}})
        EXPECT_FALSE(window.dialog.OnF1(keys[0], keys[1], keys[2]));
    EXPECT_EQ(window.shell.opened.size(), 2u);
}

TEST_F(MainDialogTest, KeyboardSetupReloadsTheKeyboardOnlyOnOk)
{
    // Setup saves a file with another font size, which shows whether the
    // main window read it again.
    const auto saveOtherFontSize = [] {
        std::ostringstream text;
        text << std::ifstream("softKB.skb", std::ios::binary).rdbuf();
        std::string changed = text.str();
        changed.replace(changed.find("\"0\",\"12\",\"10\""), 13, "\"0\",\"20\",\"10\"");
        std::ofstream("softKB.skb", std::ios::binary | std::ios::trunc) << changed;
    };
    for (DialogResult result : {DialogResult::Cancel, DialogResult::Ok}) {
        fs::copy_file(ExampleKeyboardDir() / "softKB.skb", "softKB.skb",
                      fs::copy_options::overwrite_existing);
        MainWindow window;
        window.setupRunner.result = result;
        window.setupRunner.during = saveOtherFontSize;
        window.dialog.OnKeyboardSetup();
        EXPECT_EQ(window.dialog.Keyboard().FontSize(), result == DialogResult::Ok ? 20 : 12);
    }
}

}  // namespace
