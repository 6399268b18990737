// The program's windows over their templates, driven from inside their modal
// runs. Tests that need the example keyboard copy softKB.skb, keydef.skb and
// the example pages from the folder they are started in
// (scripts/windows-test.sh starts them in one).
#include "WindowScript.h"

#include "Win32KeyEditDialog.h"
#include "Win32KeyboardSetupDialog.h"
#include "Win32MainDialog.h"
#include "resource.h"

#include "keyboard/EditableKeyboardDef.h"
#include "platform/CurrentDirectory.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/win32/Win32MessageBox.h"
#include "platform/win32/WideText.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

class CRecordingShell : public IShell {
public:
    void Open(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};

// Keeps the texts it is shown; with `forward` set, the box shows them too.
class CMessageRecorder : public IMessageBox {
public:
    void Show(const Message& message) override
    {
        messages.push_back(message.text);
        if (forward)
            forward->Show(message);
    }
    bool Shown(const std::string& text) const
    {
        for (const std::string& message : messages) {
            if (message == text)
                return true;
        }
        return false;
    }
    std::vector<std::string> messages;
    IMessageBox* forward = nullptr;
};

// A drop as the shell makes it: a DROPFILES block with the ANSI paths one
// after the other, ended by an empty one.
HDROP MakeDrop(const std::vector<std::string>& paths)
{
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* out = reinterpret_cast<char*>(drop + 1);
    for (const std::string& path : paths) {
        std::memcpy(out, path.c_str(), path.size() + 1);
        out += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// F1 as the keyboard would ask for help, with Shift held or not.
LRESULT PressF1(HWND window, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE before = keys[VK_SHIFT];
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = window;
    const LRESULT result = SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    keys[VK_SHIFT] = before;
    SetKeyboardState(keys);
    return result;
}

const std::wstring kEditCaption = L"編集";
const std::wstring kSetupCaption = L"Keyboard Setup";
const std::wstring kMainCaption = L"Veda-Rovodad for Inkora";

// The key of keydef.skb whose nine slots are all locked.
constexpr int kLockedKey = 55;

}  // namespace

TEST(Win32KeyEditWindow, ShowsTheKeyAndEndsAsTheUserChooses)
{
    const CKeyEditDialog::SlotTexts given = {"あ", "", "ぁ", "ア", "", "ァ", "a", "\"A\",", ""};
    const CKeyEditDialog::LockFlagSet locks = {'1', '0', ' ', 'x', '0', '0', '0', '0', '1'};
    const struct {
        const char* name;
        int button;  // 0: the close box
        DialogResult result;
        bool textsTaken;
    } cases[] = {
        {"OK", IDOK, DialogResult::Ok, true},
        {"Cancel", IDCANCEL, DialogResult::Cancel, false},
        {"close box", 0, DialogResult::Cancel, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMessageRecorder messages;
        CKeyEditDialog editor(messages);
        editor.SetTexts(given);
        editor.SetLockFlags(locks);
        std::array<std::wstring, kSlotCount> shown;
        std::array<bool, kSlotCount> enabled{};
        HWND window = nullptr;
        CWindowScript script({
            [&] { return (window = FindThreadWindow(kEditCaption)) != nullptr; },
            [&] {
                for (int k = 0; k < kSlotCount; ++k) {
                    const auto slot = static_cast<std::size_t>(k);
                    shown[slot] = ItemText(window, IDC_SLOT_FIRST + k);
                    enabled[slot] = IsWindowEnabled(GetDlgItem(window, IDC_SLOT_FIRST + k)) != FALSE;
                }
                SetDlgItemTextW(window, IDC_SLOT_FIRST + 1, L"い");
                if (c.button != 0)
                    PostClick(window, c.button);
                else
                    PostMessageW(window, WM_CLOSE, 0, 0);
                return true;
            },
        });
        CWin32KeyEditRunner runner(nullptr);
        EXPECT_EQ(runner.Run(editor), c.result);
        ASSERT_TRUE(script.Done()) << script.Failure();

        for (std::size_t k = 0; k < given.size(); ++k) {
            EXPECT_EQ(shown[k], Wide(given[k])) << "slot " << k;
            EXPECT_EQ(enabled[k], locks[k] != '1') << "slot " << k;
        }
        CKeyEditDialog::SlotTexts expected = given;
        if (c.textsTaken)
            expected[1] = "い";
        EXPECT_EQ(editor.Texts(), expected);
    }
}

TEST(Win32KeyEditWindow, PicturesStandOnGreyAndFieldsKeepTheirColors)
{
    CMessageRecorder messages;
    CKeyEditDialog editor(messages);
    CKeyEditDialog::LockFlagSet locks;
    locks.fill('1');
    editor.SetLockFlags(locks);
    HWND window = nullptr;
    std::vector<int> pictures;
    for (int id = IDC_GESTURE_PICTURE_FIRST; id <= IDC_GESTURE_PICTURE_LAST; ++id)
        pictures.push_back(id);
    for (int id = IDC_MODE_PICTURE_FIRST; id <= IDC_MODE_PICTURE_LAST; ++id)
        pictures.push_back(id);

    HBRUSH pictureBrush = nullptr;
    CWindowScript script({
        [&] { return (window = FindThreadWindow(kEditCaption)) != nullptr; },
        [&] {
            HDC dc = GetDC(window);
            for (int id : pictures) {
                SCOPED_TRACE(id);
                EXPECT_NE(SendDlgItemMessageW(window, id, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
                SetBkMode(dc, OPAQUE);
                SetBkColor(dc, RGB(255, 255, 255));
                const auto brush = reinterpret_cast<HBRUSH>(
                    SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(window, id))));
                LOGBRUSH color{};
                EXPECT_NE(GetObjectW(brush, sizeof(color), &color), 0);
                EXPECT_EQ(color.lbColor, RGB(192, 192, 192));
                EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
                EXPECT_EQ(GetBkColor(dc), RGB(192, 192, 192));
                pictureBrush = brush;
            }
            // A disabled field asks the same question and gets the system's answer.
            const auto fieldBrush = reinterpret_cast<HBRUSH>(
                SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_SLOT_FIRST))));
            EXPECT_NE(fieldBrush, pictureBrush);
            ReleaseDC(window, dc);
            PostClick(window, IDCANCEL);
            return true;
        },
    });
    CWin32KeyEditRunner runner(nullptr);
    EXPECT_EQ(runner.Run(editor), DialogResult::Cancel);
    EXPECT_TRUE(script.Done()) << script.Failure();
    // The brush went with the window.
    LOGBRUSH gone{};
    EXPECT_EQ(GetObjectW(pictureBrush, sizeof(gone), &gone), 0);
}

