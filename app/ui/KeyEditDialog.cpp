#include "ui/KeyEditDialog.h"

#include "platform/Controls.h"
#include "ui/ResourceIds.h"

#include "keyboard/KeyboardDef.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

#include <cstddef>

namespace {

// The field of slot k by its place in the grid: input mode, then gesture.
const char* const kSlotNames[kSlotCount] = {
    "ひらがな・タップ", "ひらがな・下から上", "ひらがな・上から下",
    "カタカナ・タップ", "カタカナ・下から上", "カタカナ・上から下",
    "半角・タップ",     "半角・下から上",     "半角・上から下",
};

const char* Reason(KeyTextFault fault)
{
    switch (fault) {
    case KeyTextFault::QuoteAtStart:
        return "先頭のダブルクォート（\"）は、キーボードファイルから正しく読み戻せません。";
    case KeyTextFault::QuoteInside:
        return "途中のダブルクォート（\"）は、キーボードファイルから正しく読み戻せません。"
               "ダブルクォート１文字だけなら使えます。";
    case KeyTextFault::NoKeyTag:
        return "<NOKEY>はキーボードファイルで空欄を表すため、文字としては使えません。";
    case KeyTextFault::LineBreak:
        return "改行は、キーボードファイルの１行に収まりません。";
    case KeyTextFault::TooLong:
    case KeyTextFault::None:
        break;
    }
    return "文字が長すぎて、キーボードファイルの１行に収まりません。";
}

// The beginning of a long text, cut between two characters.
std::string Excerpt(const std::string& text)
{
    constexpr std::size_t kShown = 40;
    if (text.size() <= kShown)
        return text;
    std::size_t end = 0;
    while (end < kShown) {
        const std::size_t next = end + (IsShiftJisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1);
        if (next > kShown)
            break;
        end = next;
    }
    return text.substr(0, end) + "…";
}

}  // namespace

CKeyEditDialog::CKeyEditDialog(IMessageBox& messages) : messages_(messages)
{
    lockFlags_.fill('0');
}

void CKeyEditDialog::OnInitDialog(const KeyEditControls& controls)
{
    controls_ = controls;
    for (std::size_t k = 0; k < texts_.size(); ++k)
        controls_.slotFields[k]->SetText(texts_[k]);

    controls_.ok->SetImage(IDB_CONFIRM);
    controls_.cancel->SetImage(IDB_EDIT_CANCEL);
    const int modeImages[] = {IDB_MODE_HIRAGANA, IDB_MODE_KATAKANA, IDB_MODE_HALFWIDTH};
    for (std::size_t mode = 0; mode < controls_.modePictures.size(); ++mode)
        controls_.modePictures[mode]->SetImage(modeImages[mode]);
    // Every mode column repeats the same three gesture glyphs, row by row.
    const int gestureImages[] = {IDB_GESTURE_TAP, IDB_GESTURE_UP, IDB_GESTURE_DOWN};
    for (std::size_t k = 0; k < controls_.gesturePictures.size(); ++k)
        controls_.gesturePictures[k]->SetImage(gestureImages[k % 3]);

    // Only '1' locks; a blank, '0' or any other byte leaves the slot editable.
    for (std::size_t k = 0; k < lockFlags_.size(); ++k)
        controls_.slotFields[k]->Enable(lockFlags_[k] != '1');
}

DialogResult CKeyEditDialog::OnOk()
{
    // Nothing is trimmed; a changed text is only refused when softKB.skb
    // could not give it back, because the next save would damage the key.
    SlotTexts typed;
    for (std::size_t k = 0; k < typed.size(); ++k)
        typed[k] = controls_.slotFields[k]->GetText();
    const KeyTextCheck check = CheckKeyTexts(texts_, typed);
    if (check.slot >= 0) {
        const auto slot = static_cast<std::size_t>(check.slot);
        messages_.Show({std::string(kSlotNames[slot]) + "の「" + Excerpt(typed[slot]) + "」は保存できません。\n" +
                        Reason(check.fault)});
        controls_.slotFields[slot]->Select();
        return DialogResult::None;
    }
    texts_ = typed;
    return DialogResult::Ok;
}

DialogResult CKeyEditDialog::OnCancel()
{
    return DialogResult::Cancel;
}
