// marovi-notebook-bench: marovi-convert over a folder as a notebook, and
// Xournal++ making the same ink into one PDF beside it.
//
// The pages are the example memo page (examples/memo.ink.txt: text in all
// three input modes, 90 strokes, 2 pictures), each written with a hand of
// its own seed; a notebook longer than the pages made repeats them under
// further names (hard links where the folder allows).
//
//   marovi-notebook-bench --convert PATH [--pages N] [--update-pages N]
//       [--large-pages N] [--repeat N] [--disk DIR] [--xournalpp PATH|none]
//       WORKDIR
//
// WORKDIR should be on a memory file system. Measured there: the notebook
// of --pages pages (1,000) converted with --index, the median of --repeat
// runs (3); the same with --update-pages pages (5,000); and --large-pages
// pages (100,000; 0 leaves it out) for the peak memory. Each notebook is then
// run with --update --index with nothing changed. With --disk, the notebook
// of --pages pages again in DIR on a disk, the run counted until all it wrote
// is on the disk. With Xournal++ (and a display), `xournalpp --create-pdf`
// on one document of the notebook's strokes, one page per ink file, and on
// its first page alone for the program's start-up. In the same turns the
// notebook with --index --pdf from nothing, and --update --index --pdf with
// every page up to date and the document to make (the latter again on the
// --update-pages notebook for the peak memory), and --index --svg.
//
// Exits 1 when a target that was measured is missed: Marovi at least 10
// times Xournal++'s pages/s; on the disk at most 1.5 times the time in
// memory; the long notebook's peak memory at most 8 MiB above the notebook's;
// --update with nothing changed at most 0.1 s, writing nothing; at least 500
// pages/s from nothing; at most 16 MiB peak memory in every run without
// --pdf; --index --pdf at least 3 times Xournal++'s pages/s; the document of
// the longer notebook made in at most 2 MiB more than the notebook's; --svg
// adding at most a tenth to --index. A target
// that cannot be measured (no Xournal++, no --disk, --large-pages 0) is said
// to be so and leaves the exit status alone.

#include "ChildProcesses.h"
#include "ink/InkParser.h"
#include "inkgen/InkScript.h"
#include "inkfile/InkFileWriter.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <zlib.h>

#ifndef MAROVI_EXAMPLES_DIR
#error "MAROVI_EXAMPLES_DIR names the folder of the example keyboard and memo page"
#endif

namespace fs = std::filesystem;
using bench::ChildRun;
using bench::Launcher;
using bench::RunOptions;

namespace {

using Clock = std::chrono::steady_clock;

// The targets. Marovi's notebook against Xournal++ is the whole command on
// both sides, as a user meets it.
constexpr double kMinPagesPerSecond = 500;
constexpr double kMaxNothingToDoSeconds = 0.1;
constexpr long kMaxPeakKiB = 16 * 1024;
constexpr double kMinTimesXournal = 10;
constexpr double kMaxDiskOverMemory = 1.5;
constexpr long kMaxPeakGrowthKiB = 8 * 1024;
constexpr double kMinPdfTimesXournal = 3;
constexpr double kMaxSvgOverPlain = 1.10;
constexpr long kMaxPdfPeakGrowthKiB = 2 * 1024;

// More distinct pages than this would only lengthen the making of them.
constexpr int kMaxDistinctPages = 1000;

// A pen of 0.5 mm in Xournal++'s points.
constexpr double kXournalPenWidth = 0.5 * 72 / 25.4;
// Pen units are hundredths of a millimetre.
constexpr double kPointsPerPenUnit = 72.0 / 2540.0;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MiB(long kib) { return static_cast<double>(kib) / 1024.0; }

std::string Grouped(long number)
{
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// What the kernel calls the file system under `path`.
std::string FileSystemOf(const fs::path& path)
{
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x01021994: return "tmpfs";
    case 0x858458f6: return "ramfs";
    case 0xEF53: return "ext4";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    case 0x794c7630: return "overlayfs";
    case 0x6969: return "nfs";
    default: {
        char hex[32];
        std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(info.f_type));
        return hex;
    }
    }
}

bool InMemory(const fs::path& path)
{
    const std::string type = FileSystemOf(path);
    return type == "tmpfs" || type == "ramfs";
}

