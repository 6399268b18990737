#include "platform/win32/Win32Controls.h"

#include "WindowScript.h"

#include "platform/win32/WideText.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A hidden top-level window holding one control of the given class.
class ControlHost {
public:
    ControlHost(const wchar_t* controlClass, DWORD style, const wchar_t* text = L"")
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&init);
        parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        control_ = CreateWindowExW(0, controlClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 200, parent_,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ControlHost() { DestroyWindow(parent_); }
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HWND Parent() const { return parent_; }
    HWND Control() const { return control_; }

private:
    HWND parent_ = nullptr;
    HWND control_ = nullptr;
};

class Win32ListViewTest : public ::testing::Test {
protected:
    Win32ListViewTest() : host_(WC_LISTVIEWW, LVS_REPORT), list_(host_.Control())
    {
        list_.InsertColumn(0, "ファイル名", 300);
        list_.InsertColumn(1, "処理状況", 90);
        list_.InsertColumn(2, "", 0);
    }

    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (int row = 0; row < list_.RowCount(); ++row)
            labels.push_back(list_.GetItemText(row, 0));
        return labels;
    }

    ControlHost host_;
    CWin32ListView list_;
};

}  // namespace

TEST_F(Win32ListViewTest, SortedListPlacesRowsByLabel)
{
    ASSERT_NE(host_.Control(), nullptr);
    list_.SetSorted(true);
    EXPECT_EQ(list_.InsertRow(0, "c:\\ink\\b.ink"), 0);
    EXPECT_EQ(list_.InsertRow(0, "c:\\ink\\c.ink"), 1);
    EXPECT_EQ(list_.InsertRow(0, "c:\\ink\\a.ink"), 0);
    EXPECT_EQ(list_.InsertRow(0, ""), 0);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"", "c:\\ink\\a.ink", "c:\\ink\\b.ink", "c:\\ink\\c.ink"}));
}

TEST_F(Win32ListViewTest, UnsortedListInsertsAtPosition)
{
    EXPECT_EQ(list_.InsertRow(0, "x"), 0);
    EXPECT_EQ(list_.InsertRow(0, "y"), 0);
    EXPECT_EQ(list_.InsertRow(7, "z"), 2);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"y", "x", "z"}));
}

TEST_F(Win32ListViewTest, TextsOfEveryLengthComeBackUnchanged)
{
    const std::string longText = [] {
        std::string text;
        for (int i = 0; i < 300; ++i)
            text += "変換済み";
        return text;
    }();
    const std::string texts[] = {"", "未変換", std::string(255, 'a'), std::string(256, 'b'), longText};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.size());
        list_.DeleteAllRows();
        const int row = list_.InsertRow(0, text);
        ASSERT_EQ(row, 0);
        list_.SetItemText(row, 1, text);
        list_.SetItemText(row, 2, text);
        EXPECT_EQ(list_.GetItemText(row, 0), text);
        EXPECT_EQ(list_.GetItemText(row, 1), text);
        EXPECT_EQ(list_.GetItemText(row, 2), text);
    }
}

TEST_F(Win32ListViewTest, PathCellsGoThroughTheAnsiCodePage)
{
    // The path as the system hands it out, and the same bytes as a Shift_JIS
    // text would show on a Western system.
    const std::wstring name = L"C:\\d\\" + AnsiCodePageName() + L".ink";
    const std::string path = WideToAnsi(name);
    list_.SetCellTexts(0, IListView::CellTexts::Paths);
    list_.SetCellTexts(2, IListView::CellTexts::Paths);
    const int row = list_.InsertRow(0, path);
    list_.SetItemText(row, 1, "変換済み");
    list_.SetItemText(row, 2, path);
    EXPECT_EQ(ListText(host_.Control(), row, 0), name);
    EXPECT_EQ(ListText(host_.Control(), row, 1), L"変換済み");
    EXPECT_EQ(ListText(host_.Control(), row, 2), name);
    EXPECT_EQ(list_.GetItemText(row, 0), path);
    EXPECT_EQ(list_.GetItemText(row, 2), path);

    // Told back, the column holds the program's Shift_JIS texts again.
    list_.SetCellTexts(0, IListView::CellTexts::ShiftJis);
    const int hint = list_.InsertRow(1, "ここへドラッグ");
    EXPECT_EQ(ListText(host_.Control(), hint, 0), L"ここへドラッグ");
    EXPECT_EQ(list_.GetItemText(hint, 0), "ここへドラッグ");
}

TEST_F(Win32ListViewTest, MissingRowsAndColumnsChangeNothing)
{
    list_.InsertRow(0, "only");
    list_.SetItemText(0, 3, "beyond the columns");
    list_.SetItemText(1, 1, "beyond the rows");
    list_.SetItemState(1, IListView::kSelected, IListView::kSelected);
    EXPECT_EQ(list_.GetItemText(0, 3), "");
    EXPECT_EQ(list_.GetItemText(1, 0), "");
    EXPECT_EQ(list_.GetItemText(-1, 0), "");
    EXPECT_EQ(list_.GetItemState(1, IListView::kSelected), 0u);
    EXPECT_FALSE(list_.DeleteRow(1));
    EXPECT_FALSE(list_.DeleteRow(-1));
    EXPECT_EQ(list_.SelectedCount(), 0);
    EXPECT_EQ(list_.RowCount(), 1);
    EXPECT_TRUE(list_.DeleteRow(0));
    EXPECT_EQ(list_.RowCount(), 0);
}

