#include "ui/KeyboardSetupDialog.h"

#include "MessageLog.h"
#include "TestFiles.h"
#include "KeyEditWindow.h"
#include "platform/InMemoryControls.h"
#include "platform/InMemoryListView.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kOpenFailed[] = "ソフトＫＢ定義ファイルがオープンできません";
const char kLockOpenFailed[] = "キー再定可否ファイルがオープンできません";
const char kWriteOpenFailed[] = "ソフトＫＢ定義ファイルが書き込みオープンできません";

using SlotTexts = CKeyEditDialog::SlotTexts;
using Edits = std::map<int, SlotTexts>;  // key index -> its texts in place of the generated ones

const char kReference[] = "\"1000\",\"1000\",\"20000\",\"1000\",\"20000\",\"13800\",\"1000\",\"13800\",\"10500\",\"7400\"";
const char kMeasured[] = "\"1010\",\"990\",\"20020\",\"1005\",\"19990\",\"13790\",\"1003\",\"13810\",\"10490\",\"7410\"";

// Key i has slot k "k<i>.<k>", except slot 4, which is empty.
SlotTexts GeneratedTexts(int key)
{
    SlotTexts texts;
    for (std::size_t k = 0; k < kSlotCount; ++k)
        texts[k] = k == 4 ? "" : "k" + std::to_string(key) + "." + std::to_string(k);
    return texts;
}

// softKB.skb exactly as the keyboard writer lays it out, so that a file read
// and written back unchanged compares equal byte for byte.
std::string KeyboardFile(int keyCount, const Edits& edits = {}, const char* measured = kMeasured)
{
    std::string file = std::string("\"1\",\"12\",\"7\"\r\n") + kReference + "\r\n" + measured + "\r\n";
    for (int i = 0; i < keyCount; ++i) {
        const auto edit = edits.find(i);
        const SlotTexts texts = edit != edits.end() ? edit->second : GeneratedTexts(i);
        file += "\"" + std::to_string(100 * i) + "\",\"200\",\"" + std::to_string(100 * i + 90) + "\",\"290\"";
        for (const std::string& text : texts)
            file += ",\"" + (text.empty() ? std::string("<NOKEY>") : text) + "\"";
        file += "\r\n";
    }
    return file;
}

// The Keyboard Setup window with in-memory controls, and the messages shown.
struct SetupWindow {
    CInMemoryListView list;
    std::array<CInMemoryPicture, kSlotCount> columnPictures;
    CInMemoryButton edit, reset, save, cancel;
    ScriptedKeyEditor keyEditor;
    MessageLog messages;
    CKeyboardSetupDialog dialog{messages};

    void Open()
    {
        KeyboardSetupControls controls;
        controls.keyList = &list;
        for (std::size_t k = 0; k < kSlotCount; ++k)
            controls.columnPictures[k] = &columnPictures[k];
        controls.edit = &edit;
        controls.resetCalibration = &reset;
        controls.save = &save;
        controls.cancel = &cancel;
        dialog.OnInitDialog(controls, keyEditor);
    }
    // Writes `keyboardFile` as softKB.skb here, then opens.
    void Open(const std::string& keyboardFile)
    {
        WriteBytes("softKB.skb", keyboardFile);
        Open();
    }
    void Select(int row) { list.SetItemState(row, IListView::kSelected, IListView::kSelected); }
    // Selects the row and edits it: the user leaves `texts` in the fields.
    DialogResult Edit(int row, const SlotTexts& texts)
    {
        Select(row);
        keyEditor.user = [texts](KeyEditWindow& w) {
            for (std::size_t k = 0; k < kSlotCount; ++k)
                w.fields[k].SetText(texts[k]);
            return true;
        };
        return dialog.OnEdit();
    }
    std::vector<std::string> Row(int row) const
    {
        std::vector<std::string> texts;
        for (int k = 0; k < kSlotCount; ++k)
            texts.push_back(list.GetItemText(row, k));
        return texts;
    }
};

// A key's texts as its row shows them.
std::vector<std::string> Shown(const SlotTexts& texts)
{
    std::vector<std::string> cells;
    for (const std::string& text : texts)
        cells.push_back(text.empty() ? "---" : text);
    return cells;
}

