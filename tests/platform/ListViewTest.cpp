#include "platform/InMemoryListView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Labels(const IListView& list)
{
    std::vector<std::string> labels;
    for (int row = 0; row < list.RowCount(); ++row)
        labels.push_back(list.GetItemText(row, 0));
    return labels;
}

}  // namespace

TEST(InMemoryListView, SortedListPlacesRowsByLabelAndKeepsEqualLabelsInOrder)
{
    CInMemoryListView list;
    list.SetSorted(true);
    list.InsertColumn(0, "ファイル名", 300);
    list.InsertColumn(1, "処理状況", 90);
    list.InsertColumn(2, "", 0);
    const std::string hint = std::string(24, ' ') + "ここへドラッグ＆ドロップしてください。";
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list.InsertRow(i, ""), i);
    EXPECT_EQ(list.InsertRow(6, hint), 6);
    EXPECT_EQ(Labels(list).back(), hint);

    list.DeleteAllRows();
    EXPECT_EQ(list.InsertRow(0, "c:\\b.ink"), 0);
    EXPECT_EQ(list.InsertRow(0, "c:\\c.ink"), 1);
    EXPECT_EQ(list.InsertRow(0, "c:\\a.ink"), 0);
    EXPECT_EQ(list.InsertRow(0, "c:\\b.ink"), 2);
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"c:\\a.ink", "c:\\b.ink", "c:\\b.ink", "c:\\c.ink"}));
}

TEST(InMemoryListView, UnsortedListInsertsAtPositionAndClampsToTheEnd)
{
    CInMemoryListView list;
    EXPECT_EQ(list.InsertRow(0, "b"), 0);
    EXPECT_EQ(list.InsertRow(0, "a"), 0);
    EXPECT_EQ(list.InsertRow(99, "z"), 2);
    EXPECT_EQ(list.InsertRow(-1, "x"), -1);
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"a", "b", "z"}));
}

TEST(InMemoryListView, TextsOfExistingRowsAndColumnsOnly)
{
    CInMemoryListView list;
    for (int c = 0; c < 9; ++c)
        list.InsertColumn(c, "col", 68);
    ASSERT_EQ(list.InsertRow(0, "label"), 0);
    list.SetItemText(0, 8, "eight");
    EXPECT_EQ(list.GetItemText(0, 8), "eight");
    EXPECT_EQ(list.GetItemText(0, 4), "");
    list.SetItemText(0, 0, "relabelled");
    EXPECT_EQ(list.GetItemText(0, 0), "relabelled");
    list.SetItemText(0, 9, "no column");
    list.SetItemText(1, 0, "no row");
    EXPECT_EQ(list.GetItemText(0, 9), "");
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_FALSE(list.DeleteRow(1));
    EXPECT_TRUE(list.DeleteRow(0));
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(InMemoryListView, SelectionWalkFocusAndSingleSelection)
{
    CInMemoryListView list;
    for (int i = 0; i < 5; ++i)
        list.InsertRow(i, std::to_string(i));
    const unsigned both = IListView::kSelected | IListView::kFocused;
    EXPECT_EQ(list.NextSelected(-1), -1);
    list.SetItemState(1, both, both);
    list.SetItemState(3, both, both);
    EXPECT_EQ(list.SelectedCount(), 2);
    EXPECT_EQ(list.NextSelected(-1), 1);
    EXPECT_EQ(list.NextSelected(1), 3);
    EXPECT_EQ(list.NextSelected(3), -1);
    // Focus moves; selection accumulates.
    EXPECT_EQ(list.GetItemState(1, both), IListView::kSelected);
    EXPECT_EQ(list.GetItemState(3, both), both);
    list.SetItemState(3, 0, IListView::kSelected);
    EXPECT_EQ(list.GetItemState(3, both), IListView::kFocused);

    // Removing from the highest selected index down keeps the others valid.
    list.SetItemState(4, IListView::kSelected, IListView::kSelected);
    std::vector<int> selected;
    for (int row = list.NextSelected(-1); row != -1; row = list.NextSelected(row))
        selected.push_back(row);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        list.DeleteRow(*it);
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"0", "2", "3"}));

    list.SetSingleSelection(true);
    list.SetItemState(0, IListView::kSelected, IListView::kSelected);
    list.SetItemState(2, IListView::kSelected, IListView::kSelected);
    EXPECT_EQ(list.SelectedCount(), 1);
    EXPECT_EQ(list.NextSelected(-1), 2);
}
