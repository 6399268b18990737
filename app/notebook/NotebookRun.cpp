#include "notebook/NotebookRun.h"

#include "ink/InkParser.h"
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
#include <new>
#include <optional>
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

// A file made anew from bytes given in order, left as it is when they turn
// out to be the bytes it holds: then nothing is written at all. The bytes
// are compared with the old file as they come, and a new file is started
// only where they first differ, from the old file's bytes up to there.
class CRewrittenFile {
public:
    explicit CRewrittenFile(std::string path) : path_(std::move(path))
    {
        if (OpenRegularFile(path_, old_) != 0) {
            old_ = nullptr;
            Diverge();
        }
    }
    ~CRewrittenFile()
    {
        // A stream only read from loses nothing when its closing fails.
        if (old_)
            static_cast<void>(std::fclose(old_));
    }
    CRewrittenFile(const CRewrittenFile&) = delete;
    CRewrittenFile& operator=(const CRewrittenFile&) = delete;

    void Write(std::string_view bytes)
    {
        if (!differs_) {
            compared_.resize(bytes.size());
            if (std::fread(&compared_[0], 1, bytes.size(), old_) == bytes.size() && bytes == compared_) {
                made_ += bytes.size();
                return;
            }
            Diverge();
        }
        made_ += bytes.size();
        // Commit reports the first write that failed.
        if (file_.IsOpen())
            static_cast<void>(file_.Write(bytes));
    }

    // Bytes that Overwrite replaces before Finish: they are not compared now.
    void WritePlaceholder(std::string_view bytes)
    {
        if (!differs_) {
            compared_.resize(bytes.size());
            if (std::fread(&compared_[0], 1, bytes.size(), old_) == bytes.size()) {
                made_ += bytes.size();
                return;
            }
            Diverge();
        }
        Write(bytes);
    }

    // Puts `bytes` in the place of those written from `at` on, as many.
    void Overwrite(std::size_t at, std::string_view bytes)
    {
        if (!differs_) {
            compared_.resize(bytes.size());
            const bool same = std::fseek(old_, static_cast<long>(at), SEEK_SET) == 0 &&
                              std::fread(&compared_[0], 1, bytes.size(), old_) == bytes.size() && bytes == compared_;
            if (same && std::fseek(old_, static_cast<long>(made_), SEEK_SET) == 0)
                return;
            Diverge();
        }
        std::FILE* stream = file_.Stream();
        if (stream == nullptr)
            return;
        if (std::fflush(stream) != 0 || std::fseek(stream, static_cast<long>(at), SEEK_SET) != 0 ||
            !file_.Write(bytes) || std::fseek(stream, 0, SEEK_END) != 0)
            failed_ = failed_ != 0 ? failed_ : (errno != 0 ? errno : EIO);
    }

    // 0, or the errno of the failure; the file is whole or as it was.
    int Finish()
    {
        if (!differs_) {
            if (std::fgetc(old_) == EOF && std::ferror(old_) == 0)
                return 0;
            Diverge();
        }
        if (failed_ != 0) {
            file_.Discard();
            return failed_;
        }
        return file_.Commit(FilePublish::Replace);
    }

private:
    // From here on the bytes go to a new file, which starts with the old
    // file's first made_ bytes.
    void Diverge()
    {
        differs_ = true;
        if (const int error = file_.Open(path_); error != 0) {
            failed_ = error;
            return;
        }
        if (!old_ || made_ == 0)
            return;
        if (std::fseek(old_, 0, SEEK_SET) != 0) {
            failed_ = errno != 0 ? errno : EIO;
            return;
        }
        std::string chunk(std::min<uint64_t>(made_, 65536), '\0');
        for (uint64_t left = made_; left > 0;) {
            const std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(left, chunk.size()));
            if (std::fread(&chunk[0], 1, size, old_) != size) {
                failed_ = EIO;
                return;
            }
            static_cast<void>(file_.Write(std::string_view(chunk.data(), size)));
            left -= size;
        }
    }

    std::string path_;
    std::FILE* old_ = nullptr;
    uint64_t made_ = 0;
    bool differs_ = false;
    CSafeFile file_;
    int failed_ = 0;
    std::string compared_;
};

