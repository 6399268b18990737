#include "ui/KeyEditDialog.h"

#include "KeyEditWindow.h"
#include "MessageLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>

namespace {

using SlotTexts = CKeyEditDialog::SlotTexts;
using LockFlagSet = CKeyEditDialog::LockFlagSet;

const SlotTexts kGiven = {"あ", "<NOKEY>", "", "ア", "\"", "a,b", "<BS>", " x ", "\"q\",\"r\""};

LockFlagSet Flags(const char (&nine)[10])
{
    LockFlagSet flags;
    for (std::size_t k = 0; k < flags.size(); ++k)
        flags[k] = nine[k];
    return flags;
}

}  // namespace

TEST(KeyEditDialog, OpensWithTheTextsAndPictures)
{
    MessageLog messages;
    CKeyEditDialog dialog(messages);
    dialog.SetTexts(kGiven);
    KeyEditWindow window;
    dialog.OnInitDialog(window.Controls());

    EXPECT_EQ(window.ok.Image(), 143);
    EXPECT_EQ(window.cancel.Image(), 144);
    for (std::size_t m = 0; m < 3; ++m)
        EXPECT_EQ(window.modePictures[m].Image(), 158 + static_cast<int>(m));
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        EXPECT_EQ(window.fields[k].GetText(), kGiven[k]) << k;
        EXPECT_TRUE(window.fields[k].IsEnabled()) << k;
        EXPECT_EQ(window.gesturePictures[k].Image(), 146 + static_cast<int>(k % 3)) << k;
    }
}

TEST(KeyEditDialog, OnlyTheCharacterOneLocksASlot)
{
    const struct {
        char flags[10];
        std::array<bool, kSlotCount> enabled;
    } cases[] = {
        {"111111111", {false, false, false, false, false, false, false, false, false}},
        {"111000000", {false, false, false, true, true, true, true, true, true}},
        {"0 a2l1\x7f\xff" "1", {true, true, true, true, true, false, true, true, false}},
    };
    for (const auto& c : cases) {
        MessageLog messages;
        CKeyEditDialog dialog(messages);
        dialog.SetLockFlags(Flags(c.flags));
        KeyEditWindow window;
        dialog.OnInitDialog(window.Controls());
        for (std::size_t k = 0; k < kSlotCount; ++k)
            EXPECT_EQ(window.fields[k].IsEnabled(), c.enabled[k]) << c.flags << " slot " << k;
    }
}

TEST(KeyEditDialog, OkTakesEveryFieldExactlyAsTyped)
{
    const std::string longText(3000, 'w');
    const struct {
        const char* name;
        char flags[10];
        SlotTexts typed;  // what the user leaves in the enabled fields
        SlotTexts expected;
    } cases[] = {
        {"nothing typed, all locked", "111111111", kGiven, kGiven},
        {"lone and trailing quotes, commas, blanks, tags and emptied fields", "000000000",
         {"\"", "", "a,b\"", "  ", "<BR>", "ソ表", longText, ",", "x"},
         {"\"", "", "a,b\"", "  ", "<BR>", "ソ表", longText, ",", "x"}},
        {"texts read from the file are not judged again", "000000000", kGiven, kGiven},
        {"locked fields keep their text", "100010001",
         {"-", "1", "2", "3", "-", "5", "6", "7", "-"},
         {kGiven[0], "1", "2", "3", kGiven[4], "5", "6", "7", kGiven[8]}},
    };
    for (const auto& c : cases) {
        MessageLog messages;
        CKeyEditDialog dialog(messages);
        dialog.SetTexts(kGiven);
        dialog.SetLockFlags(Flags(c.flags));
        KeyEditWindow window;
        dialog.OnInitDialog(window.Controls());
        for (std::size_t k = 0; k < kSlotCount; ++k) {
            if (window.fields[k].IsEnabled())
                window.fields[k].SetText(c.typed[k]);
        }
        EXPECT_EQ(dialog.OnOk(), DialogResult::Ok) << c.name;
        EXPECT_EQ(dialog.Texts(), c.expected) << c.name;
    }
}

TEST(KeyEditDialog, CancelKeepsTheCallersTexts)
{
    MessageLog messages;
    CKeyEditDialog dialog(messages);
    dialog.SetTexts(kGiven);
    KeyEditWindow window;
    dialog.OnInitDialog(window.Controls());
    for (CInMemoryEditField& field : window.fields)
        field.SetText("typed");
    EXPECT_EQ(dialog.OnCancel(), DialogResult::Cancel);
    EXPECT_EQ(dialog.Texts(), kGiven);
}

TEST(KeyEditDialog, RefusesATextTheKeyboardFileWouldNotGiveBack)
{
    const std::string tooLong(4100, 'w');
    const struct {
        const char* name;
        std::size_t field;
        std::string typed;
        std::string told;  // the message, after the field's name
    } cases[] = {
        {"quote at the start", 0, "\"a", "ひらがな・タップの「\"a」は保存できません。\n先頭のダブルクォート"},
        {"quote inside", 4, "a\"b", "カタカナ・下から上の「a\"b」は保存できません。\n途中のダブルクォート"},
        {"two quotes", 5, "\"\"", "カタカナ・上から下の「\"\"」は保存できません。\n先頭のダブルクォート"},
        {"the empty-slot tag", 2, "<NOKEY>", "ひらがな・上から下の「<NOKEY>」は保存できません。\n<NOKEY>は"},
        {"too long for a line", 8, tooLong, "半角・上から下の「" + std::string(40, 'w') + "…」は保存できません。\n文字が長すぎて"},
        {"line break", 3, "a\nb", "カタカナ・タップの「a\nb」は保存できません。\n改行"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLog messages;
        CKeyEditDialog dialog(messages);
        const SlotTexts given = {"あ", "い", "う", "ア", "イ", "ウ", "a", "b", "c"};
        dialog.SetTexts(given);
        KeyEditWindow window;
        dialog.OnInitDialog(window.Controls());
        window.fields[7].SetText("\"");  // a lone quote is stored safely
        window.fields[c.field].SetText(c.typed);

        EXPECT_EQ(dialog.OnOk(), DialogResult::None);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].substr(0, c.told.size()), c.told);
        for (std::size_t k = 0; k < kSlotCount; ++k)
            EXPECT_EQ(window.fields[k].Selections(), k == c.field ? 1 : 0) << k;
        EXPECT_EQ(dialog.Texts(), given);

        // Put right, the same window ends with OK.
        window.fields[c.field].SetText("ok");
        EXPECT_EQ(dialog.OnOk(), DialogResult::Ok);
        SlotTexts expected = given;
        expected[7] = "\"";
        expected[c.field] = "ok";
        EXPECT_EQ(dialog.Texts(), expected);
    }
}
