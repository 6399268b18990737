// marovi-convert: Marovi's conversion without its window. The keyboard is
// loaded as the window loads it, the ink files are put in the window list's
// order and the conversion driver takes them; the save dialog answers with
// the output path, and cancels where a file exists and overwriting was not
// asked for.

#include "CommandLine.h"
#include "PageFiles.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"
#include "platform/SafeFile.h"
#include "platform/SaveFileDialog.h"
#include "platform/TextEncoding.h"
#include "ink/QuadMapping.h"
#include "interchange/InterchangeFiles.h"
#include "keyboard/HtmlConversion.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageConversion.h"
#include "keyboard/PageReading.h"
#include "keyboard/PageStrokes.h"
#include "ui/ConversionRun.h"
#include "notebook/InkFolder.h"
#include "notebook/NotebookRun.h"
#include "platform/FolderWatch.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#if MAROVI_CAN_RECOGNIZE
#include "handwriting/PageHandwriting.h"
#else
class CHandwritingReader;
#endif

#if MAROVI_CAN_DRAW
#include "ExplainLoader.h"
#include "RunPdf.h"
#include "drawing/Paper.h"
#else
// A build without the drawing modules names these types and never makes them.
class CRunPdf {};
struct PdfSettings {};
// A build without the drawing module names the type and never calls it.
using ExplainPictureFunction = bool (*)(const CPageStrokes&, const PageReadings&, const PageHandwriting*,
                                        const std::string&, std::string&);
#endif

#ifndef MAROVI_VERSION
#define MAROVI_VERSION "unknown"
#endif

namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeNotConverted = 1;
constexpr int kUsageOrSetupError = 2;

constexpr char kProgram[] = "marovi-convert: ";

// The system's reason for errno `error`, UTF-8.
std::string Reason(int error) { return SystemErrorText(error); }

// Windows takes "/" in paths, but the page writer finds the folder of a
// picture by the last backslash; every path is written the Windows way before
// use. A "/" is never the second byte of a Shift_JIS character.
std::string NativePath(std::string path)
{
    if (PathSeparator() != '/')
        std::replace(path.begin(), path.end(), '/', PathSeparator());
    return path;
}

bool StderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// `name` in the folder as the user gave it (nothing: the current directory).
std::string InFolder(const std::optional<std::string>& folder, const std::string& name)
{
    return JoinPath(folder.value_or(""), name);
}

// The explanation of the page at htmlPath: <name>.explain.txt and
// <name>.explain.png beside it, <name> being the page's file name without its
// extension.
struct ExplainFiles {
    std::string text;
    std::string picture;
};

ExplainFiles ExplainFilesFor(const std::string& htmlPath)
{
    return {FileBesidePage(htmlPath, ".explain.txt"), FileBesidePage(htmlPath, ".explain.png")};
}

// Where the run stands, for the terminal: which ink file is being converted
// (messages about it name it as the user gave it), the one-line progress on
// a terminal, and the status line of each file as it finishes.
class CRunReport : public INotebookObserver, public IMessageBox {
public:
    // `inkFiles`: the run's, in run order; they outlive the report.
    CRunReport(const CInkList& inkFiles, bool showProgress, std::string startDir,
               std::string keyboardDir)
        : inkFiles_(inkFiles),
          showProgress_(showProgress),
          startDir_(std::move(startDir)),
          keyboardDir_(std::move(keyboardDir))
    {
    }

    // Ink file `index` of the run as the user gave it.
    std::string GivenInk(int index) const { return inkFiles_.Given(static_cast<std::size_t>(index)); }

    // Messages shown outside any file take this as the subject of their
    // reason (the keyboard file while it is read).
    void SetReasonSubject(std::string subject) { reasonSubject_ = std::move(subject); }

    // A message of the program with the system's reason for its errno, if
    // any, and the file it is about.
    void Show(const Message& message) override
    {
        std::string reason;
        if (message.systemError != 0) {
            if (!message.subject.empty())
                reason = PathForDisplay(Shown(message.subject)) + ": ";
            else if (currentInk_.empty() && !reasonSubject_.empty())
                reason = PathForDisplay(reasonSubject_) + ": ";
            reason += Reason(message.systemError);
        }
        Tell(message.text, reason);
    }