const std::vector<std::string> kEmptyRow = Shown({});

}  // namespace

TEST(KeyboardSetupDialog, OpensWithPicturesColumnsAndOneHundredFiftyRows)
{
    const char* const headings[] = {"ﾀｯﾌﾟ[ひら]", "下上[ひら]", "上下[ひら]", "ﾀｯﾌﾟ[カタ]", "下上[カタ]",
                                    "上下[カタ]", "ﾀｯﾌﾟ[半角]", "下上[半角]", "上下[半角]"};
    for (const int keyCount : {3, 160}) {
        ScopedWorkDir dir;
        WriteBytes("softKB.skb", KeyboardFile(keyCount));
        WriteBytes("keydef.skb", "0,0,0,0,0,0,0,0,0\r\n");
        SetupWindow w;
        w.Open();

        EXPECT_TRUE(w.messages.Messages().empty());
        EXPECT_EQ(w.edit.Image(), 139);
        EXPECT_EQ(w.save.Image(), 141);
        EXPECT_EQ(w.cancel.Image(), 140);
        EXPECT_EQ(w.reset.Image(), 0);
        ASSERT_EQ(w.list.Columns().size(), std::size_t{kSlotCount});
        for (std::size_t k = 0; k < kSlotCount; ++k) {
            EXPECT_EQ(w.columnPictures[k].Image(), 149 + static_cast<int>(k));
            EXPECT_EQ(w.list.Columns()[k].title, headings[k]);
            EXPECT_EQ(w.list.Columns()[k].width, 68);
        }
        EXPECT_TRUE(w.list.IsFullRowSelect());
        EXPECT_TRUE(w.list.IsSingleSelection());
        EXPECT_FALSE(w.list.IsSorted());
        ASSERT_EQ(w.list.RowCount(), 150);
        EXPECT_EQ(w.Row(2), (std::vector<std::string>{"k2.0", "k2.1", "k2.2", "k2.3", "---", "k2.5", "k2.6", "k2.7",
                                                      "k2.8"}));
        EXPECT_EQ(w.Row(149), keyCount > 149 ? Shown(GeneratedTexts(149)) : kEmptyRow);
        EXPECT_FALSE(w.dialog.Keyboard().IsModified());
    }
}

TEST(KeyboardSetupDialog, OpensWhenAFileIsMissing)
{
    {
        ScopedWorkDir dir;
        WriteBytes("keydef.skb", "1,1,1,1,1,1,1,1,1\r\n");
        SetupWindow w;
        w.Open();
        EXPECT_EQ(w.messages.Messages(), std::vector<std::string>{kOpenFailed});
        ASSERT_EQ(w.list.RowCount(), 150);
        for (int row = 0; row < 150; ++row)
            EXPECT_EQ(w.Row(row), kEmptyRow) << row;
        const CKeyboardDef::Marks zero{};
        EXPECT_EQ(w.dialog.Keyboard().ReferenceMarks(), zero);
        EXPECT_EQ(w.dialog.Keyboard().MeasuredMarks(), zero);
    }
    {
        ScopedWorkDir dir;
        SetupWindow w;
        w.Open(KeyboardFile(3));
        EXPECT_EQ(w.messages.Messages(), std::vector<std::string>{kLockOpenFailed});
        w.Select(0);
        EXPECT_EQ(w.dialog.OnEdit(), DialogResult::None);
        ASSERT_EQ(w.keyEditor.runs.size(), 1u);
        EXPECT_EQ(w.keyEditor.runs[0].enabled, (std::array<bool, kSlotCount>{true, true, true, true, true, true,
                                                                             true, true, true}));
    }
}