// The state file and, when asked for, the index of the output folder,
// written page by page in the order the pages are given.
class CNotebookFiles {
public:
    CNotebookFiles(const NotebookSettings& settings, const NotebookState& head)
        : settings_(settings), state_(JoinPath(settings.outputDir, kNotebookStateName))
    {
        state_.Write(StateHead(head));
        if (settings_.index) {
            index_ = std::make_unique<CRewrittenFile>(JoinPath(settings.outputDir, kIndexName));
            // The count follows once known: every count gives a head of one
            // length.
            index_->WritePlaceholder(IndexHead(0));
        }
    }

    // `ofTheRun`: the page's ink file is one of the run's.
    void Add(const NotebookPage& page, bool ofTheRun)
    {
        ++count_;
        state_.Write(StateLine(page));
        if (!index_)
            return;
        IndexFacts fact;
        fact.inkGone = !ofTheRun && !PathExists(page.ink);
        std::string modern = Html5PageFor(page.page);
        const std::string modernPath = JoinPath(settings_.outputDir, modern);
        if (PathExists(modernPath) && !IsFolder(modernPath))
            fact.modernPage = std::move(modern);
        index_->Write(IndexEntry(page, fact));
    }

    void Finish(NotebookOutcome& outcome)
    {
        state_.Write(StateEnd(count_));
        Note(JoinPath(settings_.outputDir, kNotebookStateName), state_.Finish(), outcome);
        if (index_) {
            index_->Write(IndexTail());
            index_->Overwrite(0, IndexHead(count_));
            Note(JoinPath(settings_.outputDir, kIndexName), index_->Finish(), outcome);
        }
    }

private:
    static void Note(const std::string& path, int error, NotebookOutcome& outcome)
    {
        if (error != 0 && outcome.failedError == 0) {
            outcome.failedFile = path;
            outcome.failedError = error;
        }
    }

    const NotebookSettings& settings_;
    CRewrittenFile state_;
    std::unique_ptr<CRewrittenFile> index_;
    std::size_t count_ = 0;
};

// The pages of the previous state file, read as the run needs them: in
// order, only as far as the run has come (some pages at a time), or all of
// them for a run that does not go in order.
class CPreviousPages {
public:
    struct Page {
        NotebookPage page;
        // Handed to an ink file of the run; another of the same page gets none.
        bool claimed = false;
    };

    explicit CPreviousPages(CStateReader* reader) : reader_(reader) {}

    // Read and not yet let go, in file order.
    std::deque<Page>& Window() { return window_; }

    // Reads on until a page of the file comes at or after `page` in natural
    // order (to the end when null).
    void ReadUpTo(const std::string* page)
    {
        while (reader_ && !ended_ && (window_.empty() || !page || NaturalLess(lastRead_, *page) || lastRead_ == *page)) {
            Page next;
            if (!reader_->Next(next.page)) {
                ended_ = true;
                return;
            }
            lastRead_ = next.page.page;
            window_.push_back(std::move(next));
            if (page && NaturalLess(*page, lastRead_))
                return;
        }
    }

    // The record of `page` for the one ink file of the run that takes it,
    // the run going in order; null when there is none or it was taken.
    NotebookPage* Claim(const std::string& page)
    {
        ReadUpTo(&page);
        Page* first = nullptr;
        for (auto at = window_.rbegin(); at != window_.rend(); ++at) {
            if (at->page.page == page)
                first = &*at;
            else if (!at->page.page.empty() && NaturalLess(at->page.page, page))
                break;
        }
        if (!first || first->claimed)
            return nullptr;
        first->claimed = true;
        return &first->page;
    }

private:
    CStateReader* reader_;
    std::deque<Page> window_;
    std::string lastRead_;
    bool ended_ = false;
};

// The records of the output folder's pages as the run makes them, in run
// order, handed to the files in natural order of the pages: the pages this
// run recorded, and those of the previous state that it did not and that
// are still there. When the run's pages come in that order (one folder, as
// a notebook is), each is written as it comes, merged with the previous
// ones; otherwise they are gathered and written at the end.
class CNotebookRecords {
public:
    CNotebookRecords(bool inOrder, CPreviousPages& previous, const std::string& outputDir, CNotebookFiles& files)
        : inOrder_(inOrder), previous_(previous), outputDir_(outputDir), files_(files)
    {
    }

