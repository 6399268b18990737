#include "MainWindowHarness.h"

#include "keyboard/PageStrokes.h"
#include "platform/ListView.h"
#include "platform/TextEncoding.h"
#include "ui/ConversionRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace uitest;
using Texts = std::vector<std::string>;

using ConversionRunTest = WindowTest;

TEST_F(ConversionRunTest, NothingToConvertOnlyTellsHowToStart)
{
    MainWindow window;
    window.dialog.OnConvert();
    // Hint rows removed leave an empty list, still in the hint state.
    window.Select(6);
    window.dialog.OnRemoveSelected();
    window.dialog.OnConvert();
    EXPECT_EQ(window.messages, (Texts{kDropMessage, kDropMessage}));
    EXPECT_TRUE(window.saveDialog.requests.empty());
    EXPECT_EQ(window.Column(1), Texts(6, ""));
}

// A keyboard file from which no key could be read would turn every stroke
// into a picture: the run says the keyboard cannot be opened and converts
// nothing.
TEST_F(ConversionRunTest, KeyboardWithoutKeysConvertsNothing)
{
    WriteInkPage("a.ink", u8"type あ\n");
    std::ofstream("softKB.skb", std::ios::binary | std::ios::trunc) << "\"0\",\"12\",\"10\"\r\n";
    MainWindow window;
    ASSERT_TRUE(window.dialog.KeyboardLoaded());
    window.dialog.OnDropFiles({Here("a.ink")});
    window.dialog.OnConvert();
    EXPECT_EQ(window.messages, Texts{"ソフトＫＢ定義ファイルがオープンできません"});
    EXPECT_TRUE(window.saveDialog.requests.empty());
    EXPECT_EQ(window.Column(1), Texts{"未変換"});
}

TEST_F(ConversionRunTest, EveryRowIsOfferedForSavingUnderItsBaseName)
{
    fs::create_directories("pages.2024/sub");
    WriteInkPage("one.ink", u8"type あ\n");
    WriteInkPage("a.b.c", u8"type い\n");
    WriteInkPage("pages.2024/sub/plain", u8"type う\n");
    MainWindow window;
    window.dialog.OnDropFiles({Here("one.ink"), Here("pages.2024/sub/plain"), Here("a.b.c")});
    window.saveDialog.answers = {Here("1.html"), Here("2.html"), Here("3.html")};
    window.dialog.OnConvert();

    Texts suggested;
    for (const SaveFileRequest& request : window.saveDialog.requests) {
        suggested.push_back(request.suggestedName);
        EXPECT_EQ(request.defaultExtension, ".html");
        EXPECT_EQ(request.filter, "HTML document (*.html;*.htm)|*.html;*.htm|Text files (*.txt)|*.txt|");
        EXPECT_TRUE(request.overwritePrompt && request.hideReadOnly && request.noChangeDir);
    }
    EXPECT_EQ(suggested, (Texts{"a.b.html", "one.html", "plain.html"}));
    EXPECT_EQ(window.written, (std::vector<Texts>{{Here("1.html"), "a.b"}, {Here("2.html"), "one"},
                                                  {Here("3.html"), "plain"}}));
    EXPECT_EQ(window.Column(1), Texts(3, "変換済み"));
    EXPECT_EQ(window.Column(2), (Texts{Here("1.html"), Here("2.html"), Here("3.html")}));
    EXPECT_EQ(window.messages, Texts{kRunFinished});
    ASSERT_EQ(window.dialog.Results().size(), 3u);
    EXPECT_NE(window.dialog.Results()[2], nullptr);

    // Every processed row stays selected; the focus ends on the last one.
    EXPECT_EQ(window.list.SelectedCount(), 3);
    EXPECT_EQ(window.list.GetItemState(2, IListView::kFocused), IListView::kFocused);
    EXPECT_EQ(window.list.GetItemState(0, IListView::kFocused), 0u);
}