    // A message of the program (Shift_JIS) with a reason of the converter's
    // own, UTF-8.
    void Tell(const std::string& sjisText, const std::string& reason)
    {
        std::string line = kProgram;
        if (!currentInk_.empty())
            line += PathForDisplay(currentInk_) + ": ";
        line += SjisToUtf8(sjisText);
        if (!reason.empty())
            line += " (" + reason + ")";
        Say(line);
    }

    // A line of the program's own, UTF-8, about the current file if any.
    void Note(const std::string& text)
    {
        Say(kProgram + (currentInk_.empty() ? std::string() : PathForDisplay(currentInk_) + ": ") + text);
    }

    void FileStarted(int index, int count, const std::string&) override
    {
        currentInk_ = GivenInk(index);
        if (showProgress_ && count > 1) {
            progress_ = "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " +
                        PathForDisplay(currentInk_);
            DrawProgress();
        }
    }

    void FileFinished(int index, InkFileConversion::Outcome outcome, const std::string& htmlPath) override
    {
        ClearProgress();
        progress_.clear();
        currentInk_.clear();
        if (outcome != InkFileConversion::Outcome::Converted)
            allConverted_ = false;
        PrintRow(index, OutcomeText(outcome), htmlPath);
    }

    void PageUpToDate(int index, const std::string& htmlPath) override { PrintRow(index, kUpToDateText, htmlPath); }

    void PageTaken(int, const std::string& htmlPath) override
    {
        Note(PathForDisplay(Shown(htmlPath)) + " is the page of an earlier ink file in this run and is not "
                                               "written again");
    }

    // The status line of file `index`, the status in Shift_JIS.
    void PrintRow(int index, const std::string& status, const std::string& htmlPath)
    {
        Print(stdout, PathForDisplay(inkFiles_.Path(static_cast<std::size_t>(index))) + "\t" + SjisToUtf8(status) +
                          "\t" + PathForDisplay(htmlPath) + "\n");
        // The first failure's reason is kept for the run's end, when it is told.
        errno = 0;
        if (std::fflush(stdout) != 0 && outputError_ == 0)
            outputError_ = errno != 0 ? errno : EIO;
    }

    // The reason the rows could not all be printed; 0 when they were.
    int OutputError() const { return outputError_; }

    // A run that wrote nothing has nothing to announce, and one whose rows
    // could not be printed has failed (told at its end).
    bool WantsClosingMessage(int pagesWritten) override
    {
        return pagesWritten > 0 && outputError_ == 0 && std::ferror(stdout) == 0;
    }

    // Something asked for beside a page could not be written; the page itself
    // stands.
    void MissingBesidePage() { allConverted_ = false; }

    bool AllConverted() const { return allConverted_; }

private:
    // A path the program made, as the user would write it: files of the
    // keyboard folder (the current directory meanwhile) in the folder as
    // given, the rest from where the command was started.
    std::string Shown(const std::string& path) const
    {
        if (!IsAbsolutePath(path))
            return InFolder(keyboardDir_.empty() ? std::nullopt : std::optional(keyboardDir_), path);
        const std::string base = startDir_.back() == PathSeparator() ? startDir_ : startDir_ + PathSeparator();
        return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path;
    }

    void Say(const std::string& line)
    {
        ClearProgress();
        Print(stderr, line + "\n");
        DrawProgress();
        std::fflush(stderr);
    }

    // Blanks rather than a terminal control sequence clear the line: every
    // console takes them.
    void DrawProgress()
    {
        if (progress_.empty())
            return;
        Print(stderr, "\r" + progress_);
        std::fflush(stderr);
        shownWidth_ = progress_.size();
    }

    void ClearProgress()
    {
        if (shownWidth_ == 0)
            return;
        Print(stderr, "\r" + std::string(shownWidth_, ' ') + "\r");
        std::fflush(stderr);
        shownWidth_ = 0;
    }

    const CInkList& inkFiles_;
    bool showProgress_;
    std::string startDir_;
    std::string keyboardDir_;
    std::string currentInk_;
    std::string reasonSubject_;
    std::string progress_;
    // Bytes of the progress line on the screen, 0 when none is.
    std::size_t shownWidth_ = 0;
    bool allConverted_ = true;
    int outputError_ = 0;
};

