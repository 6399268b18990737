#include "keyboard/EditableKeyboardDef.h"

#include "keyboard/TextLines.h"
#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace {

#ifdef _WIN32
const char kLockFile[] = ".\\keydef.skb";
#else
const char kLockFile[] = "./keydef.skb";
#endif

}  // namespace

CEditableKeyboardDef::CEditableKeyboardDef()
{
    // keydef.skb need not list every key; a key it does not list is editable.
    LockFlagSet unlocked;
    unlocked.fill('0');
    lockFlags_.fill(unlocked);
}

bool CEditableKeyboardDef::SaveIfModified() const
{
    return !modified_ || Save();
}

bool CEditableKeyboardDef::LoadLockFlags()
{
    int error = 0;
    std::optional<CTextLines> lines = CTextLines::Open(kLockFile, error);
    if (!lines) {
        Messages().Show({"キー再定可否ファイルがオープンできません", MessageIcon::Exclamation, error, kLockFile});
        return false;
    }

    // Each flag is one character, a blank included, and a flag is read only
    // while the commas before it are in place; flags not reached keep their
    // values. The first empty line ends the file.
    std::string line;
    for (std::size_t key = 0; key < lockFlags_.size() && lines->Next(line); ++key) {
        LockFlagSet& f = lockFlags_[key];
        const int assigned = std::sscanf(line.c_str(), "%c,%c,%c,%c,%c,%c,%c,%c,%c", &f[0], &f[1], &f[2], &f[3],
                                         &f[4], &f[5], &f[6], &f[7], &f[8]);
        if (assigned <= 0)
            break;
    }
    return true;
}

const CEditableKeyboardDef::LockFlagSet& CEditableKeyboardDef::LockFlags(int index) const
{
    static const LockFlagSet unlocked{'0', '0', '0', '0', '0', '0', '0', '0', '0'};
    if (index < 0 || index >= kMaxKeys)
        return unlocked;
    return lockFlags_[static_cast<std::size_t>(index)];
}