// Writes back everything pending on the file system holding `folder`.
void SyncFileSystem(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        throw std::runtime_error("cannot open " + folder.string());
    const int synced = ::syncfs(fd);
    ::close(fd);
    if (synced != 0)
        throw std::runtime_error("syncfs failed on " + folder.string());
}

// Every file below `folder` with its time of change.
std::map<std::string, fs::file_time_type> Times(const fs::path& folder)
{
    std::map<std::string, fs::file_time_type> times;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            times[entry.path().string()] = entry.last_write_time();
    }
    return times;
}

// The distinct memo pages, one seed each.
std::vector<fs::path> MakeMemoPages(const fs::path& folder, int count, const std::string& keyboard)
{
    const std::string script = ReadText(fs::path(MAROVI_EXAMPLES_DIR) / "memo.ink.txt");
    fs::create_directories(folder);
    std::vector<fs::path> pages;
    for (int page = 0; page < count; ++page) {
        inkgen::ScriptOptions options;
        options.keyboardPath = keyboard;
        options.seed = 417 + static_cast<uint32_t>(page);
        pages.push_back(folder / ("memo" + std::to_string(page + 1) + ".ink"));
        inkgen::ToInkFile(inkgen::RunScript(script, options)).Save(pages.back().string());
    }
    return pages;
}

// A notebook folder of `count` pages, page k being memo page k modulo their
// number. Hard links cost no room; a folder on another file system gets copies.
void MakeNotebook(const fs::path& folder, int count, const std::vector<fs::path>& memos)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    bool link = true;
    for (int page = 0; page < count; ++page) {
        const fs::path& memo = memos[static_cast<std::size_t>(page) % memos.size()];
        const fs::path ink = folder / ("page" + std::to_string(page + 1) + ".ink");
        std::error_code error;
        if (link) {
            fs::create_hard_link(memo, ink, error);
            if (!error)
                continue;
            link = false;
        }
        fs::copy_file(memo, ink);
    }
}

// --- Xournal++ ---------------------------------------------------------------

void GzWrite(gzFile out, const std::string& text)
{
    if (gzwrite(out, text.data(), static_cast<unsigned>(text.size())) != static_cast<int>(text.size()))
        throw std::runtime_error("cannot write the Xournal++ document");
}

// One page of a Xournal++ document: the ink file's pen strokes as the
// program's reader loads them, in points, in their pen's colour.
std::string XournalPage(const fs::path& ink)
{
    CInkParser parser;
    parser.SetPath(ink.string());
    CStderrMessageBox messages("marovi-notebook-bench: ");
    if (!parser.DoParse(messages))
        throw std::runtime_error("cannot read " + ink.string());
    const InkPageGeometry& geometry = parser.Geometry();
    // The records are upright; a page stored turned a quarter has its sides swapped.
    const bool quarter = geometry.orientation == 1 || geometry.orientation == 3;
    const double width = (quarter ? geometry.height : geometry.width) * kPointsPerPenUnit;
    const double height = (quarter ? geometry.width : geometry.height) * kPointsPerPenUnit;

    std::string page;
    char number[64];
    std::snprintf(number, sizeof number, "<page width=\"%.2f\" height=\"%.2f\">\n", width, height);
    page += number;
    page += "<background type=\"solid\" color=\"#ffffffff\" style=\"plain\"/>\n<layer>\n";
    const StrokeSample* records = parser.GetRecords();
    const uint32_t count = parser.GetRecordCount();
    std::size_t points = 0;
    std::string first;
    for (uint32_t i = 0; i < count; ++i) {
        const StrokeSample& record = records[i];
        if (record.kind == StrokeSample::PenDown) {
            const char* color = record.penColor == 2 ? "#0000ffff" : record.penColor == 3 ? "#ff0000ff" : "#000000ff";
            std::snprintf(number, sizeof number, "\" width=\"%.2f\">", kXournalPenWidth);
            page += std::string("<stroke tool=\"pen\" color=\"") + color + number;
            points = 0;
        }
        if (record.kind == StrokeSample::PenUp) {
            // A tap is one sample; Xournal++ refuses a stroke of fewer than two
            // points, so the tap is given twice, a dot.
            if (points == 1)
                page += " " + first;
            page += "</stroke>\n";
            continue;
        }
        std::snprintf(number, sizeof number, "%.2f %.2f", record.x * kPointsPerPenUnit, record.y * kPointsPerPenUnit);
        if (points == 0)
            first = number;
        else
            page += ' ';
        page += number;
        ++points;
    }
    page += "</layer>\n</page>\n";
    return page;
}