TEST(KeyboardSetupDialog, EditRunsTheKeyEditorOnTheSelectedRowOnly)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", KeyboardFile(3));
    WriteBytes("keydef.skb", "0,0,0,0,0,0,0,0,0\r\n1,1,1,0,0,0,0,0,0\r\n");
    SetupWindow w;
    w.Open();

    EXPECT_EQ(w.dialog.OnEdit(), DialogResult::None);
    EXPECT_EQ(w.dialog.OnListDoubleClick(), DialogResult::None);
    EXPECT_TRUE(w.keyEditor.runs.empty());

    // A double-click edits the selected row, wherever it lands.
    w.Select(1);
    EXPECT_EQ(w.dialog.OnListDoubleClick(), DialogResult::None);
    ASSERT_EQ(w.keyEditor.runs.size(), 1u);
    EXPECT_EQ(w.keyEditor.runs[0].texts, GeneratedTexts(1));
    EXPECT_EQ(w.keyEditor.runs[0].enabled, (std::array<bool, kSlotCount>{false, false, false, true, true, true,
                                                                         true, true, true}));

    // The refreshed row is no longer selected, so Edit does nothing again.
    EXPECT_EQ(w.list.SelectedCount(), 0);
    EXPECT_EQ(w.dialog.OnEdit(), DialogResult::None);
    EXPECT_EQ(w.keyEditor.runs.size(), 1u);

    // Cancel in the key editor leaves the key and its row as they were.
    w.Select(2);
    w.keyEditor.user = [](KeyEditWindow& edit) {
        edit.fields[0].SetText("typed");
        return false;
    };
    EXPECT_EQ(w.dialog.OnEdit(), DialogResult::None);
    EXPECT_EQ(w.Row(2), Shown(GeneratedTexts(2)));
    EXPECT_EQ(w.list.GetItemState(2, IListView::kSelected), IListView::kSelected);
    EXPECT_EQ(w.dialog.Keyboard().GetKey(2).texts, GeneratedTexts(2));
}

