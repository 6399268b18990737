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

// Hears of each row of a conversion run as it goes; the command line shows
// its progress and status lines through it.
class IConversionObserver {
public:
    virtual ~IConversionObserver() = default;
    // Row `row` of `rowCount` is about to be read.
    virtual void RowStarted(int row, int rowCount) = 0;
    // The row has its final status and page path.
    virtual void RowFinished(int row) = 0;
    // Whether the run ends with its closing message, given how many pages it
    // wrote. The window always shows it.
    virtual bool WantsClosingMessage(int pagesWritten) = 0;
};

// The conversion command: every row of the list, in list order, is read,
// recognised with a clone of the keyboard (the clone of the page before, so a
// calibration found on one page carries over to the next pages of the run),
// offered for saving and written. Each row ends with its status, selected;
// `results`, when given, is replaced by the run's pages. The run ends with
// its closing message unless a row failed (unreadable or not written). A
// list that shows
// the drop hint, or no row, only gets the drop message; a keyboard without
// keys gets the keyboard's open message and nothing is converted, since every
// stroke would become a picture. Any failure of one row (running out of
// memory included) marks that row, by the phase it failed in, and the run
// goes on.
//
// With `results` null no page outlives its row: each goes once it is written
// (only a copy of its keyboard stays, for the pages after it), so a long run
// holds one page at a time. What the rows show is the same either way.
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
