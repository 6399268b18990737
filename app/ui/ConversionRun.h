#pragma once

#include "keyboard/PageConversion.h"
#include "platform/SaveFileDialog.h"

#include <memory>
#include <string>
#include <vector>

class CInkFileList;
class CKeyboardDef;
class CPageStrokes;
class CQuadMapping;

// The pages of the last conversion run, entry i for row i; null for a row
// whose ink file could not be read.
using RunResults = std::vector<std::unique_ptr<CPageStrokes>>;

// Hears of each ink file of a conversion run as it goes; the window's list
// shows the outcomes, the command line prints them.
class IConversionObserver {
public:
    virtual ~IConversionObserver() = default;
    // File `index` of `count`, `inkPath`, is about to be read.
    virtual void FileStarted(int index, int count, const std::string& inkPath) = 0;
    // What became of it; `htmlPath` is the page written for a converted
    // file, empty otherwise.
    virtual void FileFinished(int index, InkFileConversion::Outcome outcome, const std::string& htmlPath) = 0;
    // Whether the run ends with its closing message, given how many pages it
    // wrote; asked only when nothing failed. The window always shows it.
    virtual bool WantsClosingMessage(int pagesWritten) = 0;
};

// The conversion of a run's ink files, in the order given: each is read,
// recognised with a clone of the keyboard (the clone of the page before, so
// a calibration found on one page carries over to the next pages of the
// run), offered for saving and written, and its outcome goes to `observer`.
// `results`, when given, is replaced by the run's pages, entry i for file i
// (null for a file that could not be read). The run ends with its closing
// message unless a file failed (unreadable or not written) or a calibration
// could not be saved. A keyboard without keys gets the keyboard's open
// message and nothing is converted, since every stroke would become a
// picture. Any failure of one file (running out of memory included) is that
// file's outcome, and the run goes on. Every message of the run, its pages'
// included, is shown on the keyboard's message box.
//
// With `results` null no page outlives its file: each goes once it is
// written (only a copy of its keyboard stays, for the pages after it), so a
// long run holds one page at a time.
void ConvertInkFiles(const std::vector<std::string>& inkPaths, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                     ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                     IConversionObserver* observer);

// The conversion command over the window's list: ConvertInkFiles over its
// rows in list order, each row ending with its status, selected. A list that
// shows the drop hint, or no row, only gets the drop message. `observer`
// hears of each row as the list does.
void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults* results,
                   IConversionObserver* observer = nullptr);

// The conversion command of one main window. A run shows save dialogs and
// message boxes from inside the click that started it, so the window's
// messages keep coming meanwhile. While it goes on, no second run may start
// (it would empty the results the first one is using) and the list it walks
// must not change; the window asks Running before it changes the list.
class CConversionRun {
public:
    CConversionRun() = default;
    CConversionRun(const CConversionRun&) = delete;
    CConversionRun& operator=(const CConversionRun&) = delete;

    bool Running() const { return running_; }
    // RunConversion, unless a run is going on already; then nothing happens.
    void Run(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping, ISaveFileDialog& saveDialog,
             const PageWriter& writePage, RunResults* results, IConversionObserver* observer = nullptr);

private:
    bool running_ = false;
};


// What the save dialog is asked for the page of an ink file.
SaveFileRequest HtmlSaveRequest(const std::string& inkBaseName);