    // A later record of a page replaces an earlier one.
    void Put(NotebookPage&& page)
    {
        if (!inOrder_) {
            const auto [at, added] = gatheredAt_.emplace(page.page, gathered_.size());
            if (added)
                gathered_.push_back(std::move(page));
            else
                gathered_[at->second] = std::move(page);
            return;
        }
        if (pending_ && pending_->page == page.page) {
            *pending_ = std::move(page);
            return;
        }
        Flush();
        pending_ = std::move(page);
    }

    // Whether the run has recorded `page`.
    bool Recorded(const std::string& page) const
    {
        return inOrder_ ? pending_ && pending_->page == page : gatheredAt_.count(page) != 0;
    }

    void Finish()
    {
        if (inOrder_) {
            Flush();
            PreviousBefore(nullptr);
            return;
        }
        std::vector<bool> fromTheRun(gathered_.size(), true);
        // Those taken over by the run are empty now.
        previous_.ReadUpTo(nullptr);
        for (CPreviousPages::Page& old : previous_.Window()) {
            if (!old.page.page.empty() && gatheredAt_.count(old.page.page) == 0 &&
                PathExists(JoinPath(outputDir_, old.page.page))) {
                gathered_.push_back(std::move(old.page));
                fromTheRun.push_back(false);
            }
        }
        previous_.Window().clear();
        gatheredAt_ = {};
        std::vector<std::size_t> order(gathered_.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::sort(order.begin(), order.end(),
                  [this](std::size_t a, std::size_t b) { return NaturalLess(gathered_[a].page, gathered_[b].page); });
        for (const std::size_t k : order)
            files_.Add(gathered_[k], fromTheRun[k]);
    }

private:
    void Flush()
    {
        if (!pending_)
            return;
        PreviousBefore(&pending_->page);
        files_.Add(*pending_, true);
        pending_.reset();
    }

    // Hands on the previous records before `page` (all that are left when
    // null) that the run did not take over and whose page is still there;
    // one of `page` itself is replaced by the run's.
    void PreviousBefore(const std::string* page)
    {
        std::deque<CPreviousPages::Page>& old = previous_.Window();
        for (;;) {
            if (old.empty()) {
                previous_.ReadUpTo(page);
                if (old.empty())
                    return;
            }
            NotebookPage& record = old.front().page;
            if (page && !record.page.empty() && !NaturalLess(record.page, *page)) {
                if (record.page != *page)
                    return;
                // Replaced by the run's.
                old.pop_front();
                continue;
            }
            if (!record.page.empty() && PathExists(JoinPath(outputDir_, record.page)))
                files_.Add(record, false);
            old.pop_front();
        }
    }

    bool inOrder_;
    CPreviousPages& previous_;
    const std::string& outputDir_;
    CNotebookFiles& files_;
    std::optional<NotebookPage> pending_;
    std::vector<NotebookPage> gathered_;
    std::unordered_map<std::string, std::size_t> gatheredAt_;
};

}  // namespace