TEST_F(ConversionRunTest, OutcomeOfARowConvertedBefore)
{
    struct Case {
        std::optional<std::string> answer;
        bool writes;
        std::string status;
        std::string htmlColumn;
    };
    const Case cases[] = {
        {std::nullopt, true, "キャンセル", "/first.html"},
        {"/second.html", false, "変換エラー", ""},
        {"/second.html", true, "変換済み", "/second.html"},
    };
    WriteInkPage("page.ink", u8"type あ\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        MainWindow window;
        window.dialog.OnDropFiles({Here("page.ink")});
        window.saveDialog.answers = {"/first.html", c.answer};
        window.dialog.OnConvert();
        window.writeResult = c.writes;
        window.dialog.OnConvert();
        EXPECT_EQ(window.Column(1), Texts{c.status});
        EXPECT_EQ(window.Column(2), Texts{c.htmlColumn});
        ASSERT_EQ(window.dialog.Results().size(), 1u);
        EXPECT_NE(window.dialog.Results()[0], nullptr) << "a cancelled page stays in the results";
        // Only a converted row opens its page.
        window.dialog.OnListDoubleClick();
        EXPECT_EQ(window.shell.opened.size(), c.status == "変換済み" ? 1u : 0u);
    }
}

TEST_F(ConversionRunTest, NothingStartsAnotherRunOrChangesTheListDuringARun)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteInkPage("b.ink", u8"type い\n");
    MainWindow window;
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink")});
    bool setupOpened = false;
    window.setupRunner.during = [&] { setupOpened = true; };
    window.saveDialog.during = [&] {
        // What the window's messages could bring while a save dialog is open.
        window.dialog.OnConvert();
        window.dialog.OnDropFiles({Here("c.ink")});
        window.Select(0);
        window.dialog.OnRemoveSelected();
        window.dialog.OnKeyboardSetup();
    };
    window.saveDialog.answers = {Here("a.html"), Here("b.html")};
    window.dialog.OnConvert();

    EXPECT_EQ(window.saveDialog.requests.size(), 2u);
    EXPECT_EQ(window.Column(0), (Texts{Here("a.ink"), Here("b.ink")}));
    EXPECT_EQ(window.Column(1), Texts(2, "変換済み"));
    EXPECT_EQ(window.dialog.Results().size(), 2u);
    EXPECT_FALSE(setupOpened);
    EXPECT_EQ(window.messages, Texts{kRunFinished});

    // Once the run is over, the window answers again.
    window.saveDialog.during = nullptr;
    window.dialog.OnDropFiles({Here("c.ink")});
    window.dialog.OnKeyboardSetup();
    EXPECT_EQ(window.list.RowCount(), 3);
    EXPECT_TRUE(setupOpened);
}

TEST_F(ConversionRunTest, CurrentDirectoryIsRestoredAfterEveryRow)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteInkPage("b.ink", u8"type い\n");
    fs::create_directory("chosen");
    MainWindow window;
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink")});

    Texts seenByDialog;
    window.saveDialog.during = [&] {
        seenByDialog.push_back(fs::current_path().string());
        fs::current_path(dir_ / "chosen");
    };
    window.saveDialog.answers = {Here("a.html"), std::nullopt};
    window.dialog.OnConvert();

    EXPECT_EQ(seenByDialog, Texts(2, dir_.string()));
    EXPECT_EQ(fs::current_path(), dir_);
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
    EXPECT_EQ(window.dialog.Keyboard().MeasuredMarks(), printed) << "the window's keyboard is not read again";

    // The next run starts from the window's keyboard.
    window.Select(1, false);
    window.dialog.OnRemoveSelected();
    window.dialog.OnConvert();
    ASSERT_EQ(window.dialog.Results().size(), 1u);
    EXPECT_EQ(window.dialog.Results()[0]->Keyboard().MeasuredMarks(), printed);
}