TEST_F(Win32ListViewTest, SelectionAndFocus)
{
    for (int row = 0; row < 4; ++row)
        list_.InsertRow(row, std::string(1, static_cast<char>('a' + row)));
    const unsigned both = IListView::kSelected | IListView::kFocused;
    list_.SetItemState(1, both, both);
    list_.SetItemState(3, IListView::kSelected, IListView::kSelected);

    EXPECT_EQ(list_.SelectedCount(), 2);
    EXPECT_EQ(list_.NextSelected(-1), 1);
    EXPECT_EQ(list_.NextSelected(1), 3);
    EXPECT_EQ(list_.NextSelected(3), -1);
    EXPECT_EQ(list_.GetItemState(1, both), both);
    EXPECT_EQ(list_.GetItemState(3, both), IListView::kSelected);

    list_.SetItemState(3, IListView::kFocused, IListView::kFocused);
    EXPECT_EQ(list_.GetItemState(1, both), IListView::kSelected);
    EXPECT_EQ(list_.GetItemState(3, both), both);

    list_.SetItemState(1, 0, IListView::kSelected);
    EXPECT_EQ(list_.SelectedCount(), 1);
    EXPECT_EQ(list_.NextSelected(-1), 3);
}

TEST_F(Win32ListViewTest, SingleSelectionKeepsOneRow)
{
    list_.SetSingleSelection(true);
    list_.InsertRow(0, "a");
    list_.InsertRow(1, "b");
    list_.SetItemState(0, IListView::kSelected, IListView::kSelected);
    list_.SetItemState(1, IListView::kSelected, IListView::kSelected);
    EXPECT_EQ(list_.SelectedCount(), 1);
    EXPECT_EQ(list_.NextSelected(-1), 1);
}

TEST_F(Win32ListViewTest, FullRowSelectIsAnExtendedStyle)
{
    list_.SetFullRowSelect(true);
    EXPECT_TRUE(SendMessageW(host_.Control(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    list_.SetFullRowSelect(false);
    EXPECT_FALSE(SendMessageW(host_.Control(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
}

TEST(Win32Button, PictureReplacesCaptionOnlyWhenItExists)
{
    ControlHost host(L"BUTTON", BS_PUSHBUTTON, L"終了");
    CWin32Button button(host.Control());

    button.SetImage(9999);  // no such bitmap: the caption stays
    EXPECT_FALSE(GetWindowLongPtrW(host.Control(), GWL_STYLE) & BS_BITMAP);
    EXPECT_EQ(SendMessageW(host.Control(), BM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    button.SetImage(IDB_EXIT);
    EXPECT_TRUE(GetWindowLongPtrW(host.Control(), GWL_STYLE) & BS_BITMAP);
    const auto image = reinterpret_cast<HBITMAP>(SendMessageW(host.Control(), BM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(image, nullptr);
    BITMAP info{};
    ASSERT_NE(GetObjectW(image, sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 140);
    EXPECT_EQ(info.bmHeight, 34);

    EXPECT_TRUE(button.IsEnabled());
    button.Enable(false);
    EXPECT_FALSE(button.IsEnabled());
}

TEST(Win32Picture, ShowsTheBitmapResource)
{
    const struct {
        int id;
        LONG width;
        LONG height;
    } pictures[] = {{IDB_GESTURE_TAP, 26, 30}, {IDB_GESTURE_UP, 24, 26}, {IDB_COLUMN_FIRST, 69, 33},
                    {IDB_MODE_HALFWIDTH, 162, 26}};
    ControlHost host(L"STATIC", SS_BITMAP);
    CWin32Picture picture(host.Control());
    for (const auto& expected : pictures) {
        SCOPED_TRACE(expected.id);
        picture.SetImage(expected.id);
        const auto image = reinterpret_cast<HBITMAP>(SendMessageW(host.Control(), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(image, nullptr);
        BITMAP info{};
        ASSERT_NE(GetObjectW(image, sizeof(info), &info), 0);
        EXPECT_EQ(info.bmWidth, expected.width);
        EXPECT_EQ(info.bmHeight, expected.height);
    }
}

TEST(Win32EditField, TextAndState)
{
    ControlHost host(L"EDIT", ES_AUTOHSCROLL);
    CWin32EditField field(host.Control());
    const std::string texts[] = {"", "あ", "\"quoted\",comma", std::string(2000, 'x')};
    for (const std::string& text : texts) {
        field.SetText(text);
        EXPECT_EQ(field.GetText(), text);
    }
    field.Enable(false);
    EXPECT_FALSE(field.IsEnabled());
    field.SetText("無効でも読める");
    EXPECT_EQ(field.GetText(), "無効でも読める");
}

TEST(Win32WindowFrame, CaptionAndIcons)
{
    ControlHost host(L"STATIC", 0);
    CWin32WindowFrame frame(host.Parent());
    frame.SetCaption("編集");
    wchar_t caption[16] = {};
    GetWindowTextW(host.Parent(), caption, 16);
    EXPECT_EQ(std::wstring(caption), L"編集");

    frame.SetIcon(IDR_MAINFRAME);
    EXPECT_NE(SendMessageW(host.Parent(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(host.Parent(), WM_GETICON, ICON_SMALL, 0), 0);
}
