// keydef.skb as arbitrary bytes: the reader takes each line as far as it fits
// the nine-flag format, and a key the file does not reach stays editable.

#include "FuzzSupport.h"

#include "keyboard/EditableKeyboardDef.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = fuzz::EnterScratchDir();
    static_cast<void>(ready);
    fuzz::WriteBytes("keydef.skb", data, size);

    CEditableKeyboardDef kb;
    kb.SetMessageBox(&fuzz::QuietMessages());
    FUZZ_CHECK(kb.LoadLockFlags(), "an existing file loads");

    // Lines are the keys: key i can only be set by line i + 1.
    size_t lines = 0;
    for (size_t i = 0; i < size; ++i)
        lines += data[i] == '\n';
    lines += size > 0 && data[size - 1] != '\n';
    for (size_t key = lines; key < CKeyboardDef::kMaxKeys; ++key) {
        for (char flag : kb.LockFlags(static_cast<int>(key)))
            FUZZ_CHECK(flag == '0', "key " + std::to_string(key) + " has no line");
    }
    for (char flag : kb.LockFlags(-1))
        FUZZ_CHECK(flag == '0', "outside the table");
    for (char flag : kb.LockFlags(CKeyboardDef::kMaxKeys))
        FUZZ_CHECK(flag == '0', "outside the table");
    return 0;
}