TEST(Win32MessageBox, ShowsTheShiftJisTextUnderTheProgramName)
{
    const std::string text = "ソフトＫＢ定義ファイルがオープンできません";
    std::vector<std::wstring> texts;
    std::vector<int> buttons;
    HICON icon = nullptr;
    CWindowScript script({
        [&] {
            HWND box = FindThreadWindow(L"Marovi");
            if (!box)
                return false;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t name[16] = {};
                GetClassNameW(child, name, 16);
                if (std::wstring(name) == L"Button")
                    buttons.push_back(GetDlgCtrlID(child));
                else if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                else
                    texts.push_back(TextOf(child));
            }
            PostClick(box, IDOK);
            return true;
        },
    });
    ShowWin32MessageBox(nullptr, text, MessageIcon::Exclamation);
    ASSERT_TRUE(script.Done()) << script.Failure();
    EXPECT_EQ(buttons, std::vector<int>{IDOK});
    EXPECT_NE(std::find(texts.begin(), texts.end(), Wide(text)), texts.end());
    EXPECT_EQ(icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32515)));  // IDI_EXCLAMATION
}

class Win32KeyboardSetupWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.Missing().empty()) << "start the tests in a folder holding softKB.skb and keydef.skb";
    }

    CScratchFolder folder_{{"softKB.skb", "keydef.skb"}};
    CMessageRecorder messages_;
};

