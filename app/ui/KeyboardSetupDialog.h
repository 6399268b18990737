#pragma once

#include "keyboard/EditableKeyboardDef.h"
#include "keyboard/KeyboardTypes.h"
#include "ui/DialogResult.h"

#include <array>

class IButton;
class IKeyEditRunner;
class IListView;
class IPicture;

// The controls of the Keyboard Setup window (template 138). The front end
// owns them; each is set and lives for the whole modal run.
struct KeyboardSetupControls {
    IListView* keyList = nullptr;                        // 1009
    std::array<IPicture*, kSlotCount> columnPictures{};  // 1033 + k, above list column k
    IButton* edit = nullptr;                             // 1011
    IButton* resetCalibration = nullptr;                 // 1045
    IButton* save = nullptr;                             // 1
    IButton* cancel = nullptr;                           // 2
};

// The nine texts of every key in a list of 150 rows, with commands to edit a
// key, to put the calibration back to the reference marks and to save.
//
// The dialog works on its own copy of softKB.skb and keydef.skb, loaded when
// the window opens; it never touches the main window's keyboard. Save ends
// the run with OK, and only then should the main window reload softKB.skb.
class CKeyboardSetupDialog {
public:
    // The dialog and its key edit windows show their messages on `messages`,
    // which must outlive the dialog.
    explicit CKeyboardSetupDialog(IMessageBox& messages) { keyboard_.SetMessageBox(&messages); }
    CKeyboardSetupDialog(const CKeyboardSetupDialog&) = delete;
    CKeyboardSetupDialog& operator=(const CKeyboardSetupDialog&) = delete;

    // The window is up: pictures, list columns, the working copy loaded from
    // the files (a missing file has shown its message and leaves the copy
    // empty or unlocked) and the key list. Key edit windows are run through
    // `keyEditor`, which must outlive the modal run.
    void OnInitDialog(const KeyboardSetupControls& controls, IKeyEditRunner& keyEditor);

    // Edits the first selected row in a key edit window; nothing without a
    // selection. On OK the key takes the nine texts (its rectangle stays) and
    // its row is shown again, unselected.
    DialogResult OnEdit();
    DialogResult OnListDoubleClick() { return OnEdit(); }

    // When softKB.skb could not be read at opening, the working copy holds no
    // keyboard, and writing it would put an empty one in the place of the
    // user's file (and then of its backup): Reset and Save then say that the
    // file could not be read and write nothing.
    //
    // Measured marks := reference marks, written at once; the window stays.
    DialogResult OnResetCalibration();
    // Writes softKB.skb when anything was changed, then ends with OK, even
    // when the write failed (its message has been shown). After a failed
    // load it ends with Cancel: nothing was saved for the main window to read.
    DialogResult OnSave();
    // Ends with Cancel and writes nothing; a reset already written stays.
    DialogResult OnCancel();

    const CEditableKeyboardDef& Keyboard() const { return keyboard_; }

private:
    int FirstSelectedRow() const;

    CEditableKeyboardDef keyboard_;
    bool keyboardLoaded_ = false;
    KeyboardSetupControls controls_;
    IKeyEditRunner* keyEditor_ = nullptr;
};

// Runs the Keyboard Setup window modally over the main window. The front end
// creates the window, binds its controls and itself as the key edit runner,
// calls OnInitDialog and routes the commands; Ok means the run ended with Save.
class IKeyboardSetupRunner {
public:
    virtual ~IKeyboardSetupRunner() = default;
    virtual DialogResult Run(CKeyboardSetupDialog& dialog) = 0;
};
