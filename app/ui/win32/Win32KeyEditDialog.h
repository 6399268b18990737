#pragma once

#include "Win32Dialog.h"

#include "platform/win32/Win32Controls.h"

#include <array>
#include <memory>
#include <string>

// The key edit window (template 142): the nine texts of one key in a grid of
// fields, one column per input mode and one row per gesture. Slot k is field
// IDC_SLOT_FIRST + k; a slot whose lock flag is '1' shows its text disabled.
class CWin32KeyEditDialog : public CWin32Dialog {
public:
    static constexpr int kSlots = 9;
    using SlotTexts = std::array<std::string, kSlots>;
    using LockFlags = std::array<char, kSlots>;

    CWin32KeyEditDialog(const SlotTexts& texts, const LockFlags& locks);
    ~CWin32KeyEditDialog() override;

    // After OK, the fields' contents exactly as typed; otherwise as given.
    const SlotTexts& Texts() const { return texts_; }

private:
    struct Controls;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    SlotTexts texts_;
    LockFlags locks_;
    std::unique_ptr<Controls> controls_;
    BrushHandle greyBrush_;  // the background of the pictures while the window is open
};