TEST_F(Win32KeyboardSetupWindow, EditsTheDoubleClickedRow)
{
    CKeyboardDef original;
    ASSERT_TRUE(original.Load());

    CKeyboardSetupDialog setup(messages_);
    HWND window = nullptr;
    HWND list = nullptr;
    HWND editor = nullptr;
    int picturesShown = 0;
    std::array<std::wstring, kSlotCount> lockedTexts;
    int lockedEnabled = 0;
    std::wstring editedRow;
    bool editedRowSelected = true;

    CWindowScript script({
        [&] { return (window = FindThreadWindow(kSetupCaption)) != nullptr; },
        [&] {
            list = GetDlgItem(window, IDC_KEY_LIST);
            for (int id = IDC_COLUMN_PICTURE_FIRST; id <= IDC_COLUMN_PICTURE_LAST; ++id)
                picturesShown += SendDlgItemMessageW(window, id, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
            PostRowClick(list, kLockedKey, true);
            return true;
        },
        [&] { return (editor = FindThreadWindow(kEditCaption)) != nullptr; },
        [&] {
            for (int k = 0; k < kSlotCount; ++k) {
                lockedTexts[static_cast<std::size_t>(k)] = ItemText(editor, IDC_SLOT_FIRST + k);
                lockedEnabled += IsWindowEnabled(GetDlgItem(editor, IDC_SLOT_FIRST + k)) != FALSE;
            }
            PostClick(editor, IDCANCEL);
            return true;
        },
        [&] {
            if (IsWindow(editor))
                return false;
            PostRowClick(list, 1, true);
            return true;
        },
        [&] { return (editor = FindThreadWindow(kEditCaption)) != nullptr; },
        [&] {
            SetDlgItemTextW(editor, IDC_SLOT_FIRST, L"テスト");
            PostClick(editor, IDOK);
            return true;
        },
        [&] {
            if (IsWindow(editor))
                return false;
            editedRow = ListText(list, 1, 0);
            editedRowSelected = ListRowSelected(list, 1);
            PostClick(window, IDOK);
            return true;
        },
    });
    CWin32KeyboardSetupRunner runner(nullptr);
    EXPECT_EQ(runner.Run(setup), DialogResult::Ok);
    ASSERT_TRUE(script.Done()) << script.Failure();
    EXPECT_TRUE(messages_.messages.empty());

    EXPECT_EQ(picturesShown, 9);
    const KeyEntry locked = original.GetKey(kLockedKey);
    for (std::size_t k = 0; k < locked.texts.size(); ++k)
        EXPECT_EQ(lockedTexts[k], Wide(locked.texts[k])) << "slot " << k;
    EXPECT_EQ(lockedEnabled, 0);

    EXPECT_EQ(editedRow, L"テスト");
    EXPECT_FALSE(editedRowSelected);
    CKeyboardDef saved;
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.GetKey(1).texts[0], "テスト");
    EXPECT_EQ(saved.GetKey(1).rect, original.GetKey(1).rect);
    EXPECT_EQ(saved.GetKey(0).texts, original.GetKey(0).texts);
}

TEST_F(Win32KeyboardSetupWindow, ResetWritesAtOnceAndCancelKeepsIt)
{
    {
        CEditableKeyboardDef shifted;
        ASSERT_TRUE(shifted.Load());
        CKeyboardDef::Marks marks = shifted.ReferenceMarks();
        for (PenPoint& mark : marks)
            mark.x += 120;
        shifted.SetMeasuredMarks(marks);
        shifted.SetModified();
        ASSERT_TRUE(shifted.SaveIfModified());
    }
    const auto calibrationReset = [] {
        CKeyboardDef onDisk;
        return onDisk.Load() && onDisk.MeasuredMarks() == onDisk.ReferenceMarks();
    };
    ASSERT_FALSE(calibrationReset());

    CKeyboardSetupDialog setup(messages_);
    HWND window = nullptr;
    bool stayedOpen = false;
    CWindowScript script({
        [&] { return (window = FindThreadWindow(kSetupCaption)) != nullptr; },
        [&] {
            PostClick(window, IDC_RESET_CALIBRATION);
            return true;
        },
        [&] {
            if (!calibrationReset())
                return false;
            stayedOpen = IsWindowVisible(window) != FALSE;
            PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        },
    });
    CWin32KeyboardSetupRunner runner(nullptr);
    EXPECT_EQ(runner.Run(setup), DialogResult::Cancel);
    ASSERT_TRUE(script.Done()) << script.Failure();
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(calibrationReset());
}

