#include "notebook/NotebookRun.h"

#include "interchange/Html5Page.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "notebook/NaturalOrder.h"
#include "notebook/NotebookIndex.h"
#include "notebook/PageSummary.h"
#include "notebook/Thumbnail.h"
#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Hands the bytes of a regular file to `take`, a piece at a time. 0, or the
// errno of the failure.
int ReadChunks(const std::string& path, const std::function<void(const char* bytes, std::size_t size)>& take)
{
    std::FILE* stream = nullptr;
    if (const int error = OpenRegularFile(path, stream); error != 0)
        return error;
    std::string buffer(65536, '\0');
    std::size_t got = 0;
    while ((got = std::fread(&buffer[0], 1, buffer.size(), stream)) > 0)
        take(buffer.data(), got);
    const int error = std::ferror(stream) != 0 ? EIO : 0;
    // A stream only read from loses nothing when its closing fails.
    static_cast<void>(std::fclose(stream));
    return error;
}

int ReadBytes(const std::string& path, std::string& bytes)
{
    bytes.clear();
    return ReadChunks(path, [&bytes](const char* chunk, std::size_t size) { bytes.append(chunk, size); });
}

int HashFile(const std::string& path, uint64_t& hash)
{
    hash = HashBytes(nullptr, 0);
    return ReadChunks(path, [&hash](const char* chunk, std::size_t size) { hash = HashBytes(chunk, size, hash); });
}

// Whether the ink file is the one the record was made from: by its stamp
// when that is unchanged, otherwise by its bytes (syncing tools set times
// anew). `stamp` and `hash` get what the file is now.
bool InkUnchanged(const NotebookPage& record, const std::string& path, FileStamp& stamp, uint64_t& hash)
{
    if (!ReadFileStamp(path, stamp))
        return false;
    hash = record.inkHash;
    if (stamp == record.inkStamp)
        return true;
    if (HashFile(path, hash) != 0)
        return false;
    return hash == record.inkHash && stamp.size == record.inkStamp.size;
}

// The page's path below the output folder, or empty when it lies elsewhere.
std::string BelowFolder(const std::string& path, const std::string& folder)
{
    const std::string base = JoinPath(folder, "");
    return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : std::string();
}

// "<page without .html>.jpg" in the thumbnail folder.
std::string ThumbnailFor(const std::string& page)
{
    const std::string suffix = ".html";
    const bool hasSuffix = page.size() > suffix.size() && page.compare(page.size() - suffix.size(), suffix.size(), suffix) == 0;
    return JoinPath(kThumbnailFolder, (hasSuffix ? page.substr(0, page.size() - suffix.size()) : page) + ".jpg");
}

// What the index shows of a page just written: its text, and a thumbnail of
// its first picture. A thumbnail that cannot be made is left out (told
// through `outcome`); a page that cannot be read back has no text in the index.
void Summarise(NotebookPage& record, const std::string& htmlPath, const NotebookSettings& settings,
               NotebookOutcome& outcome)
{
    std::string html;
    if (ReadBytes(htmlPath, html) != 0)
        return;
    PageSummary summary = SummarisePage(html, settings.encoding == PageEncoding::Utf8);
    record.title = std::move(summary.title);
    record.text = std::move(summary.text);
    record.thumbnail.clear();
    if (summary.firstPicture.empty())
        return;
    std::string source = summary.firstPicture;
    if (source.compare(0, 2, "./") == 0)
        source.erase(0, 2);
    if (PathSeparator() != '/')
        std::replace(source.begin(), source.end(), '/', PathSeparator());
    const std::string thumbnail = ThumbnailFor(record.page);
    const std::string thumbnailPath = JoinPath(settings.outputDir, thumbnail);
    int error = MakeFolders(ParentFolder(thumbnailPath));
    if (error == 0)
        error = WriteThumbnail(JoinPath(ParentFolder(htmlPath), source), thumbnailPath);
    if (error != 0) {
        if (outcome.thumbnailError == 0) {
            outcome.failedThumbnail = thumbnailPath;
            outcome.thumbnailError = error;
        }
        return;
    }
    record.thumbnail = thumbnail;
}