// A run that keeps no page (marovi-convert's) still hands each calibration
// on, past a row that could not be read.
TEST_F(ConversionRunTest, RunKeepingNoPageStillCarriesCalibrationOn)
{
    WriteInkPage("1-calibrated.ink", u8"sheet shift 1.5mm 1mm rotate 1.2\ncalibrate\ntype あ\n");
    WriteInkPage("3-plain.ink", u8"type い\n");
    MainWindow window;
    const CKeyboardDef::Marks printed = window.dialog.Keyboard().MeasuredMarks();
    window.dialog.SetKeepRunPages(false);
    window.dialog.OnDropFiles({Here("1-calibrated.ink"), Here("2-missing.ink"), Here("3-plain.ink")});
    window.saveDialog.answers = {Here("1.html"), Here("3.html")};
    window.dialog.OnConvert();

    EXPECT_TRUE(window.dialog.Results().empty());
    EXPECT_EQ(window.Column(1), (Texts{"変換済み", "不正ファイル", "変換済み"}));
    ASSERT_EQ(window.writtenMarks.size(), 2u);
    EXPECT_NE(window.writtenMarks[0], printed);
    EXPECT_EQ(window.writtenMarks[1], window.writtenMarks[0]);
}

TEST_F(ConversionRunTest, PagesAreWrittenWhereTheDialogSays)
{
    WriteInkPage("a.ink", u8"type あ\n");
    WriteInkPage("b.ink", u8"type い\n");
    MainWindow window(Writer::Html);
    window.dialog.OnDropFiles({Here("a.ink"), Here("b.ink")});
    window.saveDialog.answers = {Here("a.html"), Here("no-such-folder/b.html")};
    window.dialog.OnConvert();

    EXPECT_EQ(window.Column(1), (Texts{"変換済み", "変換エラー"}));
    EXPECT_EQ(window.Column(2), (Texts{Here("a.html"), ""}));
    // A failure is told once, and the run does not close saying all was made.
    EXPECT_EQ(window.messages, (Texts{"出力するHTMLファイルのOPENに失敗しました"}));
    std::string firstLine;
    std::getline(std::ifstream("a.html", std::ios::binary), firstLine);
    EXPECT_EQ(firstLine, "<html>\r");
    EXPECT_TRUE(fs::is_directory("a.files"));
}

bool NoLeadBytes(unsigned char) { return false; }

TEST(InkBaseNameTest, CutsFolderAndExtension)
{
    const std::string hyo = "表";  // Shift_JIS 95 5C: its second byte is a backslash
    ASSERT_EQ(hyo, "\x95\\");
    const std::string e = "\xE9";  // é in code page 1252, a lead byte in Shift_JIS
    const auto shiftJis = &IsShiftJisLeadByte;
    const struct {
        std::string path;
        char separator;
        bool (*leadByte)(unsigned char);
        std::string base;
    } cases[] = {
        {"/ink/memo.ink", '/', NoLeadBytes, "memo"},
        {"/ink/a.b.c", '/', NoLeadBytes, "a.b"},
        {"/ink.d/plain", '/', NoLeadBytes, "plain"},
        {"/ink.d/", '/', NoLeadBytes, ""},
        {"/ink/.hidden", '/', NoLeadBytes, ""},
        {"memo.ink", '/', NoLeadBytes, "memo"},
        {"dir\\memo.ink", '/', NoLeadBytes, "dir\\memo"},
        {"C:\\ink.d\\memo.ink", '\\', shiftJis, "memo"},
        {"C:\\ink/a.b.c", '\\', shiftJis, "a.b"},
        {"C:\\" + hyo + "\\" + hyo + ".ink", '\\', shiftJis, hyo},
        {"C:\\ink\\" + hyo, '\\', shiftJis, hyo},
        {"C:\\d" + e + "\\Jos" + e + ".ink", '\\', NoLeadBytes, "Jos" + e},
        {"C:\\d" + e + "\\memo.ink", '\\', NoLeadBytes, "memo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InkBaseName(c.path, c.separator, c.leadByte), c.base) << c.path;
}

}  // namespace