// Answers as the user would: with the output file, or the suggested name in
// the output folder. An existing page is declined unless overwriting was
// asked for, as if the overwrite prompt had been answered no; a page this run
// has already written is never written again, whatever -f says. Asked in
// run order; what it has to say about a page is told in the page's turn.
class CCommandLineSaveDialog {
public:
    // `inks`: the run's, which outlive the dialog.
    CCommandLineSaveDialog(const ConvertOptions& given, std::optional<std::string> outputFile, std::string outputDir,
                           const CInkList& inks, CRunReport& report)
        : given_(given),
          outputFile_(std::move(outputFile)),
          outputDir_(std::move(outputDir)),
          inks_(inks),
          // A notebook run offers each page once already.
          trackPages_(!given.update && !given.index),
          report_(report)
    {
    }

    std::optional<std::string> Ask(int index, const SaveFileRequest& request, CDeferredMessages& log)
    {
        const auto note = [this, &log](std::string text) {
            log.Later([this, text = std::move(text)] { report_.Note(text); });
        };
        const std::string& subfolder = inks_.Subfolder(static_cast<std::size_t>(index));
        const std::string name = subfolder.empty() ? request.suggestedName : InFolder(subfolder, request.suggestedName);
        const std::string path = outputFile_ ? *outputFile_ : AbsolutePath(name, outputDir_);
        const std::string shown =
            PathForDisplay(given_.outputFile ? *given_.outputFile : InFolder(given_.outputDir, name));
        // The pages of a run all go to one folder (-o takes one ink file), so
        // two that coincide have one path.
        if (const auto earlier = written_.find(path); trackPages_ && earlier != written_.end()) {
            note(shown + " is the page of " + PathForDisplay(report_.GivenInk(earlier->second)) +
                 " in this run and is not written again");
            return std::nullopt;
        }
        if (request.overwritePrompt && !given_.force && (PathExists(path) || IsLink(path))) {
            note(shown + " exists; -f overwrites it");
            return std::nullopt;
        }
        if (given_.explain && !given_.force) {
            const ExplainFiles files = ExplainFilesFor(path);
            const ExplainFiles shownFiles = ExplainFilesFor(shown);
            for (const auto& [file, shownFile] : {std::pair(files.text, shownFiles.text),
                                                  std::pair(files.picture, shownFiles.picture)}) {
                if (PathExists(file)) {
                    note(shownFile + " exists; -f overwrites it");
                    return std::nullopt;
                }
            }
        }
        if (const std::optional<std::string> taken =
                ExistingPageFile(given_, path, shown, InkBaseName(inks_.Path(static_cast<std::size_t>(index))))) {
            note(*taken + " exists; -f overwrites it");
            return std::nullopt;
        }
        if (!subfolder.empty() && madeFolders_.count(ParentFolder(path)) == 0) {
            if (const int error = MakeFolders(ParentFolder(path)); error != 0) {
                note("cannot make the folder of " + shown + " (" + Reason(error) + ")");
                return std::nullopt;
            }
            madeFolders_.insert(ParentFolder(path));
        }
        if (trackPages_)
            written_.emplace(path, index);
        return path;
    }

private:
    const ConvertOptions& given_;
    std::optional<std::string> outputFile_;
    std::string outputDir_;
    const CInkList& inks_;
    bool trackPages_;
    CRunReport& report_;
    // The page path of each page handed out in this run, with the index of
    // its ink file.
    std::unordered_map<std::string, int> written_;
    std::unordered_set<std::string> madeFolders_;
};

// The pictures an earlier, longer version of the page left in its folder:
// "<inkBase>.<n>.JPG" numbered past the `kept` of the page now there, and
// "<inkBase>.<n>.svg" past `keptSvgs` (none are kept when the page now has
// no SVGs: they would show an older page). Nothing else in the folder is
// touched, and a picture that cannot be removed is left behind: the page
// stands either way.
void RemoveOldPictures(const std::string& htmlPath, const std::string& inkBase, int32_t kept, int32_t keptSvgs)
{
    const std::string folder = PictureDirectoryFor(htmlPath);
    if (IsLink(folder))
        return;
    for (const std::string& name : FolderEntries(folder)) {
        if (PictureNumber(name, inkBase, ".JPG") > kept || PictureNumber(name, inkBase, ".svg") > keptSvgs)
            static_cast<void>(RemoveFile(folder + PathSeparator() + name));
    }
}

