#include "platform/win32/Win32Controls.h"

#include "platform/win32/WideText.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace {

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

std::wstring WindowTextOf(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// Windows keeps the item and column structures' text pointers non-const.
LPWSTR MutableText(std::wstring& text) { return text.data(); }

UINT ToControlState(unsigned bits)
{
    UINT state = 0;
    if (bits & IListView::kSelected)
        state |= LVIS_SELECTED;
    if (bits & IListView::kFocused)
        state |= LVIS_FOCUSED;
    return state;
}

unsigned FromControlState(UINT state)
{
    unsigned bits = 0;
    if (state & LVIS_SELECTED)
        bits |= IListView::kSelected;
    if (state & LVIS_FOCUSED)
        bits |= IListView::kFocused;
    return bits;
}

}  // namespace

BitmapHandle LoadBitmapResource(int bitmapId)
{
    HANDLE image = LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    return BitmapHandle(static_cast<HBITMAP>(image));
}

void CWin32Button::Enable(bool enabled) { EnableWindow(button_, enabled ? TRUE : FALSE); }

bool CWin32Button::IsEnabled() const { return IsWindowEnabled(button_) != FALSE; }

void CWin32Button::SetImage(int bitmapId)
{
    BitmapHandle image = LoadBitmapResource(bitmapId);
    if (!image)
        return;
    const LONG_PTR style = GetWindowLongPtrW(button_, GWL_STYLE);
    SetWindowLongPtrW(button_, GWL_STYLE, style | BS_BITMAP);
    SendMessageW(button_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
    image_ = std::move(image);
    InvalidateRect(button_, nullptr, TRUE);
}

std::string CWin32EditField::GetText() const { return WideToSjis(WindowTextOf(edit_)); }

void CWin32EditField::SetText(const std::string& text) { SetWindowTextW(edit_, SjisToWide(text).c_str()); }

void CWin32EditField::Enable(bool enabled) { EnableWindow(edit_, enabled ? TRUE : FALSE); }

bool CWin32EditField::IsEnabled() const { return IsWindowEnabled(edit_) != FALSE; }

void CWin32EditField::Select()
{
    // Through the dialog, which keeps its own record of the focused control
    // (and selects an edit field's text as it moves the focus there).
    HWND dialog = GetParent(edit_);
    if (dialog)
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit_), TRUE);
    else
        SetFocus(edit_);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
}

void CWin32Picture::SetImage(int bitmapId)
{
    BitmapHandle image = LoadBitmapResource(bitmapId);
    if (!image)
        return;
    // The control hands back the picture it showed before. That is ours, or
    // a copy the control made of it (it copies pictures with an alpha
    // channel), which nobody else would free.
    const auto previous = reinterpret_cast<HBITMAP>(
        SendMessageW(picture_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get())));
    if (previous && previous != image_.get())
        DeleteObject(previous);
    image_ = std::move(image);
}

void CWin32WindowFrame::SetCaption(const std::string& caption)
{
    SetWindowTextW(window_, SjisToWide(caption).c_str());
}

void CWin32WindowFrame::SetIcon(int iconId)
{
    // Shared icons live as long as the process; nothing has to free them.
    const auto load = [iconId](int widthMetric, int heightMetric) {
        return LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, GetSystemMetrics(widthMetric),
                          GetSystemMetrics(heightMetric), LR_SHARED);
    };
    if (HANDLE big = load(SM_CXICON, SM_CYICON))
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HANDLE small = load(SM_CXSMICON, SM_CYSMICON))
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void CWin32ListView::InsertColumn(int index, const std::string& title, int width)
{
    std::wstring text = SjisToWide(title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = MutableText(text);
    column.iSubItem = index;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void CWin32ListView::SetCellTexts(int column, CellTexts texts)
{
    if (column < 0)
        return;
    const auto index = static_cast<std::size_t>(column);
    if (index >= pathColumns_.size())
        pathColumns_.resize(index + 1, false);
    pathColumns_[index] = texts == CellTexts::Paths;
}

bool CWin32ListView::HoldsPaths(int column) const
{
    const auto index = static_cast<std::size_t>(column);
    return column >= 0 && index < pathColumns_.size() && pathColumns_[index];
}

std::wstring CWin32ListView::ToCell(int column, const std::string& text) const
{
    return HoldsPaths(column) ? AnsiToWide(text) : SjisToWide(text);
}

std::string CWin32ListView::FromCell(int column, std::wstring_view text) const
{
    return HoldsPaths(column) ? WideToAnsi(text) : WideToSjis(text);
}

int CWin32ListView::InsertRow(int position, const std::string& label)
{
    std::wstring text = ToCell(0, label);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = position < 0 ? 0 : position;
    item.pszText = MutableText(text);
    return static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CWin32ListView::DeleteRow(int row)
{
    if (row < 0 || row >= RowCount())
        return false;
    return SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != FALSE;
}

void CWin32ListView::DeleteAllRows() { SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0); }

int CWin32ListView::RowCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

int CWin32ListView::ColumnCount() const
{
    const auto header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

bool CWin32ListView::HasCell(int row, int column) const
{
    // Column 0, the label, exists even before any column is inserted.
    return row >= 0 && row < RowCount() && column >= 0 && (column == 0 || column < ColumnCount());
}

std::string CWin32ListView::GetItemText(int row, int column) const
{
    if (!HasCell(row, column))
        return {};
    // The control copies at most the buffer and says how much it copied; a
    // text that fills the buffer may have been cut, so the buffer grows.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<std::size_t>(
            SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size())
            return FromCell(column, std::wstring_view(buffer.data(), copied));
        buffer.resize(buffer.size() * 2);
    }
}

void CWin32ListView::SetItemText(int row, int column, const std::string& text)
{
    if (!HasCell(row, column))
        return;
    std::wstring wide = ToCell(column, text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = MutableText(wide);
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

unsigned CWin32ListView::GetItemState(int row, unsigned mask) const
{
    if (row < 0 || row >= RowCount())
        return 0;
    const auto state = static_cast<UINT>(
        SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), static_cast<LPARAM>(ToControlState(mask))));
    return FromControlState(state) & mask;
}

void CWin32ListView::SetItemState(int row, unsigned state, unsigned mask)
{
    if (row < 0 || row >= RowCount())
        return;
    LVITEMW item{};
    item.stateMask = ToControlState(mask);
    item.state = ToControlState(state & mask);
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int CWin32ListView::NextSelected(int start) const
{
    return static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(LVNI_SELECTED, 0)));
}

int CWin32ListView::SelectedCount() const
{
    return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void CWin32ListView::SetStyleBit(LONG_PTR bit, bool on)
{
    const LONG_PTR style = GetWindowLongPtrW(list_, GWL_STYLE);
    SetWindowLongPtrW(list_, GWL_STYLE, on ? (style | bit) : (style & ~bit));
}

void CWin32ListView::SetSorted(bool sorted) { SetStyleBit(LVS_SORTASCENDING, sorted); }

void CWin32ListView::SetSingleSelection(bool single) { SetStyleBit(LVS_SINGLESEL, single); }

void CWin32ListView::SetFullRowSelect(bool fullRow)
{
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, fullRow ? LVS_EX_FULLROWSELECT : 0);
}

void CWin32Shell::Open(const std::string& path)
{
    // The shell reports a missing document or viewer itself, or not at all.
    static_cast<void>(ShellExecuteA(owner_, "open", path.c_str(), nullptr, nullptr, SW_SHOW));
}
