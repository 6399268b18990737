// softKB.skb as anything a damaged disk or an editor may leave: the reader
// must keep its invariants, a save must keep the file it replaces as the
// backup byte for byte, and what was read must read back the same after a
// save, wherever the format can carry it.

#include "FuzzSupport.h"

#include "ink/QuadMapping.h"
#include "keyboard/KeyboardDef.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>

namespace {

const char kDefinition[] = "softKB.skb";

std::string Key(int i)
{
    return "key " + std::to_string(i);
}

void CheckInvariants(const CKeyboardDef& kb)
{
    FUZZ_CHECK(kb.KeyCount() >= 0 && kb.KeyCount() <= CKeyboardDef::kMaxKeys, std::to_string(kb.KeyCount()));
    FUZZ_CHECK(kb.PictureScale() >= 1 && kb.PictureScale() <= 20, std::to_string(kb.PictureScale()));
    PenRect bounds;
    for (int i = 0; i < kb.KeyCount(); ++i) {
        const PenRect r = kb.GetKey(i).rect;
        FUZZ_CHECK(r.left <= r.right && r.top <= r.bottom, Key(i));
        bounds = UnionRect(bounds, r);
    }
    FUZZ_CHECK(bounds == kb.Bounds(), "bounds are the union of the keys");
}

// Texts the file format can carry unchanged: no double quote (texts are not
// escaped) and a key line short enough for the reader's 4096-byte text area.
bool RoundTrips(const CKeyboardDef& kb)
{
    for (int i = 0; i < kb.KeyCount(); ++i) {
        size_t line = 0;
        for (const std::string& text : kb.GetKey(i).texts) {
            if (text.find('"') != std::string::npos)
                return false;
            line += (text.empty() ? 7 : text.size()) + 3;
        }
        if (line >= 4000)
            return false;
    }
    return true;
}

void CheckSame(const CKeyboardDef& a, const CKeyboardDef& b)
{
    FUZZ_CHECK(a.KeyCount() == b.KeyCount(), "key count");
    FUZZ_CHECK(a.HitPointRule() == b.HitPointRule() && a.FontSize() == b.FontSize() &&
                   a.PictureScale() == b.PictureScale(),
               "settings");
    FUZZ_CHECK(a.ReferenceMarks() == b.ReferenceMarks() && a.MeasuredMarks() == b.MeasuredMarks(), "marks");
    FUZZ_CHECK(a.Bounds() == b.Bounds(), "bounds");
    for (int i = 0; i < a.KeyCount(); ++i) {
        const KeyEntry x = a.GetKey(i);
        const KeyEntry y = b.GetKey(i);
        FUZZ_CHECK(x.rect == y.rect, Key(i) + " rectangle");
        for (size_t slot = 0; slot < x.texts.size(); ++slot)
            FUZZ_CHECK(x.texts[slot] == y.texts[slot],
                       Key(i) + " slot " + std::to_string(slot) + ": [" + x.texts[slot] + "] [" + y.texts[slot] + "]");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = fuzz::EnterScratchDir();
    static_cast<void>(ready);
    fuzz::WriteBytes(kDefinition, data, size);

    CQuadMapping mapping;
    mapping.SetTraceStream(nullptr);
    CKeyboardDef first;
    first.SetMapping(&mapping);
    first.SetMessageBox(&fuzz::QuietMessages());
    FUZZ_CHECK(first.Load(), "an existing file loads");
    CheckInvariants(first);
    // Any marks at all, degenerate and far-off ones included, must map
    // without undefined arithmetic.
    for (const auto& p : {CQuadMapping::IntPoint{0, 0}, {-32768, 32767}, {32767, -32768}, {12345, 6789}})
        static_cast<void>(mapping.MapPoint(p.x, p.y));

    FUZZ_CHECK(first.Save(), "the scratch folder is writable");
    FUZZ_CHECK(::access("new.skb", F_OK) != 0, "the temporary file is gone");
    FUZZ_CHECK(fuzz::ReadBytes("softKB.skb.bak") == std::string(reinterpret_cast<const char*>(data), size),
               "the backup holds the previous file");

    CKeyboardDef second;
    second.SetMessageBox(&fuzz::QuietMessages());
    FUZZ_CHECK(second.Load(), "the saved file loads");
    CheckInvariants(second);
    if (RoundTrips(first))
        CheckSame(first, second);
    return 0;
}
