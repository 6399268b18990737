#pragma once

#include "platform/Controls.h"
#include "platform/ListView.h"
#include "platform/Shell.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The platform interfaces bound to real Windows controls. Each adapter holds
// the window handle of a control that its dialog owns; the adapter must not
// outlive the dialog window. Texts cross to UTF-16 through WideText.

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

// A bitmap resource of the program's executable; empty if there is none.
BitmapHandle LoadBitmapResource(int bitmapId);

// A push button. Giving it a picture turns it into a picture button: the
// picture then replaces the caption, whose words it shows. Without a picture
// the caption stays readable.
class CWin32Button : public IButton {
public:
    explicit CWin32Button(HWND button) : button_(button) {}
    void Enable(bool enabled) override;
    bool IsEnabled() const override;
    void SetImage(int bitmapId) override;

private:
    HWND button_;
    BitmapHandle image_;  // the button shows it but does not own it
};

class CWin32EditField : public IEditField {
public:
    explicit CWin32EditField(HWND edit) : edit_(edit) {}
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void Enable(bool enabled) override;
    bool IsEnabled() const override;
    void Select() override;

private:
    HWND edit_;
};

// A static control with the SS_BITMAP style.
class CWin32Picture : public IPicture {
public:
    explicit CWin32Picture(HWND picture) : picture_(picture) {}
    void SetImage(int bitmapId) override;

private:
    HWND picture_;
    BitmapHandle image_;
};

class CWin32WindowFrame : public IWindowFrame {
public:
    explicit CWin32WindowFrame(HWND window) : window_(window) {}
    void SetCaption(const std::string& caption) override;
    void SetIcon(int iconId) override;

private:
    HWND window_;
};

// A list-view control in report view.
class CWin32ListView : public IListView {
public:
    explicit CWin32ListView(HWND list) : list_(list) {}

    void InsertColumn(int index, const std::string& title, int width) override;
    void SetCellTexts(int column, CellTexts texts) override;
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

    void SetSorted(bool sorted) override;
    void SetSingleSelection(bool single) override;
    void SetFullRowSelect(bool fullRow) override;

    HWND Handle() const { return list_; }

private:
    bool HasCell(int row, int column) const;
    int ColumnCount() const;
    void SetStyleBit(LONG_PTR bit, bool on);
    bool HoldsPaths(int column) const;
    std::wstring ToCell(int column, const std::string& text) const;
    std::string FromCell(int column, std::wstring_view text) const;

    HWND list_;
    std::vector<bool> pathColumns_;  // by column; columns past its end hold Shift_JIS
};

// Paths are in the system's ANSI code page, as the narrow file functions
// take them, so they go to the shell unconverted.
class CWin32Shell : public IShell {
public:
    explicit CWin32Shell(HWND owner) : owner_(owner) {}
    void Open(const std::string& path) override;

private:
    HWND owner_;
};