// One gzip-compressed Xournal++ document, a page for each ink file.
void WriteXournalDocument(const fs::path& path, const std::vector<fs::path>& inks)
{
    gzFile out = gzopen(path.c_str(), "wb6");
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    try {
        GzWrite(out, "<?xml version=\"1.0\" standalone=\"no\"?>\n"
                     "<xournal creator=\"marovi-notebook-bench\" fileversion=\"4\">\n"
                     "<title>Xournal++ document - see https://github.com/xournalpp/xournalpp</title>\n");
        for (const fs::path& ink : inks)
            GzWrite(out, XournalPage(ink));
        GzWrite(out, "</xournal>\n");
    } catch (...) {
        gzclose(out);
        throw;
    }
    if (gzclose(out) != Z_OK)
        throw std::runtime_error("cannot write " + path.string());
}

std::string Tail(const fs::path& log)
{
    std::string text;
    try {
        text = ReadText(log);
    } catch (const std::exception&) {
        return {};
    }
    if (text.size() > 600)
        text = "..." + text.substr(text.size() - 600);
    return text;
}

// Xournal++ making the notebook's strokes into a PDF: `xournalpp
// --create-pdf` on one document of all its pages, and on its first page alone
// for the program's start-up. Says why when it cannot run, and is left out.
class XournalPeer {
public:
    XournalPeer(Launcher& launcher, const std::string& program, const fs::path& folder,
                const std::vector<fs::path>& inks)
        : launcher_(launcher), program_(program), folder_(folder), one_(folder / "first-page.xopp"),
          all_(folder / "notebook.xopp"), pdf_(folder / "out.pdf")
    {
        options_.log = (folder / "xournalpp.log").string();
        options_.timeoutSeconds = 900;
        if (program_ == "none") {
            std::printf("Xournal++ NOT RUN: left out (--xournalpp none)\n");
            return;
        }
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
            std::printf("Xournal++ NOT RUN: it needs a display (scripts/bench.sh gives it one with xvfb-run)\n");
            return;
        }
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        try {
            WriteXournalDocument(one_, {inks.front()});
            WriteXournalDocument(all_, inks);
        } catch (const std::exception& error) {
            std::printf("Xournal++ NOT RUN: its document cannot be made: %s\n", error.what());
            return;
        }
        std::printf("Xournal++ document: %s pages of the same strokes, %.1f MiB compressed\n",
                    Grouped(static_cast<long>(inks.size())).c_str(),
                    static_cast<double>(fs::file_size(all_)) / (1024.0 * 1024.0));
        // A first run of each, not counted: on a new machine it sets up the
        // program's settings.
        ready_ = Run(one_, "the one-page document") && Run(all_, "the whole document");
    }

    ~XournalPeer()
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    bool Ready() const { return ready_; }

    // One run of each document, in turn.
    void RunOnce()
    {
        if (!ready_)
            return;
        const std::optional<ChildRun> first = Run(one_, "the one-page document");
        const std::optional<ChildRun> notebook = first ? Run(all_, "the whole document") : std::nullopt;
        if (!first || !notebook) {
            ready_ = false;
            return;
        }
        startup_.push_back(first->seconds);
        whole_.push_back(notebook->seconds);
        peakKiB_ = std::max(peakKiB_, notebook->peakKiB);
    }

    double StartupSeconds() const { return Median(startup_); }
    double Seconds() const { return Median(whole_); }
    long PeakKiB() const { return peakKiB_; }

private:
    // A run counts only with its PDF there, whatever the exit status says.
    std::optional<ChildRun> Run(const fs::path& document, const char* what)
    {
        fs::remove(pdf_);
        const ChildRun done = launcher_.Run({program_, "--create-pdf", pdf_.string(), document.string()}, options_);
        std::error_code error;
        const auto size = fs::file_size(pdf_, error);
        if (done.exitCode == 0 && !error && size > 0)
            return done;
        std::printf("Xournal++ FAILED on %s (exit status %d%s): no comparison with it. Its output:\n%s\n", what,
                    done.exitCode, done.exitCode == 127 ? ", not installed?" : error ? ", no PDF" : ", empty PDF",
                    Tail(options_.log).c_str());
        return std::nullopt;
    }

    Launcher& launcher_;
    std::string program_;
    fs::path folder_;
    fs::path one_;
    fs::path all_;
    fs::path pdf_;
    RunOptions options_;
    bool ready_ = false;
    std::vector<double> startup_;
    std::vector<double> whole_;
    long peakKiB_ = 0;
};