StateFound ReadNotebookState(const std::string& outputDir, CStateReader& state)
{
    const std::string path = JoinPath(outputDir, kNotebookStateName);
    if (!PathExists(path))
        return StateFound::None;
    std::FILE* stream = nullptr;
    if (OpenRegularFile(path, stream) != 0 || !state.Open(stream))
        return StateFound::Damaged;
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
    // What settings.seePage asked to be done in the page's turn.
    std::function<void()> seen;
    PageSummary summary;
    std::string handwriting;
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

NotebookOutcome RunNotebook(const CInkList& inks, const CKeyboardDef& keyboard,
                            CQuadMapping* mapping, const NotebookSettings& settings, CStateReader* previous,
                            const NotebookPathChooser& choosePath, const PageStager& stagePage,
                            INotebookObserver& observer)
{
    using Outcome = InkFileConversion::Outcome;
    NotebookOutcome outcome;
    NotebookState next;
    // Only the state file keeps it.
    if (settings.notebook)
        next.keyboard = KeyboardFingerprint(keyboard);
    next.utf8 = settings.encoding == PageEncoding::Utf8;
    // Pages read with another keyboard or written in another encoding are
    // all out of date, and so is the chain of carries they recorded.
    const NotebookState* head = previous ? &previous->Head() : nullptr;
    const bool chainKept = head && head->keyboard == next.keyboard && head->utf8 == next.utf8;
    next.start = settings.update && chainKept ? head->start : CarryOf(keyboard);
    const int count = static_cast<int>(inks.size());
    // The page of each ink file, for the order check only.
    const auto pageOf = [&inks](std::size_t k) {
        return JoinPath(inks.Subfolder(k), InkBaseName(inks.Path(k)) + ".html");
    };
    bool inOrder = true;
    if (settings.notebook) {
        std::string before;
        for (std::size_t k = 0; k < inks.size() && inOrder; ++k) {
            std::string page = pageOf(k);
            inOrder = k == 0 || !NaturalLess(page, before);
            before = std::move(page);
        }
    }
    // Pages of earlier runs stay recorded while they are there, whether or
    // not this run names their ink files; the pages of this run replace theirs.
    CPreviousPages old(settings.notebook ? previous : nullptr);
    // A run out of order looks its pages up by name, all of them read.
    std::unordered_map<std::string, std::size_t> recorded;
    if (!inOrder) {
        old.ReadUpTo(nullptr);
        if (chainKept) {
            for (std::size_t k = 0; k < old.Window().size(); ++k)
                recorded.emplace(old.Window()[k].page.page, k);
        }
    }
    std::optional<CNotebookFiles> files;
    std::optional<CNotebookRecords> records;
    if (settings.notebook) {
        files.emplace(settings, next);
        records.emplace(inOrder, old, settings.outputDir, *files);
    }

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
            staging.handwriting = &job.handwriting;
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
    };
    // A page read and not written is seen; what stays of a page after that
    // is what the publication needs.
    const auto work = [&](PageJob& job) {
        if (job.kind == PageJob::Kind::Write)
            write(job);
        else if (settings.seePage && job.done.page) {
            try {
                job.seen = settings.seePage(*job.done.page, job.baseName);
            } catch (const std::bad_alloc&) {
                job.log.Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, ENOMEM});
            }
        }
        if (!settings.pagesUntilPublished || job.kind != PageJob::Kind::Write)
            job.done.page.reset();
    };
    // Before the workers: they go first, finishing what they hold.
    std::deque<std::unique_ptr<PageJob>> inFlight;
    // No more threads than pages; one alone is the calling thread.
    const int threads = std::min(settings.jobs, static_cast<int>(inks.size())) > 1 ? settings.jobs : 0;
    CPageWorkers workers(threads, work);

    // The pages this run has left up to date or offered to write: a page is
    // the page of one ink file. In order, the pages of one name come one
    // after another, and the last is all there is to keep.
    std::unordered_set<std::string> taken;
    std::string lastTaken;
    const auto isTaken = [&](const std::string& page) {
        return inOrder ? !lastTaken.empty() && lastTaken == page : taken.count(page) != 0;
    };
    const auto take = [&](const std::string& page) {
        if (inOrder)
            lastTaken = page;
        else
            taken.insert(page);
    };
    // The thumbnail folders made so far.
    std::unordered_set<std::string> madeFolders;
    PageCarry carry = next.start;

    // The back: the pages in front of the queue, written, synced at once and
    // then published and told one after another.
    const auto tell = [&](std::size_t howMany) {
        for (std::size_t k = 0; k < howMany; ++k) {
            std::unique_ptr<PageJob> job = std::move(inFlight.front());
            inFlight.pop_front();
            const std::string inkPath = inks.Path(static_cast<std::size_t>(job->index));
            if (job->kind == PageJob::Kind::Taken) {
                observer.FileStarted(job->index, count, inkPath);
                observer.PageTaken(job->index, job->htmlPath);
                observer.FileFinished(job->index, Outcome::Cancelled, std::string());
                continue;
            }
            if (job->kind == PageJob::Kind::UpToDate) {
                NotebookPage kept = std::move(*job->record);
                kept.inkStamp = job->stamp;
                records->Put(std::move(kept));
                observer.PageUpToDate(job->index, job->htmlPath);
                if (job->seen) {
                    job->log.TellOn(keyboard.Messages());
                    job->seen();
                }
                continue;
            }
            observer.FileStarted(job->index, count, inkPath);
            job->log.TellOn(keyboard.Messages());
            Outcome done = job->done.outcome;
            if (job->kind == PageJob::Kind::Write)
                done = job->staged && job->staged->Publish(keyboard.Messages()) ? Outcome::Converted
                                                                                : Outcome::WriteFailed;
            job->staged.reset();
            if (job->seen)
                job->seen();
            const bool converted = done == Outcome::Converted;
            outcome.anyFailed = outcome.anyFailed || done == Outcome::WriteFailed || done == Outcome::Unreadable;
            if (converted)
                ++outcome.pagesWritten;
            if (converted && job->summarise) {
                NotebookPage made;
                made.page = job->writtenPage;
                made.ink = inkPath;
                made.inkStamp = job->stamp;
                made.inkHash = job->hash;
                made.carryIn = job->carryIn;
                made.carryOut = job->carryOut;
                made.title = std::move(job->summary.title);
                made.text = std::move(job->summary.text);
                made.handwriting = std::move(job->handwriting);
                made.handwritingRead = settings.handwritingRead;
                if (job->thumbnailError != 0) {
                    if (outcome.thumbnailError == 0) {
                        outcome.failedThumbnail = JoinPath(settings.outputDir, job->thumbnail);
                        outcome.thumbnailError = job->thumbnailError;
                    }
                } else {
                    made.thumbnail = job->thumbnail;
                }
                records->Put(std::move(made));
            } else if (!converted && settings.notebook && job->record && !job->record->page.empty() &&
                       !records->Recorded(job->page) && PathExists(job->htmlPath)) {
                records->Put(std::move(*job->record));
            }
            job->done.page.reset();
            observer.FileFinished(job->index, done, converted ? job->done.htmlPath : std::string());
        }
    };
    // Tells what is written in front of the queue: at least `least` pages
    // when that many are there.
    // The pages in front of the queue whose files `syncer` syncs meanwhile,
    // on a thread of its own: the next pages are written while the disk
    // takes these. A failure of the sync is found again, file by file, as
    // each page is published.
    std::size_t syncing = 0;
    std::unique_ptr<CWorkerThread> syncer;
    std::vector<CSafeFile*> syncedFiles;
    // `overlap`: more pages are to be written while these are synced.
    const auto tellWritten = [&](std::size_t least, bool overlap) {
        least = std::min(least, inFlight.size());
        for (std::size_t k = 0; k < least; ++k)
            workers.WaitFor(*inFlight[k]);
        std::size_t ready = least;
        while (ready < inFlight.size() && inFlight[ready]->finished)
            ++ready;
        if (syncing > 0) {
            syncer.reset();
            tell(syncing);
            ready -= syncing;
            syncing = 0;
        }
        if (ready == 0)
            return;
        syncedFiles.clear();
        for (std::size_t k = 0; k < ready; ++k) {
            if (inFlight[k]->staged)
                inFlight[k]->staged->CollectFiles(syncedFiles);
        }
        if (syncedFiles.size() > 1 && overlap) {
            syncer = std::make_unique<CWorkerThread>([&syncedFiles] { static_cast<void>(SyncTogether(syncedFiles)); });
            if (syncer->Started()) {
                syncing = ready;
                return;
            }
            syncer.reset();
        }
        if (syncedFiles.size() > 1)
            static_cast<void>(SyncTogether(syncedFiles));
        tell(ready);
    };

    // The page of an ink file read with a clone of the keyboard that has the
    // page's carry-in, its messages going to the page's log.
    const auto readInk = [&keyboard, mapping](PageJob& job, const std::string& path, const HtmlPathChooser& choose) {
        std::unique_ptr<CKeyboardDef> clone = keyboard.Clone();
        clone->SetMessageBox(&job.log);
        ApplyCarry(job.carryIn, *clone, mapping);
        job.done = ReadInkFile(path, std::move(clone), mapping, choose);
    };
    // Read ahead no further than the workers can take.
    const auto handOn = [&workers](PageJob& job) {
        if (workers.Room() > 0 && workers.Waiting() >= workers.Room())
            workers.WaitForRoom();
        workers.Hand(job);
    };

    for (int index = 0; index < count; ++index) {
        if (settings.stopRequested && settings.stopRequested()) {
            outcome.stopped = true;
            break;
        }
        if (inFlight.size() - syncing >= kWindow)
            tellWritten(syncing + kWindow / 2, true);
        const ListedInk ink = inks[static_cast<std::size_t>(index)];
        auto job = std::make_unique<PageJob>();
        job->index = index;
        job->baseName = InkBaseName(ink.path);
        job->page = JoinPath(ink.subfolder, job->baseName + ".html");
        job->htmlPath = JoinPath(settings.outputDir, job->page);
        job->carryIn = carry;
        if (settings.notebook) {
            // A record of the previous state goes to the first ink file of
            // the run that has its page; a later one of that page finds none.
            if (!chainKept) {
            } else if (inOrder) {
                job->record = old.Claim(job->page);
            } else if (const auto found = recorded.find(job->page); found != recorded.end()) {
                CPreviousPages::Page& record = old.Window()[found->second];
                if (!record.claimed) {
                    record.claimed = true;
                    job->record = &record.page;
                }
            }
        }
        PageJob& current = *job;
        inFlight.push_back(std::move(job));

        if (settings.notebook && isTaken(current.page)) {
            current.kind = PageJob::Kind::Taken;
            current.finished = true;
            continue;
        }
        NotebookPage* record = current.record;
        if (settings.update && record && record->ink == ink.path && record->carryIn == current.carryIn &&
            InkUnchanged(*record, ink.path, current.stamp, current.hash) && PathExists(current.htmlPath) &&
            (!settings.pageFilesPresent || settings.pageFilesPresent(current.htmlPath, current.baseName)) &&
            (!settings.handwritingRead || record->handwritingRead)) {
            carry = record->carryOut;
            take(current.page);
            current.kind = PageJob::Kind::UpToDate;
            if (!settings.seePage) {
                current.finished = true;
                continue;
            }
            // Read again to be seen; it stays as it is.
            readInk(current, ink.path,
                    [&current](const std::string&) { return std::optional(current.htmlPath); });
            if (!current.done.page) {
                current.finished = true;
                continue;
            }
            handOn(current);
            continue;
        }

        // The ink is taken before it is read: should it change meanwhile,
        // its stamp no longer matches and the next update reads it again.
        if (settings.notebook)
            current.stamped = ReadFileStamp(ink.path, current.stamp) && HashFile(ink.path, current.hash) == 0;
        readInk(current, ink.path, [&](const std::string& name) { return choosePath(index, name, current.log); });
        if (current.done.page) {
            // What the page hands on: its calibration, and the mode it is
            // left in once written (a page not written is left in hiragana).
            carry = CarryOf(current.done.page->Keyboard());
            if (current.done.outcome == Outcome::Converted) {
                try {
                    carry.inputMode = static_cast<int32_t>(current.done.page->ModeWhenWritten());
                } catch (const std::bad_alloc&) {
                    // Too big a page to look through is too big to write.
                    current.log.Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, ENOMEM});
                    current.done.outcome = Outcome::WriteFailed;
                    current.done.htmlPath.clear();
                }
            }
        }
        current.carryOut = carry;
        if (settings.notebook && current.done.outcome != Outcome::Unreadable)
            take(current.page);
        if (current.done.outcome != Outcome::Converted) {
            current.kind = PageJob::Kind::Done;
            if (settings.seePage && current.done.page) {
                handOn(current);
                continue;
            }
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
        // A page beyond the record store's capacity is written alone: where
        // memory is short, it is the page that fails, not the small pages
        // written beside it.
        const bool large = current.done.page->Samples().size() > CInkParser::kMinimumCapacity;
        if (large) {
            for (const std::unique_ptr<PageJob>& earlier : inFlight) {
                if (earlier.get() != &current)
                    workers.WaitFor(*earlier);
            }
        }
        handOn(current);
        if (large)
            workers.WaitFor(current);
    }
    while (!inFlight.empty())
        tellWritten(inFlight.size(), false);

    if (!settings.notebook)
        return outcome;
    recorded = {};
    taken = {};
    records->Finish();
    files->Finish(outcome);
    return outcome;
}
