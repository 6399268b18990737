#include "ui/KeyEditDialog.h"

#include "KeyEditWindow.h"

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
    CKeyEditDialog dialog;
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
        CKeyEditDialog dialog;
        dialog.SetLockFlags(Flags(c.flags));
        KeyEditWindow window;
        dialog.OnInitDialog(window.Controls());
        for (std::size_t k = 0; k < kSlotCount; ++k)
            EXPECT_EQ(window.fields[k].IsEnabled(), c.enabled[k]) << c.flags << " slot " << k;
    }
}

TEST(KeyEditDialog, OkTakesEveryFieldExactlyAsTyped)
{
    const std::string longText(5000, 'w');
    const struct {
        const char* name;
        char flags[10];
        SlotTexts typed;  // what the user leaves in the enabled fields
        SlotTexts expected;
    } cases[] = {
        {"nothing typed, all locked", "111111111", kGiven, kGiven},
        {"quotes, commas, blanks, tags and emptied fields", "000000000",
         {"\"", "", "a,\"b\"", "  ", "<NOKEY>", "ソ表", longText, "\",\"", "x"},
         {"\"", "", "a,\"b\"", "  ", "<NOKEY>", "ソ表", longText, "\",\"", "x"}},
        {"locked fields keep their text", "100010001",
         {"-", "1", "2", "3", "-", "5", "6", "7", "-"},
         {kGiven[0], "1", "2", "3", kGiven[4], "5", "6", "7", kGiven[8]}},
    };
    for (const auto& c : cases) {
        CKeyEditDialog dialog;
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
    CKeyEditDialog dialog;
    dialog.SetTexts(kGiven);
    KeyEditWindow window;
    dialog.OnInitDialog(window.Controls());
    for (CInMemoryEditField& field : window.fields)
        field.SetText("typed");
    EXPECT_EQ(dialog.OnCancel(), DialogResult::Cancel);
    EXPECT_EQ(dialog.Texts(), kGiven);
}
