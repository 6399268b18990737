#pragma once

#include "platform/ListView.h"

#include <string>
#include <vector>

// A list view that only keeps its rows. Sorting compares labels byte by byte;
// rows with equal labels keep their insertion order.
class CInMemoryListView : public IListView {
public:
    struct Column {
        std::string title;
        int width;
    };

    void InsertColumn(int index, const std::string& title, int width) override;
    // Every text is kept as its bytes.
    void SetCellTexts(int, CellTexts) override {}
    int InsertRow(int position, const std::string& label) override;
    bool DeleteRow(int row) override;
    void DeleteAllRows() override;
    int RowCount() const override;

    std::string GetItemText(int row, int column) const override;
    void SetItemText(int row, int column, const std::string& text) override;

    unsigned GetItemState(int row, unsigned mask) const override;
    void SetItemState(int row, unsigned state, unsigned mask) override;

    int NextSelected(int start) const override;
    int SelectedCount() const override;

    void SetSorted(bool sorted) override { sorted_ = sorted; }
    void SetSingleSelection(bool single) override { singleSelection_ = single; }
    void SetFullRowSelect(bool fullRow) override { fullRowSelect_ = fullRow; }

    const std::vector<Column>& Columns() const { return columns_; }
    bool IsSorted() const { return sorted_; }
    bool IsSingleSelection() const { return singleSelection_; }
    bool IsFullRowSelect() const { return fullRowSelect_; }

private:
    struct Row {
        std::vector<std::string> texts;  // texts[0] is the label; grown on demand
        unsigned state = 0;
    };

    bool HasRow(int row) const;

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    bool sorted_ = false;
    bool singleSelection_ = false;
    bool fullRowSelect_ = false;
};