TEST(Win32MainWindowWithoutKeyboard, OpensBareAfterTheMessage)
{
    const CScratchFolder folder({});
    CMessageRecorder messages;
    CRecordingShell shell;
    CWin32MainDialog dialog(Win32MainServices{&shell, nullptr, nullptr, &messages});
    dialog.Logic().SetTraceStream(nullptr);
    HWND window = nullptr;
    std::wstring caption = L"?";
    int rows = -1;
    int picturesShown = -1;
    CWindowScript script({
        [&] { return (window = FindOtherDialog({})) != nullptr; },
        [&] {
            caption = TextOf(window);
            rows = ListRowCount(GetDlgItem(window, IDC_FILE_LIST));
            picturesShown = 0;
            for (int id : {IDOK, ID_HELP, IDC_CONVERT, IDC_KEY_SETUP, IDC_REMOVE})
                picturesShown += SendDlgItemMessageW(window, id, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
            PostClick(window, IDOK);
            return true;
        },
    });
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    ASSERT_TRUE(script.Done()) << script.Failure();
    EXPECT_EQ(messages.messages, std::vector<std::string>{"ソフトＫＢ定義ファイルがオープンできません"});
    EXPECT_EQ(caption, L"");
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(picturesShown, 0);
}

class Win32MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.Missing().empty())
            << "start the tests in a folder holding softKB.skb, keydef.skb and memo.ink";
        dialog_.Logic().SetTraceStream(nullptr);
    }

    CScratchFolder folder_{{"softKB.skb", "keydef.skb", "memo.ink"}};
    CMessageRecorder messages_;
    CRecordingShell shell_;
    CWin32MainDialog dialog_{Win32MainServices{&shell_, nullptr, nullptr, &messages_}};
};

// The behaviour of each command is the logic's (tests/ui); these only show
// that every control and notification of the real window reaches it.
TEST_F(Win32MainWindow, EveryControlReachesItsHandler)
{
    HWND window = nullptr;
    HWND list = nullptr;
    HWND remove = nullptr;
    HDROP drop = nullptr;
    int dropped = 0;
    bool removeAfterEmptyClick = true;
    bool removeAfterRowClick = false;
    int rowsAfterRemove = 0;
    std::size_t opensAfterF1 = 0;
    std::size_t opensAfterShiftF1 = 0;
    std::size_t opensAfterSetupF1 = 0;
    HWND setup = nullptr;

    CWindowScript script({
        [&] { return (window = FindThreadWindow(kMainCaption)) != nullptr; },
        [&] {
            list = GetDlgItem(window, IDC_FILE_LIST);
            remove = GetDlgItem(window, IDC_REMOVE);
            drop = MakeDrop({"C:\\ink\\a.ink", "C:\\ink\\b.ink"});
            PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
            return true;
        },
        [&] {
            if ((dropped = ListRowCount(list)) != 2)
                return false;
            PostEmptyClick(list);
            return true;
        },
        [&] {
            removeAfterEmptyClick = IsWindowEnabled(remove) != FALSE;
            PostRowClick(list, 0, false);
            return true;
        },
        [&] {
            removeAfterRowClick = IsWindowEnabled(remove) != FALSE;
            PostClick(window, IDC_REMOVE);
            return true;
        },
        [&] {
            rowsAfterRemove = ListRowCount(list);
            PressF1(window, false);
            opensAfterF1 = shell_.opened.size();
            PressF1(window, true);
            opensAfterShiftF1 = shell_.opened.size();
            PostClick(window, IDC_KEY_SETUP);
            return true;
        },
        [&] { return (setup = FindThreadWindow(kSetupCaption)) != nullptr; },
        [&] {
            PressF1(setup, false);
            opensAfterSetupF1 = shell_.opened.size();
            PostMessageW(setup, WM_CLOSE, 0, 0);
            return true;
        },
        ClickWhenGone(setup, window, IDOK),
    });
    EXPECT_EQ(dialog_.RunModal(nullptr), IDOK);
    ASSERT_TRUE(script.Done()) << script.Failure();
    EXPECT_TRUE(messages_.messages.empty());

    EXPECT_EQ(dropped, 2);
    EXPECT_EQ(GlobalSize(drop), 0u) << "the drop handle is freed";
    EXPECT_FALSE(removeAfterEmptyClick);
    EXPECT_TRUE(removeAfterRowClick);
    EXPECT_EQ(rowsAfterRemove, 1);
    EXPECT_EQ(opensAfterF1, 1u);
    EXPECT_EQ(opensAfterShiftF1, 1u);
    EXPECT_EQ(opensAfterSetupF1, 2u);
    // The mapping went with the window.
    EXPECT_EQ(dialog_.Logic().Mapping(), nullptr);
}