// --- marovi-convert --------------------------------------------------------

struct Notebook {
    std::string convert;
    fs::path keyboard;
    fs::path notes;
    fs::path html;
    // With --pdf: the document; empty without.
    fs::path pdf;
    bool svg = false;

    std::vector<std::string> Args(bool update) const
    {
        std::vector<std::string> args = {convert, "-k", keyboard.string(), "-d", html.string()};
        if (update)
            args.push_back("--update");
        if (!pdf.empty())
            args.insert(args.end(), {"--pdf", pdf.string()});
        if (svg)
            args.push_back("--svg");
        args.insert(args.end(), {"--index", notes.string()});
        return args;
    }
};

// Runs of a notebook converted from nothing: the median time, the highest peak.
struct FullRuns {
    std::vector<double> seconds;
    // Of `seconds`, the time the disk took to hold all a run wrote after it ended.
    std::vector<double> syncSeconds;
    long peakKiB = 0;

    double Median() const { return ::Median(seconds); }
    double MedianSync() const { return ::Median(syncSeconds); }
};

// The notebook converted from nothing once more. With `synced`, the run
// lasts until all it wrote is on the disk (the program syncs its files
// itself; what it leaves, folder entries, is synced after it), the disk
// having been brought up to date before it.
void RunFull(Launcher& launcher, const Notebook& notebook, bool synced, FullRuns& runs)
{
    fs::remove_all(notebook.html);
    if (!notebook.pdf.empty())
        fs::remove(notebook.pdf);
    if (synced)
        SyncFileSystem(notebook.notes);
    const auto start = Clock::now();
    const ChildRun run = launcher.Run(notebook.Args(false));
    if (run.exitCode != 0)
        throw std::runtime_error("marovi-convert --index failed on " + notebook.notes.string());
    const auto ended = Clock::now();
    if (synced)
        SyncFileSystem(notebook.html);
    runs.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    runs.syncSeconds.push_back(std::chrono::duration<double>(Clock::now() - ended).count());
    runs.peakKiB = std::max(runs.peakKiB, run.peakKiB);
}

// --update --index --pdf on a converted notebook whose document is gone:
// every page up to date, read again for the document alone.
void RunPdfOnly(Launcher& launcher, const Notebook& notebook, FullRuns& runs)
{
    fs::remove(notebook.pdf);
    const ChildRun run = launcher.Run(notebook.Args(true));
    if (run.exitCode != 0 || !fs::exists(notebook.pdf))
        throw std::runtime_error("marovi-convert --update --pdf failed on " + notebook.notes.string());
    runs.seconds.push_back(run.seconds);
    runs.peakKiB = std::max(runs.peakKiB, run.peakKiB);
}

struct NothingToDo {
    double seconds = 0;
    long peakKiB = 0;
    bool wrote = false;
};

// --update --index on a converted notebook: the first records its state,
// the next `repeat`, measured, have nothing to do.
NothingToDo RunNothingToDo(Launcher& launcher, const Notebook& notebook, int repeat)
{
    if (launcher.Run(notebook.Args(true)).exitCode != 0)
        throw std::runtime_error("the first --update failed");
    const auto before = Times(notebook.html);
    std::vector<double> times;
    NothingToDo figures;
    for (int i = 0; i < repeat; ++i) {
        const ChildRun run = launcher.Run(notebook.Args(true));
        if (run.exitCode != 0)
            throw std::runtime_error("the --update with nothing to do failed");
        times.push_back(run.seconds);
        figures.peakKiB = std::max(figures.peakKiB, run.peakKiB);
    }
    figures.seconds = Median(times);
    figures.wrote = Times(notebook.html) != before;
    return figures;
}

// --- the verdict -------------------------------------------------------------