// Writes the explanation of a page just written to htmlPath; a file that
// cannot be written is named, and the run does not count as complete.
void WriteExplanation(const CPageStrokes& page, const PageReadings& readings, const PageHandwriting* handwriting,
                      const std::string& htmlPath, ExplainPictureFunction drawExplanation, CRunReport& report)
{
    const ExplainFiles files = ExplainFilesFor(htmlPath);
    if (const int error = WriteWholeFile(files.text, ExplanationText(readings)); error != 0) {
        report.Note("cannot write " + PathForDisplay(files.text) + " (" + Reason(error) + ")");
        report.MissingBesidePage();
    }
    std::string error;
    if (!drawExplanation(page, readings, handwriting, files.picture, error)) {
        report.Note("cannot write " + PathForDisplay(files.picture) + " (" + error + ")");
        report.MissingBesidePage();
    }
}

int UsageFailure(const std::string& problem)
{
    Print(stderr, kProgram + problem +
                      "\nusage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] [-j N] [--utf8] [--explain]\n"
                      "                      [-r] [--update] [--index] [--watch] [--text] [--inkml] [--html5]\n"
                      "                      [--svg] [--pdf FILE [--paper SIZE]] [--recognize [--model FILE]]\n"
                      "                      INKFILE|FOLDER...\n"
                      "Try 'marovi-convert --help' for more information.\n");
    return kUsageOrSetupError;
}

int SetupFailure(const std::string& problem)
{
    Print(stderr, kProgram + problem + "\n");
    return kUsageOrSetupError;
}

#if MAROVI_CAN_DRAW
// What is done in a page's turn with the page made for the document: it is
// added, or it is said that it could not be made.
std::function<void()> PdfPageTurn(CRunPdf& pdf, std::shared_ptr<PdfPageContent> made, std::string why,
                                  CRunReport& report)
{
    return [&pdf, made = std::move(made), why = std::move(why), &report] {
        if (made->sheets.empty()) {
            report.Note("cannot put the page into the PDF (" + why + ")");
            report.MissingBesidePage();
            return;
        }
        pdf.AddPage(std::move(*made));
    };
}
#endif

// What one conversion of the listed ink files needs beyond the options.
struct RunPlace {
    std::string startDir;
    std::optional<std::string> outputFile;
    std::string outputDir;
    ExplainPictureFunction drawExplanation = nullptr;
    // With --recognize: the handwriting model, opened once and read by
    // every worker at once.
    const CHandwritingReader* handwriting = nullptr;
    // The watch's question whether to stop, between pages; null outside one.
    std::function<bool()> stopRequested;
    // --pdf: the document's settings, its path absolute; null without.
    std::shared_ptr<PdfSettings> pdf;
};

constexpr char kRunFinished[] = "HTMLファイルを生成しました";

