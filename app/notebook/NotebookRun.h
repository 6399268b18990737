#pragma once

#include "keyboard/HtmlConversion.h"
#include "keyboard/PageConversion.h"
#include "notebook/InkFolder.h"
#include "notebook/NotebookState.h"
#include "ui/ConversionRun.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CKeyboardDef;
class CQuadMapping;

// Hears of the pages a run converts, as IConversionObserver does, and of
// those it leaves as they are.
class INotebookObserver : public IConversionObserver {
public:
    virtual void PageUpToDate(int index, const std::string& htmlPath) = 0;
    // Ink file `index` would go to the page an earlier ink file of the run
    // went to, up to date or written; it is not converted (its outcome
    // follows as cancelled).
    virtual void PageTaken(int index, const std::string& htmlPath) = 0;
};

struct NotebookSettings {
    std::string outputDir;  // absolute
    // Convert only what is out of date: a page missing, its ink changed, or
    // what the page before it handed on.
    bool update = false;
    bool index = false;
    PageEncoding encoding = PageEncoding::ShiftJis;
    // Asked before each page; when it says yes the run ends there, what it
    // did recorded. Null: never.
    std::function<bool()> stopRequested;
};

// The state file of an output folder as found: none, read, or there but not
// readable as one (which means converting everything).
enum class StateFound { None, Read, Damaged };
StateFound ReadNotebookState(const std::string& outputDir, NotebookState& state);

// Where the page of ink file `index`, named `inkBaseName`, is written; nothing
// when it is not to be.
using NotebookPathChooser = std::function<std::optional<std::string>(int index, const std::string& inkBaseName)>;

struct NotebookOutcome {
    int pagesWritten = 0;
    bool anyFailed = false;  // a page unreadable or not written
    // A file of the notebook itself that could not be written: its path and
    // errno; 0 when all were.
    std::string failedFile;
    int failedError = 0;
    // Pictures that could not be made smaller for the index: the page stands
    // and its entry shows a text tile. Path and errno of the first.
    std::string failedThumbnail;
    int thumbnailError = 0;
};

// The run over `inks` (in natural order), page after page as ConvertInkFiles
// converts them, the page before handing on its calibration and input mode.
// With settings.update a page whose ink file, page and carry-in are as the
// state recorded is left as it is and its carry-out taken from the state.
// Every page converted is recorded (its ink, the carries, its text and
// thumbnail) and the state file, and with settings.index index.html, are
// written when, and only when, what they hold changed. `previous` is the
// state file as read, null when none or damaged; its pages are taken over.
// Each page goes to <subfolder>/<name>.html in the output folder.
NotebookOutcome RunNotebook(const std::vector<ListedInk>& inks, const CKeyboardDef& keyboard,
                            CQuadMapping* mapping, const NotebookSettings& settings, NotebookState* previous,
                            const NotebookPathChooser& choosePath, const PageWriter& writePage,
                            INotebookObserver& observer);
