// marovi-convert: Marovi's conversion without its window. The ink files are
// dropped onto the main window's logic over in-memory controls and the
// conversion command is pressed; the save dialog answers with the output
// path, and cancels where a file exists and overwriting was not asked for.

#include "CommandLine.h"

#include "platform/CurrentDirectory.h"
#include "platform/InMemoryControls.h"
#include "platform/InMemoryListView.h"
#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"
#include "platform/SaveFileDialog.h"
#include "platform/Shell.h"
#include "platform/TextEncoding.h"
#include "ui/KeyboardSetupDialog.h"
#include "ui/MainDialog.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#ifndef MAROVI_VERSION
#define MAROVI_VERSION "unknown"
#endif

namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeNotConverted = 1;
constexpr int kUsageOrSetupError = 2;

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

// Answers as the user would: with the output file, or the suggested name in
// the output folder. An existing file is declined unless overwriting was
// asked for, as if the overwrite prompt had been answered no.
class CCommandLineSaveDialog : public ISaveFileDialog {
public:
    CCommandLineSaveDialog(std::optional<std::string> outputFile, std::string outputDir, bool force)
        : outputFile_(std::move(outputFile)), outputDir_(std::move(outputDir)), force_(force)
    {
    }

    std::optional<std::string> Ask(const SaveFileRequest& request) override
    {
        const std::string path = outputFile_ ? *outputFile_ : AbsolutePath(request.suggestedName, outputDir_);
        if (!force_ && request.overwritePrompt && Exists(path))
            return std::nullopt;
        return path;
    }

private:
    std::optional<std::string> outputFile_;
    std::string outputDir_;
    bool force_;
};

// Nothing is opened and Keyboard Setup never runs without a window.
class CNoShell : public IShell {
public:
    void Open(const std::string&) override {}
};

class CNoKeyboardSetup : public IKeyboardSetupRunner {
public:
    DialogResult Run(CKeyboardSetupDialog&) override { return DialogResult::Cancel; }
};

int UsageFailure(const std::string& problem)
{
    Print(stderr, "marovi-convert: " + problem +
                      "\nusage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] INKFILE...\n"
                      "Try 'marovi-convert --help' for more information.\n");
    return kUsageOrSetupError;
}

int Convert(const ConvertOptions& options)
{
    // Every path of the command line is taken from where the command runs,
    // before the keyboard folder becomes the current directory.
    const std::string startDir = GetCurrentDir();
    if (startDir.empty())
        return UsageFailure("cannot determine the current directory");
    std::vector<std::string> inkFiles;
    for (const std::string& file : options.inkFiles)
        inkFiles.push_back(AbsolutePath(file, startDir));
    std::optional<std::string> outputFile;
    if (options.outputFile)
        outputFile = AbsolutePath(*options.outputFile, startDir);
    const std::string outputDir = AbsolutePath(options.outputDir.value_or("."), startDir);
    if (!outputFile && !IsDirectory(outputDir))
        return UsageFailure(PathForDisplay(outputDir) + ": not a directory");
    if (!EnterKeyboardDir(options.keyboardDir, startDir))
        return UsageFailure(PathForDisplay(options.keyboardDir) + ": cannot enter the keyboard folder");

    const ScopedMessageSink messages([](const std::string& text, MessageIcon) {
        Print(stderr, "Marovi: " + SjisToUtf8(text) + "\n");
        std::fflush(stderr);
    });

    CInMemoryWindowFrame frame;
    CInMemoryListView list;
    CInMemoryButton exit, help, convert, keySetup, remove;
    CCommandLineSaveDialog saveDialog(outputFile, outputDir, options.force);
    CNoShell shell;
    CNoKeyboardSetup keyboardSetup;
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
    controls.keyboardSetup = &keyboardSetup;

    CMainDialog dialog;
    dialog.SetTraceStream(options.verbose ? stderr : nullptr);
    dialog.OnInitDialog(controls);
    if (!dialog.KeyboardLoaded())
        return kUsageOrSetupError;

    dialog.OnDropFiles(inkFiles);
    dialog.OnConvert();

    int result = kAllConverted;
    for (int row = 0; row < list.RowCount(); ++row) {
        const std::string status = list.GetItemText(row, CInkFileList::kStatusColumn);
        if (status != "変換済み")
            result = kSomeNotConverted;
        Print(stdout, PathForDisplay(list.GetItemText(row, CInkFileList::kPathColumn)) + "\t" + SjisToUtf8(status) +
                          "\t" + PathForDisplay(list.GetItemText(row, CInkFileList::kHtmlColumn)) + "\n");
    }
    dialog.OnDestroy();
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    KeepFreedMemoryForReuse();
    try {
        const ConvertOptions options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            Print(stdout, HelpText());
            return 0;
        }
        if (options.version) {
            Print(stdout, std::string("marovi-convert ") + MAROVI_VERSION + "\n");
            return 0;
        }
        return Convert(options);
    } catch (const UsageError& error) {
        return UsageFailure(error.what());
    } catch (const std::exception& error) {
        // Whatever was under way is not converted.
        Print(stderr, std::string("marovi-convert: ") + error.what() + "\n");
        return kSomeNotConverted;
    }
}