// The run through the notebook driver: with --update or --index it leaves
// up to date pages as they are and keeps the state file and the index, and
// what it could not write of those is told and makes the run incomplete;
// otherwise every page is converted. Either way pages are written side by
// side on -j threads.
void ConvertPages(const ConvertOptions& options, const CInkList& listed, const RunPlace& place,
                  const CKeyboardDef& keyboard, CQuadMapping& mapping, CCommandLineSaveDialog& saveDialog,
                  const PageStager& stagePage, CRunPdf* pdf, CRunReport& report)
{
    const bool notebook = options.update || options.index;
    CStateReader previous;
    StateFound found = StateFound::None;
    if (notebook) {
        const std::string shownFolder = options.outputDir.value_or(".");
        found = ReadNotebookState(place.outputDir, previous);
        const std::string shownState = PathForDisplay(InFolder(shownFolder, kNotebookStateName));
        if (found == StateFound::Damaged)
            report.Note(shownState + (options.update ? " cannot be read; every page is converted"
                                                     : " cannot be read; it is made anew from the pages of this run"));
        else if (found == StateFound::None && options.update && !listed.empty())
            report.Note(shownState + " is missing; every page is converted");
    }

    NotebookSettings settings;
    settings.outputDir = place.outputDir;
    settings.notebook = notebook;
    settings.update = options.update;
    settings.index = options.index;
    settings.jobs = options.jobs;
    settings.pagesUntilPublished = place.drawExplanation != nullptr;
    settings.encoding = options.utf8 ? PageEncoding::Utf8 : PageEncoding::ShiftJis;
    settings.stopRequested = place.stopRequested;
    settings.handwritingRead = place.handwriting != nullptr;
    if (WantsPageFiles(options) || options.svg)
        settings.pageFilesPresent = [&options](const std::string& htmlPath, const std::string& inkBase) {
            return PageFilesPresent(options, htmlPath, inkBase);
        };
#if MAROVI_CAN_DRAW
    // The document takes the pages not written too, in their turn; the
    // stager gives it those it writes.
    if (pdf)
        settings.seePage = [pdf, reader = place.handwriting, &report](CPageStrokes& page,
                                                                       const std::string& inkBaseName) {
            PageReadings readings;
            page.ReadPage(readings);
            std::unique_ptr<PageHandwriting> handwriting;
#if MAROVI_CAN_RECOGNIZE
            if (reader)
                handwriting = std::make_unique<PageHandwriting>(ReadPageHandwriting(readings, *reader));
#else
            static_cast<void>(reader);
#endif
            std::string why;
            auto made = std::make_shared<PdfPageContent>(
                pdf->MakePage(page, readings, handwriting.get(), inkBaseName, why));
            return PdfPageTurn(*pdf, std::move(made), std::move(why), report);
        };
#endif
    const int failedSaves = keyboard.FailedSaves();
    const NotebookOutcome outcome = RunNotebook(
        listed, keyboard, &mapping, settings, found == StateFound::Read ? &previous : nullptr,
        [&saveDialog](int index, const std::string& baseName, CDeferredMessages& log) {
            return saveDialog.Ask(index, HtmlSaveRequest(baseName), log);
        },
        stagePage, report);
    if (outcome.thumbnailError != 0) {
        report.Note("cannot write " + PathForDisplay(outcome.failedThumbnail) + " (" + Reason(outcome.thumbnailError) + ")");
        report.MissingBesidePage();
    }
    if (outcome.failedError != 0) {
        report.Note("cannot write " + PathForDisplay(outcome.failedFile) + " (" + Reason(outcome.failedError) + ")");
        report.MissingBesidePage();
    }
#if MAROVI_CAN_DRAW
    // A run the watch stopped halfway leaves the document as it was.
    if (pdf && !outcome.stopped) {
        bool unchanged = false;
        if (const int pdfError = pdf->Finish(unchanged); pdfError != 0) {
            report.Note("cannot write " + PathForDisplay(*options.pdfFile) + " (" + Reason(pdfError) + ")");
            report.MissingBesidePage();
        }
    }
#endif
    if (!outcome.anyFailed && outcome.failedError == 0 && keyboard.FailedSaves() == failedSaves &&
        report.WantsClosingMessage(outcome.pagesWritten))
        report.Tell(kRunFinished, "");
}