// Writes what `generate` makes to `path`, unless the file there holds those
// bytes already: then nothing is written at all. The bytes are made twice
// rather than held, once to compare and once to write.
void WriteIfChanged(const std::string& path, const std::function<void(const ByteSink&)>& generate,
                    NotebookOutcome& outcome)
{
    std::FILE* old = nullptr;
    if (OpenRegularFile(path, old) == 0) {
        bool same = true;
        std::string chunk;
        generate([&](std::string_view bytes) {
            if (!same)
                return;
            chunk.resize(bytes.size());
            same = std::fread(&chunk[0], 1, bytes.size(), old) == bytes.size() && bytes == chunk;
        });
        same = same && std::fgetc(old) == EOF && std::ferror(old) == 0;
        // A stream only read from loses nothing when its closing fails.
        static_cast<void>(std::fclose(old));
        if (same)
            return;
    }
    CSafeFile file;
    int error = file.Open(path);
    if (error == 0) {
        // Commit reports the first write that failed.
        generate([&file](std::string_view bytes) { static_cast<void>(file.Write(bytes)); });
        error = file.Commit(FilePublish::Replace);
    }
    if (error != 0 && outcome.failedError == 0) {
        outcome.failedFile = path;
        outcome.failedError = error;
    }
}

}  // namespace

StateFound ReadNotebookState(const std::string& outputDir, NotebookState& state)
{
    const std::string path = JoinPath(outputDir, kNotebookStateName);
    if (!PathExists(path))
        return StateFound::None;
    std::FILE* stream = nullptr;
    bool read = OpenRegularFile(path, stream) == 0;
    if (read) {
        read = ParseState(stream, state);
        // A stream only read from loses nothing when its closing fails.
        static_cast<void>(std::fclose(stream));
    }
    if (!read) {
        state = NotebookState();
        return StateFound::Damaged;
    }
    return StateFound::Read;
}

