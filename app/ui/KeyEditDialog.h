#pragma once

#include "keyboard/EditableKeyboardDef.h"
#include "keyboard/KeyboardTypes.h"
#include "ui/DialogResult.h"

#include <array>
#include <string>

class IButton;
class IEditField;
class IMessageBox;
class IPicture;

// The controls of the key edit window (template 142). The front end owns
// them; each is set and lives for the whole modal run.
struct KeyEditControls {
    std::array<IEditField*, kSlotCount> slotFields{};     // 1012 + k: slot k
    std::array<IPicture*, 3> modePictures{};              // 1042 to 1044: hiragana, katakana, half-width
    std::array<IPicture*, kSlotCount> gesturePictures{};  // 1021 + k: left of the field of slot k
    IButton* ok = nullptr;                                // 1
    IButton* cancel = nullptr;                            // 2
};

// The nine texts of one key in a grid of fields, one column per input mode and
// one row per gesture. The caller sets the texts and the key's lock flags,
// runs the window through an IKeyEditRunner and, after OK, reads the texts
// back; the dialog reads and writes no file.
class CKeyEditDialog {
public:
    using SlotTexts = std::array<std::string, kSlotCount>;
    using LockFlagSet = CEditableKeyboardDef::LockFlagSet;

    // All texts empty, no slot locked. Refusals are shown on `messages`,
    // which must outlive the dialog.
    explicit CKeyEditDialog(IMessageBox& messages);

    void SetTexts(const SlotTexts& texts) { texts_ = texts; }
    // After OK, the fields' contents exactly as typed; otherwise as set.
    const SlotTexts& Texts() const { return texts_; }

    // A slot whose flag is the character '1' cannot be changed.
    void SetLockFlags(const LockFlagSet& flags) { lockFlags_ = flags; }

    // The window is up: shows the texts, gives the controls their pictures
    // and disables the fields of the locked slots.
    void OnInitDialog(const KeyEditControls& controls);
    // Takes all nine fields, locked ones included (they still hold the text
    // they were given), and ends the run with OK. A changed text that
    // softKB.skb cannot store is refused instead: a message says which and
    // why, its field is selected and the run goes on (None).
    DialogResult OnOk();
    // Ends the run with Cancel; the texts stay as the caller set them.
    DialogResult OnCancel();

private:
    IMessageBox& messages_;
    SlotTexts texts_;
    LockFlagSet lockFlags_;
    KeyEditControls controls_;
};

// Runs a key edit window modally. The front end creates the window, binds its
// controls and calls OnInitDialog, then OnOk or OnCancel as the user ends
// the run; tests bind in-memory controls and play the user.
class IKeyEditRunner {
public:
    virtual ~IKeyEditRunner() = default;
    // Ok or Cancel; a window that could not be shown counts as Cancel.
    virtual DialogResult Run(CKeyEditDialog& dialog) = 0;
};
