#pragma once

#include "keyboard/KeyboardDef.h"

#include <array>

// The Keyboard Setup dialog's working copy: a keyboard that remembers whether
// it was changed and which slots keydef.skb forbids to change.
class CEditableKeyboardDef : public CKeyboardDef {
public:
    // One byte per slot; the character '1' locks the slot.
    using LockFlagSet = std::array<char, kSlotCount>;

    CEditableKeyboardDef();

    bool IsModified() const { return modified_; }
    // Once set, the flag stays set for the life of the object.
    void SetModified() { modified_ = true; }

    // Writes only when something was changed; true when nothing needed writing.
    bool SaveIfModified() const;

    // Reads keydef.skb. Keys the file has no line for keep their flags
    // (unlocked unless read before). On failure a message has been shown and
    // the flags are unchanged.
    bool LoadLockFlags();
    // The flags of key `index`; all unlocked for an index outside the table.
    const LockFlagSet& LockFlags(int index) const;

private:
    bool modified_ = false;
    std::array<LockFlagSet, kMaxKeys> lockFlags_;
};