// A page whose folder and name hold a character of the ANSI code page beyond
// ASCII, dropped as the shell drops it (ANSI), converted through the real
// save dialog; what the window's messages bring while that dialog is open
// starts no second run and leaves the list as it is.
TEST_F(Win32MainWindow, ConvertsAPathOfTheSystemCodePageOnceThroughTheSaveDialog)
{
    const std::string before = GetCurrentDir();
    const std::wstring name = AnsiCodePageName();
    const std::wstring folder = folder_.Path().wstring() + L"\\" + name;
    const std::wstring inkWide = folder + L"\\" + name + L".ink";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(L"memo.ink", inkWide.c_str(), TRUE));
    const std::string inkPath = WideToAnsi(inkWide);
    const std::string chosen = WideToAnsi(folder + L"\\page");
    HWND window = nullptr;
    HWND list = nullptr;
    HWND save = nullptr;
    bool mainEnabledUnderSave = true;
    HDROP lateDrop = nullptr;
    std::wstring suggested;
    int rowsDuringRun = 0;
    HWND secondDialog = nullptr;
    std::array<std::wstring, 3> converted;

    CWindowScript script({
        [&] { return (window = FindThreadWindow(kMainCaption)) != nullptr; },
        [&] {
            list = GetDlgItem(window, IDC_FILE_LIST);
            PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({inkPath})), 0);
            PostClick(window, IDC_CONVERT);
            return true;
        },
        [&] { return (save = FindOtherDialog({window})) != nullptr; },
        [&] {
            mainEnabledUnderSave = IsWindowEnabled(window) != FALSE;
            PostClick(window, IDC_CONVERT);
            lateDrop = MakeDrop({"C:\\ink\\late.ink"});
            PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(lateDrop), 0);
            PostClick(window, IDC_REMOVE);
            PostClick(window, IDC_KEY_SETUP);
            return true;
        },
        [&] {
            rowsDuringRun = ListRowCount(list);
            secondDialog = FindOtherDialog({window, save});
            // The file name box is an edit field or, in newer dialogs, a combo box.
            HWND nameBox = GetDlgItem(save, cmb13) ? GetDlgItem(save, cmb13) : GetDlgItem(save, edt1);
            suggested = TextOf(nameBox);
            SetWindowTextW(nameBox, AnsiToWide(chosen).c_str());
            PostClick(save, IDOK);
            return true;
        },
        [&] {
            if (!messages_.Shown("HTMLファイルを生成しました"))
                return false;
            converted = {ListText(list, 0, 0), ListText(list, 0, 1), ListText(list, 0, 2)};
            PostRowClick(list, 0, true);
            return true;
        },
        [&] {
            if (shell_.opened.empty())
                return false;
            PostClick(window, IDOK);
            return true;
        },
    });
    EXPECT_EQ(dialog_.RunModal(nullptr), IDOK);
    ASSERT_TRUE(script.Done()) << script.Failure();

    EXPECT_FALSE(mainEnabledUnderSave);
    EXPECT_EQ(rowsDuringRun, 1);
    EXPECT_EQ(secondDialog, nullptr) << "a second run or Keyboard Setup opened during the run";
    EXPECT_EQ(GlobalSize(lateDrop), 0u) << "an ignored drop is still freed";
    EXPECT_EQ(suggested, name + L".html");
    const std::string page = chosen + ".html";
    EXPECT_EQ(converted, (std::array<std::wstring, 3>{inkWide, L"変換済み", AnsiToWide(page)}));
    EXPECT_EQ(GetFileAttributesA(page.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(shell_.opened, std::vector<std::string>{page});
    EXPECT_EQ(GetCurrentDir(), before);
    EXPECT_EQ(messages_.messages, std::vector<std::string>{"HTMLファイルを生成しました"});
}

// Every box is owned by the program's window in front, also when a window
// that is not the program's is active, so the main window takes no input
// while one is open. A refused key text is one of the key edit window's.
TEST_F(Win32MainWindow, BoxesAreOwnedByTheProgramsWindowInFront)
{
    CProgramMessageBoxes boxes(dialog_);
    messages_.forward = &boxes;
    HWND other = CreateWindowExW(0, L"STATIC", L"another window", WS_POPUP | WS_CAPTION | WS_VISIBLE, 500, 400, 200,
                                 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    const auto activateOther = [&] {
        SetActiveWindow(other);
        return GetActiveWindow() == other;
    };
    struct Box {
        bool otherWasActive = false;
        HWND owner = nullptr;
        bool mainEnabled = true;
    };
    Box fromMain;
    Box fromEditor;
    HWND window = nullptr;
    HWND setup = nullptr;
    HWND editor = nullptr;
    HWND box = nullptr;
    int focusAfterBox = 0;
    // The step that waits for a box, notes how it stands and closes it.
    const auto noteBox = [&](Box& seen) {
        return [&seen, &box, &window] {
            if (!(box = FindThreadWindow(L"Marovi")))
                return false;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.mainEnabled = IsWindowEnabled(window) != FALSE;
            PostClick(box, IDOK);
            return true;
        };
    };

    CWindowScript script({
        [&] { return (window = FindThreadWindow(kMainCaption)) != nullptr; },
        [&] {
            // Nothing to convert: the run answers with a box.
            fromMain.otherWasActive = activateOther();
            PostClick(window, IDC_CONVERT);
            return true;
        },
        noteBox(fromMain),
        ClickWhenGone(box, window, IDC_KEY_SETUP),
        [&] { return (setup = FindThreadWindow(kSetupCaption)) != nullptr; },
        [&] {
            PostRowClick(GetDlgItem(setup, IDC_KEY_LIST), 1, true);
            return true;
        },
        [&] { return (editor = FindThreadWindow(kEditCaption)) != nullptr; },
        [&] {
            SetDlgItemTextW(editor, IDC_SLOT_FIRST + 2, L"\"quoted");
            fromEditor.otherWasActive = activateOther();
            PostClick(editor, IDOK);
            return true;
        },
        noteBox(fromEditor),
        [&] {
            if (IsWindow(box))
                return false;
            focusAfterBox = GetDlgCtrlID(GetFocus());
            PostClick(editor, IDCANCEL);
            return true;
        },
        ClickWhenGone(editor, setup, IDCANCEL),
        ClickWhenGone(setup, window, IDOK),
    });
    EXPECT_EQ(dialog_.RunModal(nullptr), IDOK);
    DestroyWindow(other);
    ASSERT_TRUE(script.Done()) << script.Failure();

    EXPECT_TRUE(fromMain.otherWasActive);
    EXPECT_EQ(fromMain.owner, window);
    EXPECT_FALSE(fromMain.mainEnabled);
    EXPECT_TRUE(fromEditor.otherWasActive);
    EXPECT_EQ(fromEditor.owner, editor);
    EXPECT_FALSE(fromEditor.mainEnabled);
    EXPECT_EQ(focusAfterBox, IDC_SLOT_FIRST + 2) << "the refused field is selected";
}
