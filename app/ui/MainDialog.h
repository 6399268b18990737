#pragma once

#include "keyboard/KeyboardDef.h"
#include "ui/ConversionRun.h"
#include "ui/InkFileList.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class CQuadMapping;
class IButton;
class IKeyboardSetupRunner;
class IListView;
class IMessageBox;
class IShell;
class ISaveFileDialog;
class IWindowFrame;

// The controls of the main window and the services it calls. The front end
// owns them; every one is set and lives as long as the window.
struct MainDialogControls {
    IWindowFrame* frame = nullptr;
    IListView* fileList = nullptr;  // 1002
    IButton* exit = nullptr;        // 1
    IButton* help = nullptr;        // 57670
    IButton* convert = nullptr;     // 1000
    IButton* keySetup = nullptr;    // 1001
    IButton* remove = nullptr;      // 1007
    ISaveFileDialog* saveDialog = nullptr;
    IShell* shell = nullptr;
    IKeyboardSetupRunner* keyboardSetup = nullptr;
    // Every message of the window and the dialogs over it.
    IMessageBox* messages = nullptr;
};

// The main window's logic: the file list, the keyboard definition and the
// calibration mapping of the program run, and the pages of the last
// conversion run. The front end forwards each window event to the handler of
// the same name; every handler runs to its end, modal dialogs and message
// boxes included.
//
// The application constructs this one dialog, runs it modally and ends when
// it closes, whichever way: the front end creates the window, binds its
// controls through OnInitDialog, forwards the events, calls OnDestroy when
// the window goes and then destroys the CMainDialog. Handlers other than
// OnInitDialog may only be called between OnInitDialog and OnDestroy.
class CMainDialog {
public:
    // `writePage` writes each converted page; tests may record instead.
    explicit CMainDialog(PageWriter writePage = WriteHtmlPage);
    ~CMainDialog();
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    // Where the mapping's self-test writes its lines at initialisation:
    // standard output unless set before OnInitDialog; null discards them.
    // The stream is not owned.
    void SetTraceStream(std::FILE* stream) { traceStream_ = stream; }
    // Told of each row of the conversion runs; null (the default) for none.
    // Not owned.
    void SetConversionObserver(IConversionObserver* observer) { conversionObserver_ = observer; }
    // Whether the conversion runs keep their pages in Results() (the
    // default); when not, each page goes once it is written and Results()
    // stays empty.
    void SetKeepRunPages(bool keep) { keepRunPages_ = keep; }

    // Icon, columns, mapping and keyboard, then, when softKB.skb could be
    // read, button pictures, full-row selection, caption and hint rows.
    // Always true: the platform sets the initial focus.
    bool OnInitDialog(const MainDialogControls& controls);
    void OnDestroy();

    // While a conversion run goes on, the list stays as it is: drops and
    // removals are ignored, and so are a second run and Keyboard Setup.
    void OnDropFiles(const std::vector<std::string>& paths);
    void OnRemoveSelected();
    void OnListClick();
    void OnListDoubleClick();
    void OnHelp();
    // True when F1 was taken as the help command; false leaves it to the
    // platform (a modifier key was held).
    bool OnF1(bool shift, bool ctrl, bool alt);
    void OnKeyboardSetup();
    void OnConvert();

    // False when softKB.skb could not be read at initialisation: the window
    // still works, without pictures, caption and hint rows.
    bool KeyboardLoaded() const { return keyboardLoaded_; }

    CInkFileList& FileList() { return fileList_; }
    const CInkFileList& FileList() const { return fileList_; }
    const CKeyboardDef& Keyboard() const { return keyboard_; }
    CQuadMapping* Mapping() const { return mapping_.get(); }
    const RunResults& Results() const { return results_; }

private:
    MainDialogControls controls_;
    PageWriter writePage_;
    CInkFileList fileList_;
    CKeyboardDef keyboard_;
    // Shared by the keyboard, its clones and the pages of the last run, which
    // hold it without owning it.
    std::unique_ptr<CQuadMapping> mapping_;
    RunResults results_;
    CConversionRun conversion_;
    std::FILE* traceStream_ = stdout;
    IConversionObserver* conversionObserver_ = nullptr;
    bool keepRunPages_ = true;
    bool keyboardLoaded_ = false;
};
