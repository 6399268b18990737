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
#include "platform/WorkerThread.h"
#include "image/ImageFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
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

namespace {

// One ink file of the run on its way: decided and read in order by the
// front, written by a worker, published and told in order by the back.
struct PageJob {
    enum class Kind { Taken, UpToDate, Write, Done };

    int index = 0;
    Kind kind = Kind::Done;
    std::string page;      // below the output folder
    std::string htmlPath;  // where it would go
    PageCarry carryIn;
    PageCarry carryOut;
    NotebookPage* record = nullptr;  // in the previous state, if any
    FileStamp stamp;
    uint64_t hash = 0;
    bool stamped = false;
    // The page as read; for Write, what its writing needs.
    InkFileConversion done;
    std::string baseName;
    std::string writtenPage;  // below the output folder; empty: elsewhere
    bool summarise = false;
    std::string thumbnail;  // below the output folder
    CDeferredMessages log;
    // Made by the worker.
    std::unique_ptr<CStagedPage> staged;
    PageSummary summary;
    int thumbnailError = 0;
    std::atomic<bool> finished{false};
};

// Threads that write the pages handed to them, in the order handed.
class CPageWorkers {
public:
    CPageWorkers(int count, std::function<void(PageJob&)> work) : work_(std::move(work))
    {
        // Fewer threads when the system makes fewer; with none the calling
        // thread writes every page.
        for (int k = 0; k < count; ++k) {
            auto thread = std::make_unique<CWorkerThread>([this] { Serve(); });
            if (!thread->Started())
                break;
            threads_.push_back(std::move(thread));
        }
    }
    ~CPageWorkers()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        wake_.notify_all();
        threads_.clear();
    }
    CPageWorkers(const CPageWorkers&) = delete;
    CPageWorkers& operator=(const CPageWorkers&) = delete;

    // How many pages may wait for a worker before the front stops reading.
    std::size_t Room() const { return threads_.size(); }

    void Hand(PageJob& job)
    {
        if (threads_.empty()) {
            Finish(job);
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            waiting_.push_back(&job);
        }
        wake_.notify_one();
    }

    std::size_t Waiting()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return waiting_.size();
    }

    // Until `job` is written.
    void WaitFor(const PageJob& job)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&job] { return job.finished.load(); });
    }

    // Until fewer than Room() pages wait.
    void WaitForRoom()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return waiting_.size() < threads_.size(); });
    }

private:
    void Finish(PageJob& job)
    {
        work_(job);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            job.finished = true;
        }
        done_.notify_all();
    }

    void Serve()
    {
        for (;;) {
            PageJob* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
                if (waiting_.empty())
                    return;
                job = waiting_.front();
                waiting_.pop_front();
            }
            done_.notify_all();
            Finish(*job);
        }
    }

    std::function<void(PageJob&)> work_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<PageJob*> waiting_;
    bool closing_ = false;
    std::vector<std::unique_ptr<CWorkerThread>> threads_;
};

// Pages read ahead of the one being told; their staged files are synced
// together, half a window at a time.
constexpr std::size_t kWindow = 64;

}  // namespace

