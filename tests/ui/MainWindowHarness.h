#pragma once

// A main window over in-memory controls, in a fresh folder that is the
// current directory while a test runs, with fakes for the save dialog, the
// shell, Keyboard Setup and the page writer that record what they were asked.

#include "inkgen/InkScript.h"
#include "inkfile/InkFileWriter.h"
#include "platform/InMemoryControls.h"
#include "platform/InMemoryListView.h"
#include "platform/MessageBox.h"
#include "platform/SaveFileDialog.h"
#include "platform/Shell.h"
#include "ui/KeyboardSetupDialog.h"
#include "ui/MainDialog.h"

#include <gtest/gtest.h>

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

// A fresh folder as the current directory for the life of the object.
class ScopedWorkDir {
public:
    ScopedWorkDir() : previous_(fs::current_path())
    {
        std::string pattern = (fs::temp_directory_path() / "marovi-ui-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        fs::current_path(path_);
    }
    ~ScopedWorkDir()
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(path_, ignored);
    }
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path previous_;
    fs::path path_;
};

class MessageLog {
public:
    MessageLog() : sink_([this](const std::string& text, MessageIcon) { messages_.push_back(text); }) {}
    std::vector<std::string>& Messages() { return messages_; }

private:
    std::vector<std::string> messages_;
    ScopedMessageSink sink_;
};

// Answers each request with the next scripted answer (a path, or nothing for
// Cancel); runs out into Cancel. `during` runs inside each request, while the
// dialog would be open.
class FakeSaveDialog : public ISaveFileDialog {
public:
    std::optional<std::string> Ask(const SaveFileRequest& request) override
    {
        requests.push_back(request);
        if (during)
            during();
        if (answers.empty())
            return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
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
        ++runs;
        if (during)
            during();
        return result;
    }
    DialogResult result = DialogResult::Cancel;
    std::function<void()> during;
    int runs = 0;
};

struct WrittenPage {
    std::string htmlPath;
    std::string baseName;
};

inline std::string ExamplesDir() { return MAROVI_EXAMPLES_DIR; }

inline void CopyExampleKeyboard(const fs::path& folder = ".")
{
    fs::copy_file(fs::path(ExamplesDir()) / "softKB.skb", folder / "softKB.skb",
                  fs::copy_options::overwrite_existing);
}

// Writes the ink file of a page script (UTF-8: write it as a u8 literal),
// read against ./softKB.skb.
inline void WriteInkPage(const std::string& path, const std::string& script)
{
    inkgen::ScriptOptions options;
    options.keyboardPath = "softKB.skb";
    options.seed = 11;
    inkgen::ToInkFile(inkgen::RunScript(script, options)).Save(path);
}

inline void WriteUnreadableFile(const std::string& path) { inkfile::SaveBytes(path, {'n', 'o', 't', ' ', 'i', 'n', 'k'}); }

enum class Writer { Recording, Html };

// The main window as the front end would hold it. The recording page writer
// notes its calls and answers with `writeResult`; the HTML one is the
// program's.
class MainWindow {
public:
    explicit MainWindow(bool init = true, Writer writer = Writer::Recording)
        : dialog(writer == Writer::Html ? PageWriter(WriteHtmlPage)
                                        : [this](CPageStrokes&, const std::string& htmlPath, const std::string& baseName) {
                                              written.push_back({htmlPath, baseName});
                                              return writeResult;
                                          })
    {
        dialog.SetTraceStream(nullptr);
        if (init)
            Init();
    }

    void Init()
    {
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
        dialog.OnInitDialog(controls);
    }

    std::string Text(int row, int column) const { return list.GetItemText(row, column); }
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
    void SelectAll()
    {
        for (int row = 0; row < list.RowCount(); ++row)
            Select(row);
    }

    CInMemoryWindowFrame frame;
    CInMemoryListView list;
    CInMemoryButton exit, help, convert, keySetup, remove;
    FakeSaveDialog saveDialog;
    FakeShell shell;
    FakeSetupRunner setupRunner;
    std::vector<WrittenPage> written;
    bool writeResult = true;
    CMainDialog dialog;
};

}  // namespace uitest
