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

// The conversion command: every row of the list, in list order, is read,
// recognised with a clone of the keyboard (the clone of the page before, so a
// calibration found on one page carries over to the next pages of the run),
// offered for saving and written. Each row ends with its status, selected;
// `results` is replaced by the run's pages. A list that shows the drop hint,
// or no row, only gets the drop message.
void RunConversion(CInkFileList& list, const CKeyboardDef& keyboard, CQuadMapping* mapping,
                   ISaveFileDialog& saveDialog, const PageWriter& writePage, RunResults& results);

// What the save dialog is asked for the page of an ink file.
SaveFileRequest HtmlSaveRequest(const std::string& inkBaseName);
