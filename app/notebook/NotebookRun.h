#pragma once

#include "keyboard/HtmlConversion.h"
#include "keyboard/PageConversion.h"
#include "notebook/InkFolder.h"
#include "notebook/NotebookState.h"
#include "platform/MessageBox.h"
#include "ui/ConversionRun.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CKeyboardDef;
class CPageStrokes;
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
    // False for a plain run of pages: no state file, no index, nothing
    // recorded, and pages of one name are the path chooser's to refuse.
    bool notebook = true;
    // Pages written side by side, each on a thread of its own; 1 writes them
    // on the calling thread. What the run prints and writes is the same for
    // every count.
    int jobs = 1;
    // Keep each recognised page until it is published, for what the stager
    // does after the publication; otherwise it goes once it is staged.
    bool pagesUntilPublished = false;
    // Convert only what is out of date: a page missing, its ink changed, or
    // what the page before it handed on.
    bool update = false;
    bool index = false;
    PageEncoding encoding = PageEncoding::ShiftJis;
    // The pages are read for handwriting: a page recorded as not read for
    // it is not up to date.
    bool handwritingRead = false;
    // Whether the files asked for beside the page at htmlPath, written from
    // the ink file named `inkBaseName`, are all there; a page without them is
    // not up to date. Null: nothing is asked for.
    std::function<bool(const std::string& htmlPath, const std::string& inkBaseName)> pageFilesPresent;
    // Shown every page of the run that is read but not written: left up to
    // date (read again for it) or declined. It runs on a worker thread; what
    // it returns is done in the page's turn on the calling thread. (A page
    // written is the stager's, which can do the same with AfterPublish.)
    // Null: pages left up to date are not read.
    std::function<std::function<void()>(CPageStrokes& page, const std::string& inkBaseName)> seePage;
    // Asked before each page; when it says yes the run ends there, what it
    // did recorded. Null: never.
    std::function<bool()> stopRequested;
};

// The state file of an output folder as found: none, read, or there but not
// readable as one (which means converting everything).
enum class StateFound { None, Read, Damaged };
// Read: `state` hands out its pages as the run asks for them.
StateFound ReadNotebookState(const std::string& outputDir, CStateReader& state);

// Where the page of ink file `index`, named `inkBaseName`, is written; nothing
// when it is not to be. Asked in run order; what it has to say goes to `log`,
// told when the page's turn comes.
using NotebookPathChooser =
    std::function<std::optional<std::string>(int index, const std::string& inkBaseName, CDeferredMessages& log)>;

// Writes one recognised page to htmlPath without publishing it (see
// CPageStrokes::StageHtml, given `staging`); may run beside other pages on
// another thread, so what it has to say goes to `log` (or to the page's
// keyboard, whose box is the log) and what is to be done once the page is
// published goes to the staged page. Null when the page cannot be written,
// its message in the log.
using PageStager = std::function<std::unique_ptr<CStagedPage>(CPageStrokes& page, const std::string& htmlPath,
                                                               const std::string& inkBaseName,
                                                               const PageStaging& staging, CDeferredMessages& log)>;

struct NotebookOutcome {
    int pagesWritten = 0;
    bool stopped = false;  // settings.stopRequested ended the run before its last page
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
// The ink files are read and recognised in order on the calling thread
// (cheap next to the writing, and the only place one page depends on the one
// before), written side by side by settings.jobs threads, and published and
// told to `observer` in order on the calling thread, many pages synced at
// once. Every message of a page reaches the keyboard's message box in its
// turn, between the observer's FileStarted and FileFinished of that page.
// With settings.update a page whose ink file, page and carry-in are as the
// state recorded is left as it is and its carry-out taken from the state.
// Every page converted is recorded (its ink, the carries, its text and
// thumbnail) and the state file, and with settings.index index.html, are
// written when, and only when, what they hold changed. `previous` is the
// state file as opened, null when none or damaged; its pages are read as the
// run comes to them (all at once for a run out of order) and taken over.
// Each page goes to <subfolder>/<name>.html in the output folder.
NotebookOutcome RunNotebook(const CInkList& inks, const CKeyboardDef& keyboard,
                            CQuadMapping* mapping, const NotebookSettings& settings, CStateReader* previous,
                            const NotebookPathChooser& choosePath, const PageStager& stagePage,
                            INotebookObserver& observer);