// Converts the listed ink files once, with the keyboard of the keyboard
// folder (the current directory): the exit status of the run.
int ConvertListed(const ConvertOptions& options, const CInkList& listed, const RunPlace& place)
{
    CRunReport report(listed, StderrIsTerminal(), place.startDir, options.keyboardDir);
    const std::string keyboardFile = InFolder(
        options.keyboardDir.empty() ? std::nullopt : std::optional(options.keyboardDir), "softKB.skb");
    report.SetReasonSubject(keyboardFile);

    // The keyboard and the mapping it shares with its clones and pages, set
    // up as the window sets them up; the mapping outlives them all.
    CQuadMapping mapping;
    mapping.SetTraceStream(options.verbose ? stderr : nullptr);
    mapping.SelfTest();
    CKeyboardDef keyboard;
    keyboard.SetMapping(&mapping);
    keyboard.SetMessageBox(&report);
    if (!keyboard.Load())
        return kUsageOrSetupError;
    // An empty, damaged or cut softKB.skb reads without keys: every stroke
    // would become a picture and the text would be lost.
    if (keyboard.KeyCount() == 0) {
        report.Tell(CKeyboardDef::kCannotOpenMessage, "no key could be read from " + PathForDisplay(keyboardFile));
        return kUsageOrSetupError;
    }
    report.SetReasonSubject("");

    std::unique_ptr<CRunPdf> pdf;
#if MAROVI_CAN_DRAW
    if (place.pdf) {
        std::string why;
        pdf = CRunPdf::Open(*place.pdf, why);
        if (!pdf)
            return SetupFailure("--pdf: cannot write " + PathForDisplay(*options.pdfFile) + ": " + why);
    }
#endif
    const PageEncoding encoding = options.utf8 ? PageEncoding::Utf8 : PageEncoding::ShiftJis;
    // Without -f a page takes only a free name: of two converters racing for
    // one page, one writes it.
    const FilePublish publish = options.force ? FilePublish::Replace : FilePublish::Exclusive;
    const ExplainPictureFunction drawExplanation = place.drawExplanation;
    const bool wantsPageFiles = WantsPageFiles(options);
    CRunPdf* const document = pdf.get();
    const CHandwritingReader* handwritingReader = place.handwriting;
    const bool wantsReadings = drawExplanation || wantsPageFiles || document || handwritingReader != nullptr;
    // Runs beside other pages: what it has to say goes to the page's log, and
    // what follows the page's publication (old pictures removed, the
    // explanation drawn) is done in the page's turn on the run's thread.
    const PageStager stagePage = [encoding, drawExplanation, wantsReadings, wantsPageFiles, publish, document,
                                  &options, handwritingReader, &report](
                                     CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName,
                                     const PageStaging& given,
                                     CDeferredMessages&) -> std::unique_ptr<CStagedPage> {
        auto readings = wantsReadings ? std::make_shared<PageReadings>() : nullptr;
        PageStaging staging = given;
        staging.svg = options.svg;
        std::unique_ptr<CStagedPage> staged =
            page.StageHtml(htmlPath, inkBaseName, encoding, readings.get(), publish, staging);
        if (!staged)
            return nullptr;
        CStagedPage& made = *staged;
        std::shared_ptr<const PageHandwriting> handwriting;
#if MAROVI_CAN_RECOGNIZE
        if (handwritingReader) {
            auto read = std::make_shared<PageHandwriting>(ReadPageHandwriting(*readings, *handwritingReader));
            if (given.handwriting)
                *given.handwriting = HandwritingCandidates(*read);
            handwriting = std::move(read);
        }
#endif
        if (wantsPageFiles)
            StagePageFiles(options, page, *readings, handwriting.get(), htmlPath, publish, made, [&report](const std::string& path, int error) {
                report.Note("cannot write " + PathForDisplay(path) + " (" + Reason(error) + ")");
                report.MissingBesidePage();
            });
        if (publish == FilePublish::Replace) {
            const int32_t kept = page.PicturesWritten();
            const int32_t keptSvgs = options.svg ? kept : 0;
            made.AfterPublish([htmlPath, inkBaseName, kept, keptSvgs] {
                RemoveOldPictures(htmlPath, inkBaseName, kept, keptSvgs);
            });
        }
#if MAROVI_CAN_DRAW
        if (document) {
            std::string why;
            auto content = std::make_shared<PdfPageContent>(document->MakePage(page, *readings, handwriting.get(), inkBaseName, why));
            made.AfterPublish(PdfPageTurn(*document, std::move(content), std::move(why), report));
        }
#endif
        if (drawExplanation) {
            // The page stays until its turn (the run keeps it), and the
            // drawing is done on the run's thread alone.
            CPageStrokes* shown = &page;
            made.AfterPublish([shown, readings, handwriting, htmlPath, drawExplanation, &report] {
                WriteExplanation(*shown, *readings, handwriting.get(), htmlPath, drawExplanation, report);
            });
        }
        return staged;
    };
    CCommandLineSaveDialog saveDialog(options, place.outputFile, place.outputDir, listed, report);
    ConvertPages(options, listed, place, keyboard, mapping, saveDialog, stagePage, pdf.get(), report);
    keyboard.SetMapping(nullptr);
    // The pages stand, but a calibration that could not be stored is lost
    // for the next run, and rows that were not printed are lost to whoever
    // reads them.
    if (const int error = report.OutputError(); error != 0) {
        ReportStandardOutputFailure("marovi-convert", error);
        return kSomeNotConverted;
    }
    if (keyboard.FailedSaves() > 0)
        return kSomeNotConverted;
    return report.AllConverted() ? kAllConverted : kSomeNotConverted;
}

