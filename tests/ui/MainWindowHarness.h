#pragma once

// The main window over in-memory controls, in a fresh folder that is the
// current directory while a test runs, with fakes that record what the save
// dialog, the shell, Keyboard Setup and the page writer were asked.

#include "TestFiles.h"

#include "inkfile/InkFileWriter.h"
#include "inkgen/InkScript.h"
#include "platform/InMemoryControls.h"
#include "platform/InMemoryListView.h"
#include "platform/MessageBox.h"
#include "platform/SaveFileDialog.h"
#include "platform/Shell.h"
#include "ui/KeyboardSetupDialog.h"
#include "ui/MainDialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace uitest {

namespace fs = std::filesystem;

inline const std::string kHintRow = std::string(24, ' ') + "ここへドラッグ＆ドロップしてください。";
inline const std::string kDropMessage = "Inkoraのファイルをドラッグ＆ドロップし、変換ボタンを押してください。";
inline const std::string kRunFinished = "HTMLファイルを生成しました";

// A fresh folder holding a copy of the example keyboard, the current
// directory for the life of the object.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() : previous_(fs::current_path())
    {
        std::string pattern = (fs::temp_directory_path() / "marovi-ui-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        fs::current_path(dir_);
        fs::copy_file(ExampleKeyboardDir() / "softKB.skb", "softKB.skb");
    }
    ~WindowTest() override
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(dir_, ignored);
    }

    std::string Here(const std::string& name) const { return (dir_ / name).string(); }

    fs::path previous_;
    fs::path dir_;
};

// Writes the ink file of a page script (UTF-8, so a u8 literal) read against
// ./softKB.skb.
inline void WriteInkPage(const std::string& path, const std::string& script)
{
    inkgen::ScriptOptions options;
    options.keyboardPath = "softKB.skb";
    options.seed = 11;
    inkgen::ToInkFile(inkgen::RunScript(script, options)).Save(path);
}

// Answers with the scripted answers in turn (a path, or nothing for Cancel),
// then cancels. `during` runs while the dialog would be open.
class FakeSaveDialog : public ISaveFileDialog {
public:
    std::optional<std::string> Ask(const SaveFileRequest& request) override
    {
        requests.push_back(request);
        if (during)
            during();
        std::optional<std::string> answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        return answer;
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<SaveFileRequest> requests;
    std::function<void()> during;
};

class FakeShell : public IShell {
public:
    void Open(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};

class FakeSetupRunner : public IKeyboardSetupRunner {
public:
    DialogResult Run(CKeyboardSetupDialog&) override
    {
        if (during)
            during();
        return result;
    }
    DialogResult result = DialogResult::Cancel;
    std::function<void()> during;
};

enum class Writer { Recording, Html };

// The main window as a front end holds it, its messages kept in `messages`. The recording page writer notes
// (HTML path, base name) and the page keyboard's measured marks, and answers
// with `writeResult`; the HTML one is the program's.
class MainWindow {
public:
    explicit MainWindow(Writer writer = Writer::Recording, std::FILE* trace = nullptr)
        : dialog(writer == Writer::Html
                     ? PageWriter(WriteHtmlPage)
                     : [this](CPageStrokes& page, const std::string& htmlPath, const std::string& base) {
                           written.push_back({htmlPath, base});
                           writtenMarks.push_back(page.Keyboard().MeasuredMarks());
                           return writeResult;
                       })
    {
        dialog.SetTraceStream(trace);
        MainDialogControls controls;
        controls.frame = &frame;
        controls.fileList = &list;
        controls.exit = &exit;
        controls.help = &help;
        controls.convert = &convert;
        controls.keySetup = &keySetup;
        controls.remove = &remove;
        controls.saveDialog = &saveDialog;
        controls.shell = &shell;
        controls.keyboardSetup = &setupRunner;
        controls.messages = &box;
        dialog.OnInitDialog(controls);
    }

    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < list.RowCount(); ++row)
            texts.push_back(list.GetItemText(row, column));
        return texts;
    }
    void Select(int row, bool selected = true)
    {
        list.SetItemState(row, selected ? IListView::kSelected : 0u, IListView::kSelected);
    }

    CInMemoryWindowFrame frame;
    CInMemoryListView list;
    CInMemoryButton exit, help, convert, keySetup, remove;
    FakeSaveDialog saveDialog;
    FakeShell shell;
    FakeSetupRunner setupRunner;
    std::vector<std::vector<std::string>> written;
    std::vector<CKeyboardDef::Marks> writtenMarks;
    bool writeResult = true;
    // The texts of the messages the window and its dialogs showed, in order.
    std::vector<std::string> messages;
    struct Box : IMessageBox {
        explicit Box(std::vector<std::string>& texts) : into(texts) {}
        void Show(const Message& message) override { into.push_back(message.text); }
        std::vector<std::string>& into;
    } box{messages};
    CMainDialog dialog;
};

}  // namespace uitest