class Targets {
public:
    void Measured(const std::string& what, bool met)
    {
        lines_.push_back(std::string(met ? "  met         " : "  MISSED      ") + what);
        missed_ = missed_ || !met;
    }
    void NotMeasured(const std::string& what, const std::string& why)
    {
        lines_.push_back("  NOT MEASURED " + what + " (" + why + ")");
    }
    int Report() const
    {
        std::printf("\nnotebook targets:\n");
        for (const std::string& line : lines_)
            std::printf("%s\n", line.c_str());
        std::printf(missed_ ? "a notebook target was missed\n" : "every notebook target measured was met\n");
        return missed_ ? 1 : 0;
    }

private:
    std::vector<std::string> lines_;
    bool missed_ = false;
};

// `value` with `decimals` decimals, and its sign when `withSign`.
std::string Fixed(double value, int decimals, bool withSign = false)
{
    char text[64];
    std::snprintf(text, sizeof text, withSign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

int Usage()
{
    std::fprintf(stderr, "usage: marovi-notebook-bench --convert PATH [--pages N] [--update-pages N] [--large-pages N]\n"
                         "           [--repeat N] [--disk DIR] [--xournalpp PATH|none] WORKDIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string convert;
    std::string xournalpp = "xournalpp";
    int pages = 1000;
    int updatePages = 5000;
    int largePages = 100000;
    int repeat = 3;
    fs::path disk;
    fs::path work;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto number = [&](int least) { return std::max(least, std::atoi(argv[++i])); };
        if (arg == "--convert" && i + 1 < argc) {
            convert = argv[++i];
        } else if (arg == "--pages" && i + 1 < argc) {
            pages = number(1);
        } else if (arg == "--update-pages" && i + 1 < argc) {
            updatePages = number(0);
        } else if (arg == "--large-pages" && i + 1 < argc) {
            largePages = number(0);
        } else if (arg == "--repeat" && i + 1 < argc) {
            repeat = number(1);
        } else if (arg == "--disk" && i + 1 < argc) {
            disk = argv[++i];
        } else if (arg == "--xournalpp" && i + 1 < argc) {
            xournalpp = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && work.empty()) {
            work = arg;
        } else {
            return Usage();
        }
    }
    if (convert.empty() || work.empty())
        return Usage();

    try {
        Launcher launcher;
        Targets targets;
        convert = fs::absolute(convert).string();
        work = fs::absolute(work);
        fs::remove_all(work);
        fs::create_directories(work / "kb");
        for (const char* file : {"softKB.skb", "keydef.skb"})
            fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / file, work / "kb" / file);
        if (!InMemory(work))
            std::printf("note: %s is on %s, not in memory; disk write-back is in every figure\n", work.c_str(),
                        FileSystemOf(work).c_str());

        const auto making = Clock::now();
        const std::vector<fs::path> memos =
            MakeMemoPages(work / "memos", std::min(pages, kMaxDistinctPages), (work / "kb" / "softKB.skb").string());
        std::printf("pages: the example memo page (examples/memo.ink.txt, 90 strokes, 2 pictures), %s hands of "
                    "their own, made in %.1f s; longer notebooks repeat them\n",
                    Grouped(static_cast<long>(memos.size())).c_str(),
                    std::chrono::duration<double>(Clock::now() - making).count());
        auto notebookIn = [&](const fs::path& folder, int size) {
            Notebook notebook;
            notebook.convert = convert;
            notebook.keyboard = work / "kb";
            notebook.notes = folder / ("notes-" + std::to_string(size));
            notebook.html = folder / ("html-" + std::to_string(size));
            return notebook;
        };

        // The notebook itself: in memory, on the disk and through Xournal++,
        // one run of each in turn, so that all share whatever else the
        // machine is doing at the time.
        const Notebook reference = notebookIn(work, pages);
        MakeNotebook(reference.notes, pages, memos);
        std::optional<Notebook> onDisk;
        if (!disk.empty()) {
            disk = fs::absolute(disk);
            fs::remove_all(disk);
            fs::create_directories(disk);
            onDisk = notebookIn(disk, pages);
            MakeNotebook(onDisk->notes, pages, memos);
        }
        std::vector<fs::path> inks;
        for (int page = 0; page < pages; ++page)
            inks.push_back(reference.notes / ("page" + std::to_string(page + 1) + ".ink"));
        XournalPeer xournal(launcher, xournalpp, work / "xournal", inks);
        Notebook withPdf = notebookIn(work, pages);
        withPdf.html = work / "html-pdf";
        withPdf.pdf = work / "notebook.pdf";
        FullRuns memory;
        FullRuns diskRuns;
        Notebook withSvg = notebookIn(work, pages);
        withSvg.html = work / "html-svg";
        withSvg.svg = true;
        FullRuns pdfRuns;
        FullRuns pdfOnly;
        FullRuns svgRuns;
        for (int i = 0; i < repeat; ++i) {
            RunFull(launcher, reference, false, memory);
            RunFull(launcher, withSvg, false, svgRuns);
            if (onDisk)
                RunFull(launcher, *onDisk, true, diskRuns);
            RunFull(launcher, withPdf, false, pdfRuns);
            RunPdfOnly(launcher, withPdf, pdfOnly);
            xournal.RunOnce();
        }
        const double pdfMiB = static_cast<double>(fs::file_size(withPdf.pdf)) / (1024.0 * 1024.0);
        fs::remove_all(withPdf.html);
        fs::remove(withPdf.pdf);
        fs::remove_all(withSvg.html);
        const std::string diskType = onDisk ? FileSystemOf(disk) : "";
        if (onDisk)
            fs::remove_all(disk);

        std::printf("marovi-convert -k KB -d OUT --index FOLDER: from nothing, median of %d; --update --index "
                    "with nothing changed, median of %d\n\n",
                    repeat, repeat);
        std::printf("%8s %-7s %12s %9s %12s %16s %12s %8s\n", "pages", "on", "full --index", "pages/s", "peak memory",
                    "--update, same", "peak memory", "written");
        auto row = [&](int size, const char* on, double seconds, long peakKiB, const NothingToDo* same) {
            std::printf("%8s %-7s %10.2f s %9.0f %8.1f MiB", Grouped(size).c_str(), on, seconds, size / seconds,
                        MiB(peakKiB));
            if (same)
                std::printf(" %14.3f s %8.1f MiB %8s\n", same->seconds, MiB(same->peakKiB),
                            same->wrote ? "yes" : "none");
            else
                std::printf(" %16s %12s %8s\n", "-", "-", "-");
            std::fflush(stdout);
        };

        const NothingToDo referenceSame = RunNothingToDo(launcher, reference, repeat);
        fs::remove_all(reference.html);
        row(pages, "memory", memory.Median(), memory.peakKiB, &referenceSame);
        bool fastEnough = pages / memory.Median() >= kMinPagesPerSecond;
        bool smallEnough = memory.peakKiB <= kMaxPeakKiB && referenceSame.peakKiB <= kMaxPeakKiB;
        bool updateQuick = referenceSame.seconds <= kMaxNothingToDoSeconds && !referenceSame.wrote;
        std::string updateSizes = Grouped(pages);
        if (onDisk) {
            row(pages, "disk", diskRuns.Median(), diskRuns.peakKiB, nullptr);
            std::printf("%8s %-7s %s, %s; a run lasts until all it wrote is on the disk, of which %.2f s after "
                        "the program ended (syncfs)\n",
                        "", "", disk.c_str(), diskType.c_str(), diskRuns.MedianSync());
            if (diskType == "tmpfs" || diskType == "ramfs")
                std::printf("%8s %-7s that folder is in memory, not on a disk: the figure says nothing of a disk\n",
                            "", "");
        }

        std::optional<FullRuns> longPdf;
        if (updatePages > 0 && updatePages != pages) {
            Notebook notebook = notebookIn(work, updatePages);
            MakeNotebook(notebook.notes, updatePages, memos);
            FullRuns full;
            RunFull(launcher, notebook, false, full);
            const NothingToDo same = RunNothingToDo(launcher, notebook, repeat);
            row(updatePages, "memory", full.Median(), full.peakKiB, &same);
            notebook.pdf = work / "long.pdf";
            longPdf.emplace();
            RunPdfOnly(launcher, notebook, *longPdf);
            fs::remove(notebook.pdf);
            fs::remove_all(notebook.notes);
            fs::remove_all(notebook.html);
            fastEnough = fastEnough && updatePages / full.Median() >= kMinPagesPerSecond;
            smallEnough = smallEnough && full.peakKiB <= kMaxPeakKiB && same.peakKiB <= kMaxPeakKiB;
            updateQuick = updateQuick && same.seconds <= kMaxNothingToDoSeconds && !same.wrote;
            updateSizes += " and " + Grouped(updatePages);
        }

        std::optional<FullRuns> large;
        if (largePages > 0) {
            const Notebook notebook = notebookIn(work, largePages);
            MakeNotebook(notebook.notes, largePages, memos);
            large.emplace();
            RunFull(launcher, notebook, false, *large);
            row(largePages, "memory", large->Median(), large->peakKiB, nullptr);
            fs::remove_all(notebook.notes);
            fs::remove_all(notebook.html);
            fastEnough = fastEnough && largePages / large->Median() >= kMinPagesPerSecond;
            smallEnough = smallEnough && large->peakKiB <= kMaxPeakKiB;
        }
        if (!InMemory(work))
            std::printf("%8s %-7s (\"memory\" is %s, %s)\n", "", "", work.c_str(), FileSystemOf(work).c_str());

        std::printf("\n");

        const double maroviRate = pages / memory.Median();
        const bool withXournal = xournal.Ready();
        if (withXournal) {
            const double rate = pages / xournal.Seconds();
            std::printf("xournalpp --create-pdf OUT.pdf DOC.xopp, median of %d:\n", repeat);
            std::printf("  %-30s %8.2f s\n", "one page (its start-up)", xournal.StartupSeconds());
            std::printf("  %-30s %8.2f s %9.0f pages/s   peak memory %.1f MiB\n",
                        (Grouped(pages) + " pages in one document").c_str(), xournal.Seconds(), rate,
                        MiB(xournal.PeakKiB()));
            if (xournal.Seconds() > xournal.StartupSeconds())
                std::printf("  %-30s %8.2f s %9.0f pages/s\n", "beyond its start-up",
                            xournal.Seconds() - xournal.StartupSeconds(),
                            pages / (xournal.Seconds() - xournal.StartupSeconds()));
            std::printf("marovi-convert --index, %s pages in memory, in the same turns:\n", Grouped(pages).c_str());
            std::printf("  %-30s %8.2f s %9.0f pages/s\n", "the whole command", memory.Median(), maroviRate);
            std::printf("Marovi pages/s / Xournal++ pages/s: %.2f x (target >= %.0f x, that is >= %.0f pages/s)\n",
                        maroviRate / rate, kMinTimesXournal, kMinTimesXournal * rate);
        }
        std::printf("marovi-convert --index --svg, %s pages in memory, in the same turns: %.2f s, %+.1f %% on "
                    "--index (target <= +%.0f %%)\n",
                    Grouped(pages).c_str(), svgRuns.Median(), 100.0 * (svgRuns.Median() / memory.Median() - 1),
                    100.0 * (kMaxSvgOverPlain - 1));
        std::printf("marovi-convert --pdf, %s pages in memory, in the same turns (document %.1f MiB):\n",
                    Grouped(pages).c_str(), pdfMiB);
        std::printf("  %-30s %8.2f s %9.0f pages/s   peak memory %.1f MiB\n", "--index --pdf, from nothing",
                    pdfRuns.Median(), pages / pdfRuns.Median(), MiB(pdfRuns.peakKiB));
        std::printf("  %-30s %8.2f s %9.0f pages/s   peak memory %.1f MiB\n", "--update --pdf, pages up to date",
                    pdfOnly.Median(), pages / pdfOnly.Median(), MiB(pdfOnly.peakKiB));
        if (longPdf)
            std::printf("  %-30s %8.2f s %9.0f pages/s   peak memory %.1f MiB\n",
                        ("the same, " + Grouped(updatePages) + " pages").c_str(), longPdf->Median(),
                        updatePages / longPdf->Median(), MiB(longPdf->peakKiB));
        if (withXournal)
            std::printf("Marovi --pdf pages/s / Xournal++ pages/s: %.2f x from nothing, %.2f x up to date (target >= "
                        "%.0f x from nothing)\n",
                        xournal.Seconds() / pdfRuns.Median(), xournal.Seconds() / pdfOnly.Median(),
                        kMinPdfTimesXournal);
        if (onDisk)
            std::printf("on the disk / in memory, %s pages: %.2f x (target <= %.1f x)\n", Grouped(pages).c_str(),
                        diskRuns.Median() / memory.Median(), kMaxDiskOverMemory);
        if (large)
            std::printf("peak memory, %s pages against %s: %.1f MiB against %.1f MiB, %+.1f MiB (target <= +%.0f MiB)\n",
                        Grouped(largePages).c_str(), Grouped(pages).c_str(), MiB(large->peakKiB), MiB(memory.peakKiB),
                        MiB(large->peakKiB - memory.peakKiB), MiB(kMaxPeakGrowthKiB));

        const std::string versus = "Marovi >= " + Fixed(kMinTimesXournal, 0) + " x Xournal++ in pages/s, " +
                                   Grouped(pages) + " pages, whole commands";
        if (withXournal)
            targets.Measured(versus + " (" + Fixed(maroviRate / (pages / xournal.Seconds()), 2) + " x)",
                             maroviRate >= kMinTimesXournal * (pages / xournal.Seconds()));
        else
            targets.NotMeasured(versus, "Xournal++ did not run");
        targets.Measured("--svg adds <= " + Fixed(100.0 * (kMaxSvgOverPlain - 1), 0) + " % to --index, " +
                             Grouped(pages) + " pages (" +
                             Fixed(100.0 * (svgRuns.Median() / memory.Median() - 1), 1, true) + " %)",
                         svgRuns.Median() <= kMaxSvgOverPlain * memory.Median());
        const std::string pdfVersus = "--index --pdf >= " + Fixed(kMinPdfTimesXournal, 0) +
                                      " x Xournal++ --create-pdf in pages/s, " + Grouped(pages) +
                                      " pages, whole commands";
        if (withXournal)
            targets.Measured(pdfVersus + " (" + Fixed(xournal.Seconds() / pdfRuns.Median(), 2) + " x)",
                             xournal.Seconds() >= kMinPdfTimesXournal * pdfRuns.Median());
        else
            targets.NotMeasured(pdfVersus, "Xournal++ did not run");
        const std::string pdfGrowth = "peak memory of --pdf, " + Grouped(updatePages) + " pages <= " +
                                      Grouped(pages) + " pages' + " + Fixed(MiB(kMaxPdfPeakGrowthKiB), 0) + " MiB";
        if (longPdf)
            targets.Measured(pdfGrowth + " (" + Fixed(MiB(longPdf->peakKiB - pdfOnly.peakKiB), 1, true) + " MiB)",
                             longPdf->peakKiB <= pdfOnly.peakKiB + kMaxPdfPeakGrowthKiB);
        else
            targets.NotMeasured(pdfGrowth, "--update-pages 0");
        const std::string diskTarget = "on the disk <= " + Fixed(kMaxDiskOverMemory, 1) + " x in memory, " +
                                       Grouped(pages) + " pages, synced";
        if (onDisk)
            targets.Measured(diskTarget + " (" + Fixed(diskRuns.Median() / memory.Median(), 2) + " x)",
                             diskRuns.Median() <= kMaxDiskOverMemory * memory.Median());
        else
            targets.NotMeasured(diskTarget, "no --disk folder");
        const std::string growth = "peak memory of a long notebook <= " + Grouped(pages) + " pages' + " +
                                   Fixed(MiB(kMaxPeakGrowthKiB), 0) + " MiB";
        if (large)
            targets.Measured(growth + " (" + Grouped(largePages) + " pages: " +
                                 Fixed(MiB(large->peakKiB - memory.peakKiB), 1, true) + " MiB)",
                             large->peakKiB <= memory.peakKiB + kMaxPeakGrowthKiB);
        else
            targets.NotMeasured(growth, "--large-pages 0");
        targets.Measured("--update with nothing changed <= " + Fixed(kMaxNothingToDoSeconds, 1) +
                             " s and nothing written (" + updateSizes + " pages)",
                         updateQuick);
        targets.Measured("full --index >= " + Fixed(kMinPagesPerSecond, 0) + " pages/s in memory", fastEnough);
        targets.Measured("peak memory <= " + Fixed(MiB(kMaxPeakKiB), 0) + " MiB in every run", smallEnough);
        const int status = targets.Report();
        fs::remove_all(work);
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "marovi-notebook-bench: %s\n", error.what());
        return 1;
    }
}
