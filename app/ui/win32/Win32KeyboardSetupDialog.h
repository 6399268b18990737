#pragma once

#include "Win32Dialog.h"
#include "Win32KeyEditDialog.h"

#include <memory>
#include <vector>

// The Keyboard Setup window (template 138): the nine texts of every key in a
// list of 150 rows, the column pictures above it, and the edit, reset, save
// and cancel buttons.
class CWin32KeyboardSetupDialog : public CWin32Dialog {
public:
    static constexpr int kRows = 150;

    CWin32KeyboardSetupDialog();
    ~CWin32KeyboardSetupDialog() override;

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

    // The list shows the keys through these two, and nothing else writes it.
    void FillKeyList();
    void RefreshKeyRow(int row);
    void EditSelectedKey();

    // The working copy of the key texts and their locks, one entry per row.
    std::vector<CWin32KeyEditDialog::SlotTexts> keys_;
    std::vector<CWin32KeyEditDialog::LockFlags> locks_;
    std::unique_ptr<Controls> controls_;
};