TEST(KeyboardSetupDialog, EditOkTakesTheTextsAndSaveWritesThem)
{
    SlotTexts emptied = GeneratedTexts(1);
    emptied[0] = "";
    SlotTexts quoted = GeneratedTexts(1);
    quoted[3] = "a,b\"";
    quoted[8] = "\"";
    const struct {
        const char* name;
        int keyCount;
        Edits edits;  // row -> texts left in the key editor
        Edits saved;  // key -> texts expected in the file
    } cases[] = {
        {"OK without a change", 3, {{1, GeneratedTexts(1)}}, {}},
        {"emptied slot", 3, {{1, emptied}}, {{1, emptied}}},
        {"quotes and commas", 3, {{1, quoted}}, {{1, quoted}}},
        {"rows past the key count", 3, {{3, quoted}, {149, emptied}}, {}},
        {"keys from 150 on", 160, {{0, quoted}}, {{0, quoted}}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        const std::string original = KeyboardFile(c.keyCount);
        WriteBytes("softKB.skb", original);
        WriteBytes("keydef.skb", "");
        SetupWindow w;
        w.Open();
        for (const auto& [row, texts] : c.edits) {
            EXPECT_EQ(w.Edit(row, texts), DialogResult::None) << c.name;
            EXPECT_EQ(w.list.GetItemState(row, IListView::kSelected), 0u) << c.name;
            EXPECT_EQ(w.Row(row), Shown(texts)) << c.name << " row " << row;
            EXPECT_EQ(w.dialog.Keyboard().GetKey(row).texts, texts) << c.name;
        }
        EXPECT_TRUE(w.dialog.Keyboard().IsModified()) << c.name;
        EXPECT_EQ(w.list.RowCount(), 150) << c.name;
        EXPECT_EQ(ReadBytes("softKB.skb"), original) << c.name;

        EXPECT_EQ(w.dialog.OnSave(), DialogResult::Ok) << c.name;
        EXPECT_EQ(ReadBytes("softKB.skb"), KeyboardFile(c.keyCount, c.saved)) << c.name;
        EXPECT_EQ(ReadBytes("softKB.skb.bak"), original) << c.name;
        EXPECT_TRUE(TemporaryFilesIn(".").empty()) << c.name;
        EXPECT_TRUE(w.messages.Messages().empty()) << c.name;
    }
}

TEST(KeyboardSetupDialog, SaveOrCancelWithoutAChangeWritesNothing)
{
    for (const bool save : {true, false}) {
        ScopedWorkDir dir;
        const std::string original = KeyboardFile(3);
        SetupWindow w;
        w.Open(original);
        if (save) {
            EXPECT_EQ(w.dialog.OnSave(), DialogResult::Ok);
        } else {
            EXPECT_EQ(w.Edit(0, {}), DialogResult::None);
            EXPECT_EQ(w.dialog.OnCancel(), DialogResult::Cancel);
        }
        EXPECT_EQ(ReadBytes("softKB.skb"), original);
        EXPECT_FALSE(fs::exists("softKB.skb.bak"));
        EXPECT_TRUE(TemporaryFilesIn(".").empty());
    }
}

TEST(KeyboardSetupDialog, ResetCalibrationWritesAtOnceWithTheEditsBeforeIt)
{
    SlotTexts edited = GeneratedTexts(0);
    edited[0] = "edited";
    for (const bool save : {true, false}) {
        ScopedWorkDir dir;
        const std::string original = KeyboardFile(3);
        SetupWindow w;
        w.Open(original);

        EXPECT_EQ(w.Edit(0, edited), DialogResult::None);
        EXPECT_EQ(w.dialog.OnResetCalibration(), DialogResult::None);
        const std::string reset = KeyboardFile(3, {{0, edited}}, kReference);
        EXPECT_EQ(ReadBytes("softKB.skb"), reset);
        EXPECT_EQ(ReadBytes("softKB.skb.bak"), original);
        EXPECT_EQ(w.dialog.Keyboard().MeasuredMarks(), w.dialog.Keyboard().ReferenceMarks());

        EXPECT_EQ(w.Edit(1, {}), DialogResult::None);
        if (save) {
            // A second write: the backup still holds the file the dialog
            // began with.
            EXPECT_EQ(w.dialog.OnSave(), DialogResult::Ok);
            EXPECT_EQ(ReadBytes("softKB.skb"), KeyboardFile(3, {{0, edited}, {1, {}}}, kReference));
            EXPECT_EQ(ReadBytes("softKB.skb.bak"), original);
        } else {
            EXPECT_EQ(w.dialog.OnCancel(), DialogResult::Cancel);
            EXPECT_EQ(ReadBytes("softKB.skb"), reset);
        }
    }
}

TEST(KeyboardSetupDialog, FailedWritesLeaveTheFileAndTheDialogGoing)
{
    ScopedWorkDir dir;
    const std::string original = KeyboardFile(3);
    WriteBytes("softKB.skb", original);
    WriteBytes("keydef.skb", "");
    SetupWindow w;
    w.Open();
    // The new file cannot take the name.
    fs::remove("softKB.skb");
    fs::create_directory("softKB.skb");
    WriteBytes("softKB.skb/inside", original);

    EXPECT_EQ(w.dialog.OnResetCalibration(), DialogResult::None);
    EXPECT_TRUE(w.dialog.Keyboard().IsModified());
    EXPECT_EQ(w.dialog.OnSave(), DialogResult::Ok);
    EXPECT_EQ(w.messages.Messages(), (std::vector<std::string>{kWriteOpenFailed, kWriteOpenFailed}));
    EXPECT_EQ(ReadBytes("softKB.skb/inside"), original);
}

TEST(KeyboardSetupDialog, AfterAFailedLoadNothingIsWritten)
{
    ScopedWorkDir dir;
    // softKB.skb cannot be read; the user's keyboard is in the backup.
    fs::create_directory("softKB.skb");
    WriteBytes("softKB.skb/inside", "kept");
    const std::string backup = KeyboardFile(3);
    WriteBytes("softKB.skb.bak", backup);
    SetupWindow w;
    w.Open();
    ASSERT_EQ(w.messages.Messages(), (std::vector<std::string>{kOpenFailed, kLockOpenFailed}));

    const std::string notRead = "ソフトＫＢ定義ファイルが読み込めなかったため、キーボードを保存できません。";
    EXPECT_EQ(w.Edit(0, GeneratedTexts(0)), DialogResult::None);
    EXPECT_EQ(w.dialog.OnResetCalibration(), DialogResult::None);
    EXPECT_EQ(w.dialog.OnSave(), DialogResult::Cancel);
    EXPECT_EQ(w.messages.Messages(), (std::vector<std::string>{kOpenFailed, kLockOpenFailed, notRead, notRead}));

    EXPECT_TRUE(fs::is_directory("softKB.skb"));
    EXPECT_EQ(ReadBytes("softKB.skb/inside"), "kept");
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), backup);
    EXPECT_TRUE(TemporaryFilesIn(".").empty());
}