NotebookOutcome RunNotebook(const std::vector<ListedInk>& inks, const CKeyboardDef& keyboard,
                            CQuadMapping* mapping, const NotebookSettings& settings, NotebookState* previous,
                            const NotebookPathChooser& choosePath, const PageWriter& writePage,
                            INotebookObserver& observer)
{
    NotebookOutcome outcome;
    NotebookState next;
    next.keyboard = KeyboardFingerprint(keyboard);
    next.utf8 = settings.encoding == PageEncoding::Utf8;
    // Pages read with another keyboard or written in another encoding are
    // all out of date, and so is the chain of carries they recorded.
    const bool chainKept = previous && previous->keyboard == next.keyboard && previous->utf8 == next.utf8;
    next.start = settings.update && chainKept ? previous->start : CarryOf(keyboard);

    std::unordered_map<std::string, std::size_t> recorded;
    if (chainKept) {
        for (std::size_t k = 0; k < previous->pages.size(); ++k)
            recorded.emplace(previous->pages[k].page, k);
    }
    // Pages of earlier runs stay recorded while they are there, whether or
    // not this run names their ink files; the pages of this run replace theirs.
    std::unordered_map<std::string, std::size_t> pageAt;  // into next.pages
    const auto put = [&](NotebookPage&& page) {
        const auto [at, added] = pageAt.emplace(page.page, next.pages.size());
        if (added)
            next.pages.push_back(std::move(page));
        else
            next.pages[at->second] = std::move(page);
    };

    // The pages this run has left up to date or offered to write: a page is
    // the page of one ink file.
    std::unordered_set<std::string> taken;
    PageCarry carry = next.start;
    const int count = static_cast<int>(inks.size());
    for (int index = 0; index < count; ++index) {
        if (settings.stopRequested && settings.stopRequested())
            break;
        const ListedInk& ink = inks[static_cast<std::size_t>(index)];
        const std::string baseName = InkBaseName(ink.path);
        const std::string page = JoinPath(ink.subfolder, baseName + ".html");
        const std::string htmlPath = JoinPath(settings.outputDir, page);
        const PageCarry carryIn = carry;
        const auto found = recorded.find(page);
        NotebookPage* record = found == recorded.end() ? nullptr : &previous->pages[found->second];

        if (taken.count(page) != 0) {
            observer.FileStarted(index, count, ink.path);
            observer.PageTaken(index, htmlPath);
            observer.FileFinished(index, InkFileConversion::Outcome::Cancelled, std::string());
            continue;
        }
        FileStamp stamp;
        uint64_t hash = 0;
        if (settings.update && record && record->ink == ink.path && record->carryIn == carryIn &&
            InkUnchanged(*record, ink.path, stamp, hash) && PathExists(htmlPath)) {
            NotebookPage kept = std::move(*record);
            kept.inkStamp = stamp;
            carry = kept.carryOut;
            put(std::move(kept));
            taken.insert(page);
            observer.PageUpToDate(index, htmlPath);
            continue;
        }

        observer.FileStarted(index, count, ink.path);
        // The ink is taken before it is read: should it change meanwhile,
        // its stamp no longer matches and the next update reads it again.
        const bool stamped = ReadFileStamp(ink.path, stamp) && HashFile(ink.path, hash) == 0;

        std::unique_ptr<CKeyboardDef> clone = keyboard.Clone();
        ApplyCarry(carryIn, *clone, mapping);
        InkFileConversion done = ConvertInkFile(
            ink.path, std::move(clone), mapping,
            [&](const std::string& name) { return choosePath(index, name); }, writePage);
        if (done.page)
            carry = CarryOf(done.page->Keyboard());
        using Outcome = InkFileConversion::Outcome;
        if (done.outcome != Outcome::Unreadable)
            taken.insert(page);
        const bool converted = done.outcome == Outcome::Converted;
        outcome.anyFailed = outcome.anyFailed || done.outcome == Outcome::WriteFailed ||
                            done.outcome == Outcome::Unreadable;
        const std::string writtenPage = converted ? BelowFolder(done.htmlPath, settings.outputDir) : std::string();
        if (converted && stamped && !writtenPage.empty()) {
            ++outcome.pagesWritten;
            NotebookPage made;
            made.page = writtenPage;
            made.ink = ink.path;
            made.inkStamp = stamp;
            made.inkHash = hash;
            made.carryIn = carryIn;
            made.carryOut = carry;
            Summarise(made, done.htmlPath, settings, outcome);
            put(std::move(made));
        } else if (converted) {
            ++outcome.pagesWritten;
        } else if (record && !record->page.empty() && pageAt.count(page) == 0 && PathExists(htmlPath)) {
            put(std::move(*record));
        }
        done.page.reset();
        observer.FileFinished(index, done.outcome, converted ? done.htmlPath : std::string());
    }

    recorded = {};
    taken = {};
    if (previous) {
        // Those taken over above are empty now.
        for (NotebookPage& old : previous->pages) {
            if (!old.page.empty() && pageAt.count(old.page) == 0 &&
                PathExists(JoinPath(settings.outputDir, old.page)))
                put(std::move(old));
        }
        previous->pages.clear();
    }
    pageAt = {};
    std::sort(next.pages.begin(), next.pages.end(),
              [](const NotebookPage& a, const NotebookPage& b) { return NaturalLess(a.page, b.page); });

    WriteIfChanged(
        JoinPath(settings.outputDir, kNotebookStateName), [&next](const ByteSink& sink) { FormatState(next, sink); },
        outcome);
    if (settings.index) {
        // Whether each page's ink file is gone, and its modern page, asked of
        // the file system once.
        std::vector<IndexFacts> facts;
        facts.reserve(next.pages.size());
        std::unordered_map<std::string, bool> named;
        for (const ListedInk& ink : inks)
            named.emplace(ink.path, true);
        for (const NotebookPage& page : next.pages) {
            IndexFacts& fact = facts.emplace_back();
            fact.inkGone = named.count(page.ink) == 0 && !PathExists(page.ink);
            std::string modern = Html5PageFor(page.page);
            const std::string modernPath = JoinPath(settings.outputDir, modern);
            if (PathExists(modernPath) && !IsFolder(modernPath))
                fact.modernPage = std::move(modern);
        }
        named.clear();
        WriteIfChanged(
            JoinPath(settings.outputDir, kIndexName),
            [&](const ByteSink& sink) { WriteIndexHtml(next, [&facts](std::size_t k) { return facts[k]; }, sink); },
            outcome);
    }
    return outcome;
}
