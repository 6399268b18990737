#pragma once

#include "platform/SaveFileDialog.h"

#include <functional>
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

// Writes one recognised page as HTML at `htmlPath`; the pictures are named
// after `inkBaseName`. True when the page was written; a failure has shown its
// message.
using PageWriter =
    std::function<bool(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName)>;

// The program's page writer, CPageStrokes::ConvertToHtml.
bool WriteHtmlPage(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName);

// The conversion command: every row of the list, in list order, is read,
// recognised with a clone of the keyboard (the clone of the page before, so a
// calibration found on one page carries over to the next pages of the run),
// offered for saving and written. Each row ends with its status, selected;
// `results` is replaced by the run's pages. A list that shows the drop hint,
// or no row, only gets the drop message.
void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results);

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
             const PageWriter& writePage, RunResults& results);

private:
    bool running_ = false;
};

// The ink file's name without its folder and without its extension (from the
// last "." of the name on). Folders end at "/" and at `separator`; a byte for
// which `isLeadByte` holds begins a two-byte character, whose second byte
// ends nothing (in Shift_JIS it may be "\").
std::string InkBaseName(const std::string& path, char separator, bool (*isLeadByte)(unsigned char));
// With the platform's separator and the lead bytes of its path encoding.
std::string InkBaseName(const std::string& path);

// What the save dialog is asked for the page of an ink file.
SaveFileRequest HtmlSaveRequest(const std::string& inkBaseName);