NotebookOutcome RunNotebook(const std::vector<ListedInk>& inks, const CKeyboardDef& keyboard,
                            CQuadMapping* mapping, const NotebookSettings& settings, NotebookState* previous,
                            const NotebookPathChooser& choosePath, const PageStager& stagePage,
                            INotebookObserver& observer)
{
    using Outcome = InkFileConversion::Outcome;
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

    const bool utf8 = settings.encoding == PageEncoding::Utf8;
    // The worker's part: the page written to temporary files, what the
    // index shows of it taken as it is made.
    const auto write = [&](PageJob& job) {
        CPageStrokes& page = *job.done.page;
        std::string html;
        ThumbnailPixels small;
        PageStaging staging;
        if (job.summarise) {
            staging.html = &html;
            staging.firstPicture = [&small](const CImageFile& picture) {
                if (const CImageImpl* pixels = picture.GetImpl())
                    small = ScaleForThumbnail(*pixels);
            };
        }
        try {
            job.staged = stagePage(page, job.done.htmlPath, job.baseName, staging, job.log);
            if (job.staged && job.summarise) {
                job.summary = SummarisePage(html, utf8);
                if (small.width > 0) {
                    const std::string thumbnailPath = JoinPath(settings.outputDir, job.thumbnail);
                    CSafeFile file;
                    int error = file.Open(thumbnailPath);
                    if (error == 0)
                        error = WriteThumbnail(small, file);
                    if (error == 0)
                        job.staged->AddBeside(std::move(file), FilePublish::Replace,
                                              [&job](int failed) { job.thumbnailError = failed; });
                    else
                        job.thumbnailError = error;
                } else {
                    job.thumbnail.clear();
                }
            }
        } catch (const std::exception& error) {
            const int reason = dynamic_cast<const std::bad_alloc*>(&error) ? ENOMEM : 0;
            job.log.Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, reason});
            job.staged.reset();
        }
        if (!settings.pagesUntilPublished)
            job.done.page.reset();
    };
    // Before the workers: they go first, finishing what they hold.
    std::deque<std::unique_ptr<PageJob>> inFlight;
    const int threads = settings.jobs > 1 ? settings.jobs : 0;
    CPageWorkers workers(threads, write);

    // The pages this run has left up to date or offered to write: a page is
    // the page of one ink file.
    std::unordered_set<std::string> taken;
    // The thumbnail folders made so far.
    std::unordered_set<std::string> madeFolders;
    PageCarry carry = next.start;
    const int count = static_cast<int>(inks.size());
    // A record of the previous state goes to the first ink file of the run
    // that has its page; a later one of that page finds none.
    std::vector<bool> claimed(previous ? previous->pages.size() : 0, false);

    // The back: the pages in front of the queue, written, synced at once and
    // then published and told one after another.
    const auto tell = [&](std::size_t howMany) {
        std::vector<CSafeFile*> files;
        for (std::size_t k = 0; k < howMany; ++k) {
            if (inFlight[k]->staged)
                inFlight[k]->staged->CollectFiles(files);
        }
        // A failure here is found again, file by file, as each page is
        // published.
        if (files.size() > 1)
            static_cast<void>(SyncTogether(files));
        for (std::size_t k = 0; k < howMany; ++k) {
            std::unique_ptr<PageJob> job = std::move(inFlight.front());
            inFlight.pop_front();
            const ListedInk& ink = inks[static_cast<std::size_t>(job->index)];
            if (job->kind == PageJob::Kind::Taken) {
                observer.FileStarted(job->index, count, ink.path);
                observer.PageTaken(job->index, job->htmlPath);
                observer.FileFinished(job->index, Outcome::Cancelled, std::string());
                continue;
            }
            if (job->kind == PageJob::Kind::UpToDate) {
                NotebookPage kept = std::move(*job->record);
                kept.inkStamp = job->stamp;
                put(std::move(kept));
                observer.PageUpToDate(job->index, job->htmlPath);
                continue;
            }
            observer.FileStarted(job->index, count, ink.path);
            job->log.TellOn(keyboard.Messages());
            Outcome done = job->done.outcome;
            if (job->kind == PageJob::Kind::Write)
                done = job->staged && job->staged->Publish(keyboard.Messages()) ? Outcome::Converted
                                                                                : Outcome::WriteFailed;
            job->staged.reset();
            const bool converted = done == Outcome::Converted;
            outcome.anyFailed = outcome.anyFailed || done == Outcome::WriteFailed || done == Outcome::Unreadable;
            if (converted)
                ++outcome.pagesWritten;
            if (converted && job->summarise) {
                NotebookPage made;
                made.page = job->writtenPage;
                made.ink = ink.path;
                made.inkStamp = job->stamp;
                made.inkHash = job->hash;
                made.carryIn = job->carryIn;
                made.carryOut = job->carryOut;
                made.title = std::move(job->summary.title);
                made.text = std::move(job->summary.text);
                if (job->thumbnailError != 0) {
                    if (outcome.thumbnailError == 0) {
                        outcome.failedThumbnail = JoinPath(settings.outputDir, job->thumbnail);
                        outcome.thumbnailError = job->thumbnailError;
                    }
                } else {
                    made.thumbnail = job->thumbnail;
                }
                put(std::move(made));
            } else if (!converted && settings.notebook && job->record && !job->record->page.empty() &&
                       pageAt.count(job->page) == 0 && PathExists(job->htmlPath)) {
                put(std::move(*job->record));
            }
            job->done.page.reset();
            observer.FileFinished(job->index, done, converted ? job->done.htmlPath : std::string());
        }
    };
    // Tells what is written in front of the queue: at least `least` pages
    // when that many are there.
    const auto tellWritten = [&](std::size_t least) {
        least = std::min(least, inFlight.size());
        for (std::size_t k = 0; k < least; ++k)
            workers.WaitFor(*inFlight[k]);
        std::size_t ready = least;
        while (ready < inFlight.size() && inFlight[ready]->finished)
            ++ready;
        tell(ready);
    };

    for (int index = 0; index < count; ++index) {
        if (settings.stopRequested && settings.stopRequested())
            break;
        if (inFlight.size() >= kWindow)
            tellWritten(kWindow / 2);
        const ListedInk& ink = inks[static_cast<std::size_t>(index)];
        auto job = std::make_unique<PageJob>();
        job->index = index;
        job->baseName = InkBaseName(ink.path);
        job->page = JoinPath(ink.subfolder, job->baseName + ".html");
        job->htmlPath = JoinPath(settings.outputDir, job->page);
        job->carryIn = carry;
        if (settings.notebook) {
            const auto found = recorded.find(job->page);
            if (found != recorded.end() && !claimed[found->second]) {
                claimed[found->second] = true;
                job->record = &previous->pages[found->second];
            }
        }
        PageJob& current = *job;
        inFlight.push_back(std::move(job));

        if (settings.notebook && taken.count(current.page) != 0) {
            current.kind = PageJob::Kind::Taken;
            current.finished = true;
            continue;
        }
        NotebookPage* record = current.record;
        if (settings.update && record && record->ink == ink.path && record->carryIn == current.carryIn &&
            InkUnchanged(*record, ink.path, current.stamp, current.hash) && PathExists(current.htmlPath)) {
            carry = record->carryOut;
            taken.insert(current.page);
            current.kind = PageJob::Kind::UpToDate;
            current.finished = true;
            continue;
        }

        // The ink is taken before it is read: should it change meanwhile,
        // its stamp no longer matches and the next update reads it again.
        if (settings.notebook)
            current.stamped = ReadFileStamp(ink.path, current.stamp) && HashFile(ink.path, current.hash) == 0;
        std::unique_ptr<CKeyboardDef> clone = keyboard.Clone();
        clone->SetMessageBox(&current.log);
        ApplyCarry(current.carryIn, *clone, mapping);
        current.done = ReadInkFile(ink.path, std::move(clone), mapping, [&](const std::string& name) {
            return choosePath(index, name, current.log);
        });
        if (current.done.page) {
            // What the page hands on: its calibration, and the mode it is
            // left in once written (a page not written is left in hiragana).
            carry = CarryOf(current.done.page->Keyboard());
            if (current.done.outcome == Outcome::Converted)
                carry.inputMode = static_cast<int32_t>(current.done.page->ModeWhenWritten());
        }
        current.carryOut = carry;
        if (settings.notebook && current.done.outcome != Outcome::Unreadable)
            taken.insert(current.page);
        if (current.done.outcome != Outcome::Converted) {
            current.kind = PageJob::Kind::Done;
            current.done.page.reset();
            current.finished = true;
            continue;
        }
        current.kind = PageJob::Kind::Write;
        current.writtenPage = BelowFolder(current.done.htmlPath, settings.outputDir);
        current.summarise = settings.notebook && current.stamped && !current.writtenPage.empty();
        if (current.summarise) {
            current.thumbnail = ThumbnailFor(current.writtenPage);
            const std::string folder = ParentFolder(JoinPath(settings.outputDir, current.thumbnail));
            if (madeFolders.insert(folder).second) {
                if (const int error = MakeFolders(folder); error != 0 && outcome.thumbnailError == 0) {
                    outcome.failedThumbnail = JoinPath(settings.outputDir, current.thumbnail);
                    outcome.thumbnailError = error;
                }
            }
        }
        // Read ahead no further than the workers can take.
        if (workers.Room() > 0 && workers.Waiting() >= workers.Room())
            workers.WaitForRoom();
        workers.Hand(current);
    }
    while (!inFlight.empty())
        tellWritten(inFlight.size());

    if (!settings.notebook)
        return outcome;
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