// --watch: the folder converted as --update --index does, and again each
// time an ink file in it has been added or changed and left still. Each run
// tells its own pages and failures; the watch goes on after them, and ends
// with 0 when it is asked to.
int WatchFolder(const ConvertOptions& options, RunPlace place)
{
    // Long enough that a file copied in with a pause does not count as whole.
    constexpr int kQuietMilliseconds = 1200;
    const std::string& given = options.inkFiles.front();
    CFolderWatch watch;
    if (const int error = watch.Start(AbsolutePath(given, place.startDir), options.recursive); error != 0)
        return SetupFailure(PathForDisplay(given) + ": cannot watch the folder: " + Reason(error));
    place.stopRequested = [&watch] { return watch.StopRequested(); };
    for (;;) {
        const CInkList listed = ListRunInkFiles(options.inkFiles, options.recursive, place.startDir, &AbsolutePath);
        // Each row has been flushed as it was printed.
        if (ConvertListed(options, listed, place) == kUsageOrSetupError)
            return kUsageOrSetupError;
        switch (watch.WaitForQuiet(kQuietMilliseconds)) {
        case WatchWait::Changed:
            break;
        case WatchWait::Stopped:
            return kAllConverted;
        case WatchWait::Failed:
            return SetupFailure(PathForDisplay(given) + ": the watch stopped: " + Reason(watch.Error()));
        }
    }
}

