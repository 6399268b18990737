#pragma once

#include <string>

// A report-style list control: rows of texts in columns, column 0 being the
// row's label. The Win32 front end binds it to a list-view control; tests and
// the command line use CInMemoryListView. Texts are Shift_JIS. Rows and
// columns are counted from 0; an operation on a row or column that does not
// exist changes nothing (and reports false, -1 or an empty text where it
// returns something).
class IListView {
public:
    // State bits of a row, as a control reports them.
    static constexpr unsigned kSelected = 1u << 0;
    static constexpr unsigned kFocused = 1u << 1;

    virtual ~IListView() = default;

    // What the texts of a column's cells are: Shift_JIS like every text of
    // the program, or paths in the platform's narrow path encoding (on
    // Windows the ANSI code page, which is Shift_JIS only on a Japanese
    // system). A column holds Shift_JIS until it is told otherwise; the
    // setting applies to texts set and read from then on.
    enum class CellTexts { ShiftJis, Paths };

    virtual void InsertColumn(int index, const std::string& title, int width) = 0;
    virtual void SetCellTexts(int column, CellTexts texts) = 0;

    // Inserts a row whose label is `label` and whose other columns are empty,
    // and returns the index it received, or -1. A sorted list places the row
    // by its label, whatever `position` asks for; an unsorted one at
    // `position`, or at the end when `position` lies past it.
    virtual int InsertRow(int position, const std::string& label) = 0;
    virtual bool DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
    virtual int RowCount() const = 0;

    virtual std::string GetItemText(int row, int column) const = 0;
    virtual void SetItemText(int row, int column, const std::string& text) = 0;

    // The bits of `mask` that are set in the row's state.
    virtual unsigned GetItemState(int row, unsigned mask) const = 0;
    // Sets the bits of `mask` to those of `state`. Only one row has the focus:
    // focusing a row takes it from any other.
    virtual void SetItemState(int row, unsigned state, unsigned mask) = 0;

    // The first selected row after `start`; -1 starts at row 0. -1 when none.
    virtual int NextSelected(int start) const = 0;
    virtual int SelectedCount() const = 0;

    // Sorted ascending by label; set before rows are inserted.
    virtual void SetSorted(bool sorted) = 0;
    // At most one row selected: selecting a row deselects the others.
    virtual void SetSingleSelection(bool single) = 0;
    // Clicking anywhere in a row selects it (a display matter only).
    virtual void SetFullRowSelect(bool fullRow) = 0;
};
