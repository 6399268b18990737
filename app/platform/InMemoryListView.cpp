#include "platform/InMemoryListView.h"

#include <algorithm>
#include <cstddef>

void CInMemoryListView::InsertColumn(int index, const std::string& title, int width)
{
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(columns_.size())));
    columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at), Column{title, width});
}

int CInMemoryListView::InsertRow(int position, const std::string& label)
{
    if (position < 0)
        return -1;
    std::vector<Row>::iterator at;
    if (sorted_) {
        at = std::upper_bound(rows_.begin(), rows_.end(), label,
                              [](const std::string& key, const Row& row) { return key < row.texts[0]; });
    } else {
        at = rows_.begin() + std::min(static_cast<std::ptrdiff_t>(position), static_cast<std::ptrdiff_t>(rows_.size()));
    }
    Row row;
    row.texts.push_back(label);
    const auto inserted = rows_.insert(at, std::move(row));
    return static_cast<int>(inserted - rows_.begin());
}

bool CInMemoryListView::DeleteRow(int row)
{
    if (!HasRow(row))
        return false;
    rows_.erase(rows_.begin() + row);
    return true;
}

void CInMemoryListView::DeleteAllRows()
{
    rows_.clear();
}

int CInMemoryListView::RowCount() const
{
    return static_cast<int>(rows_.size());
}

std::string CInMemoryListView::GetItemText(int row, int column) const
{
    if (!HasRow(row) || column < 0)
        return {};
    const auto& texts = rows_[static_cast<std::size_t>(row)].texts;
    const auto at = static_cast<std::size_t>(column);
    return at < texts.size() ? texts[at] : std::string();
}

void CInMemoryListView::SetItemText(int row, int column, const std::string& text)
{
    // Column 0 (the label) exists even in a list without columns.
    if (!HasRow(row) || column < 0 || (column > 0 && static_cast<std::size_t>(column) >= columns_.size()))
        return;
    auto& texts = rows_[static_cast<std::size_t>(row)].texts;
    const auto at = static_cast<std::size_t>(column);
    if (texts.size() <= at)
        texts.resize(at + 1);
    texts[at] = text;
}

unsigned CInMemoryListView::GetItemState(int row, unsigned mask) const
{
    return HasRow(row) ? rows_[static_cast<std::size_t>(row)].state & mask : 0u;
}

void CInMemoryListView::SetItemState(int row, unsigned state, unsigned mask)
{
    if (!HasRow(row))
        return;
    const unsigned set = state & mask;
    unsigned exclusive = set & kFocused;
    if (singleSelection_)
        exclusive |= set & kSelected;
    if (exclusive != 0) {
        for (Row& other : rows_)
            other.state &= ~exclusive;
    }
    Row& target = rows_[static_cast<std::size_t>(row)];
    target.state = (target.state & ~mask) | set;
}

int CInMemoryListView::NextSelected(int start) const
{
    for (int row = std::max(start + 1, 0); row < RowCount(); ++row) {
        if (rows_[static_cast<std::size_t>(row)].state & kSelected)
            return row;
    }
    return -1;
}

int CInMemoryListView::SelectedCount() const
{
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& row) { return (row.state & kSelected) != 0; }));
}

bool CInMemoryListView::HasRow(int row) const
{
    return row >= 0 && row < RowCount();
}