int Convert(ConvertOptions options)
{
    ExplainPictureFunction drawExplanation = nullptr;
    if (options.explain) {
#if MAROVI_CAN_DRAW
        std::string why;
        drawExplanation = LoadExplainModule(why);
        if (!drawExplanation)
            return SetupFailure("--explain: cannot load the drawing module: " + why);
#else
        return SetupFailure("--explain: this build cannot draw (it has no cairo); explain pages on Linux");
#endif
    }
    if (options.pdfFile) {
#if !MAROVI_CAN_DRAW
        return SetupFailure("--pdf: this build cannot draw (it has no cairo); make the PDF on Linux");
#endif
    }
#if MAROVI_CAN_RECOGNIZE
    CHandwritingReader handwriting;
    CLexicon lexicon;
    if (options.recognize) {
        const std::string model = options.model.value_or(MAROVI_HANDWRITING_MODEL);
        std::string why;
        if (!handwriting.Open(model, why))
            return SetupFailure("--recognize: cannot read the handwriting model " + PathForDisplay(model) + ": " + why);
        // The word list helps where it is installed (mecab-ipadic) and is
        // done without where it is not.
        // Beside the plain nouns, those that take する (会議) and those that
        // take な (静か), the dictionary's files next to it: a word missing
        // from the list would be covered by another made of weaker
        // candidates.
        if (PathExists(MAROVI_HANDWRITING_LEXICON) && !IsFolder(MAROVI_HANDWRITING_LEXICON) &&
            lexicon.LoadIpadic(MAROVI_HANDWRITING_LEXICON, why)) {
            for (const char* more : {"Noun.verbal.csv", "Noun.adjv.csv"}) {
                const std::string file = InFolder(ParentFolder(MAROVI_HANDWRITING_LEXICON), more);
                if (PathExists(file) && !IsFolder(file))
                    static_cast<void>(lexicon.LoadIpadic(file, why));
            }
            handwriting.SetLexicon(&lexicon);
        }
    }
#else
    if (options.recognize)
        return SetupFailure("--recognize: this build cannot read handwriting (it has no zinnia); recognise pages on "
                            "Linux");
#endif
    for (std::string& file : options.inkFiles)
        file = NativePath(file);
    if (options.outputFile)
        options.outputFile = NativePath(*options.outputFile);
    if (options.outputDir)
        options.outputDir = NativePath(*options.outputDir);
    options.keyboardDir = NativePath(options.keyboardDir);
    if (options.watch)
        options.update = options.index = true;
    if (options.jobs == 0)
        options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // A page out of date is replaced: that is what updating it means.
    if (options.update)
        options.force = true;

    // Every path of the command line is taken from where the command runs,
    // before the keyboard folder becomes the current directory.
    RunPlace place;
    place.drawExplanation = drawExplanation;
#if MAROVI_CAN_RECOGNIZE
    if (options.recognize)
        place.handwriting = &handwriting;
#endif
    place.startDir = GetCurrentDir();
    const std::string& startDir = place.startDir;
    if (startDir.empty())
        return UsageFailure("cannot determine the current directory");
    if (options.watch && !IsFolder(AbsolutePath(options.inkFiles.front(), startDir)))
        return UsageFailure(PathForDisplay(options.inkFiles.front()) + ": --watch takes a folder");
    // In natural order, as a notebook numbers its pages; a path given twice
    // twice.
    const CInkList listed = ListRunInkFiles(options.inkFiles, options.recursive, startDir, &AbsolutePath);
    if (options.outputFile) {
        if (listed.size() != 1)
            return UsageFailure("-o takes one ink file only; use -d for several");
        place.outputFile = AbsolutePath(*options.outputFile, startDir);
        const std::string& outputFile = *place.outputFile;
        if (!IsFolder(ParentFolder(outputFile))) {
            const std::string givenFolder = ParentFolder(*options.outputFile);
            return SetupFailure(PathForDisplay(givenFolder) + ": no such folder for " +
                                PathForDisplay(*options.outputFile));
        }
        if (IsFolder(outputFile))
            return SetupFailure(PathForDisplay(*options.outputFile) + ": is a folder, not a page to write");
        if (PageFileNamedLikeThePage(options, outputFile))
            return SetupFailure(PathForDisplay(*options.outputFile) + ": a file asked for beside the page has its name");
        // The page and its pictures never go over the ink they come from.
        const std::string pictureFolder = PictureDirectoryFor(outputFile);
        for (std::size_t k = 0; k < listed.size(); ++k) {
            const ListedInk ink = listed[k];
            if (SameFile(ink.path, outputFile))
                return SetupFailure(PathForDisplay(ink.given) + ": -o names the ink file itself");
            if (SameFile(ParentFolder(ink.path), pictureFolder))
                return SetupFailure(PathForDisplay(ink.given) + ": lies in the picture folder of the page of -o");
        }
    }
#if MAROVI_CAN_DRAW
    if (options.pdfFile) {
        const std::optional<PaperSize> paper = FindPaper(options.paper.value_or("A4"));
        if (!paper)
            return UsageFailure("unknown paper " + *options.paper + " (A4, A5, A4-landscape or A5-landscape)");
        options.pdfFile = NativePath(*options.pdfFile);
        const std::string& given = *options.pdfFile;
        auto pdf = std::make_shared<PdfSettings>();
        pdf->path = AbsolutePath(given, startDir);
        pdf->paperWidthMm = paper->widthMm;
        pdf->paperHeightMm = paper->heightMm;
        pdf->title = InkBaseName(pdf->path);
        pdf->creator = std::string("marovi-convert ") + MAROVI_VERSION;
        if (!IsFolder(ParentFolder(pdf->path)))
            return SetupFailure(PathForDisplay(ParentFolder(given)) + ": no such folder for " + PathForDisplay(given));
        if (IsFolder(pdf->path))
            return SetupFailure(PathForDisplay(given) + ": is a folder, not a PDF to write");
        for (std::size_t k = 0; k < listed.size(); ++k) {
            if (SameFile(listed[k].path, pdf->path))
                return SetupFailure(PathForDisplay(given) + ": --pdf names an ink file of the run");
        }
        if (!options.force && (PathExists(pdf->path) || IsLink(pdf->path)))
            return SetupFailure(PathForDisplay(given) + " exists; -f overwrites it");
        place.pdf = std::move(pdf);
    }
#endif
    place.outputDir = AbsolutePath(options.outputDir.value_or("."), startDir);
    if (!place.outputFile && !IsFolder(place.outputDir)) {
        const int error = MakeFolders(place.outputDir);
        if (error != 0 || !IsFolder(place.outputDir)) {
            const std::string why = error != 0 ? Reason(error) : "not a folder";
            return UsageFailure(PathForDisplay(options.outputDir.value_or(".")) +
                                ": cannot make the output folder: " + why);
        }
    }
    if (!EnterKeyboardDir(options.keyboardDir, startDir))
        return UsageFailure(PathForDisplay(options.keyboardDir) + ": cannot enter the keyboard folder");
    if (!options.watch)
        return ConvertListed(options, listed, place);
    return WatchFolder(options, place);
}

int Run(int argc, char** argv)
{
    try {
        ConvertOptions options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            Print(stdout, HelpText());
            return 0;
        }
        if (options.version) {
            Print(stdout, std::string("marovi-convert ") + MAROVI_VERSION + "\n");
            return 0;
        }
        return Convert(std::move(options));
    } catch (const UsageError& error) {
        return UsageFailure(error.what());
    } catch (const std::exception& error) {
        // Whatever was under way is not converted.
        Print(stderr, std::string("marovi-convert: ") + error.what() + "\n");
        return kSomeNotConverted;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    KeepFreedMemoryForReuse();
    return FinishStandardStreams("marovi-convert", Run(argc, argv));
}
