#include "ink/InkParser.h"

#include "ZEL640_IF.h"
#include "ink/InkmlReader.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <new>

namespace {

// Sized, then written whole by the library.
using InkSamples = std::vector<InkSample, LargeBlockAllocator<InkSample>>;

const char kNoPath[] = "内部エラー：DoParse();";
const char kCannotOpen[] = "内部エラー(DoParse)：ファイルオープンできません";
const char kBadHeader[] = "内部エラー(DoParse)：インクファイルのヘッダーが異常です";
const char* const kReadFailed = CInkParser::kReadFailedMessage;

struct InkFileCloser {
    // The file was only read: a failing close cannot lose anything.
    void operator()(ZEL640_File* file) const { static_cast<void>(ZEL640_Close(file)); }
};
using InkFile = std::unique_ptr<ZEL640_File, InkFileCloser>;

struct StrokePointsDeleter {
    void operator()(InkStrokePoint* points) const { ZEL640_Free(points); }
};
using StrokePoints = std::unique_ptr<InkStrokePoint, StrokePointsDeleter>;

// Unregisters the samples from the library's stroke cursor, so nothing of it
// outlives the DoParse that set it up.
struct StrokeCursor {
    explicit StrokeCursor(const InkSamples& samples)
    {
        ZEL640_SetStrokesBuffer(samples.data(), static_cast<int32_t>(samples.size()));
    }
    ~StrokeCursor() { ZEL640_SetStrokesBuffer(nullptr, 0); }
    StrokeCursor(const StrokeCursor&) = delete;
    StrokeCursor& operator=(const StrokeCursor&) = delete;
};

// The system's reason behind the library's last failure: only running out of
// memory has one.
int LibraryReason() { return ZEL640_GetLastError() == ZEL640_ERR_MEMORY ? ENOMEM : 0; }

bool Fail(IMessageBox& messages, const char* message, int systemError = 0)
{
    messages.Show({message, MessageIcon::Exclamation, systemError});
    return false;
}

// Reads all samples of the file and turns the page upright. Returns the
// message for the user, or nullptr; `systemError` is the system's reason for
// a failure that has one. The file is closed on every path before this
// returns; std::bad_alloc passes through.
const char* ReadSamples(const std::string& path, InkSamples& samples, InkPageGeometry& geometry, int& systemError)
{
    errno = 0;
    InkFile file(ZEL640_Open(path.c_str()));
    if (!file) {
        // The library opens regular files alone; anything else it refuses
        // with EINVAL (EISDIR for a folder).
        systemError = errno == EINVAL ? kErrorNotRegularFile : errno;
        return kCannotOpen;
    }
    InkFileHeader header{};
    if (ZEL640_GetHeader(&header, file.get()) != 1)
        return kBadHeader;
    geometry = {header.width, header.height, header.orientation};
    int32_t count = 0;
    if (ZEL640_GetStrokeSize(&count, &header, file.get()) != 1)
        return kReadFailed;
    samples.resize(static_cast<size_t>(count));
    if (ZEL640_GetStrokes(samples.data(), &header, count, file.get()) != 1) {
        systemError = LibraryReason();
        return kReadFailed;
    }

    // The library knows three turned positions; a page claiming any other is
    // kept as stored rather than filled with unwritten samples.
    if (header.orientation >= 1 && header.orientation <= 3) {
        InkSamples upright(samples.size());
        ZEL640_RotateStrokes(upright.data(), samples.data(), count, &header);
        samples.swap(upright);
    }
    return nullptr;
}

// The library ends its enumeration at a break under its cursor, so a pen
// lifted twice without a sample in between, or a page starting with a break,
// would hide every later stroke. Reduces each run of breaks to one and drops
// a leading one, in place. Returns the number of records the page needs: one
// per pen sample plus one end record per stroke.
size_t CollapseBreaks(InkSamples& samples)
{
    size_t kept = 0;
    size_t records = 0;
    bool afterBreak = true;
    for (size_t i = 0; i < samples.size(); ++i) {
        const bool isBreak = samples[i].kind == ZEL640_KIND_BREAK;
        if (isBreak && afterBreak)
            continue;
        records += isBreak ? 0 : afterBreak ? 2 : 1;
        afterBreak = isBreak;
        samples[kept++] = samples[i];
    }
    samples.resize(kept);
    return records;
}

} // namespace

bool CInkParser::ParseInkml(IMessageBox& messages)
{
    InkmlPage page;
    const InkmlFailure failure = ReadInkmlFile(path_, page);
    if (!failure.message.empty())
        return Fail(messages, failure.message.c_str(), failure.systemError);
    records_ = {};
    records_.reserve(std::max<size_t>(kMinimumCapacity, page.records.size()));
    records_.assign(page.records.begin(), page.records.end());
    geometry_ = page.geometry;
    recordCount_ = static_cast<uint32_t>(records_.size());
    return true;
}

bool CInkParser::DoParse(IMessageBox& messages)
{
    recordCount_ = 0;
    geometry_ = {};
    if (path_.empty())
        return Fail(messages, kNoPath);

    try {
        InkSamples samples;
        int systemError = 0;
        if (IsInkmlPath(path_))
            return ParseInkml(messages);
        if (const char* error = ReadSamples(path_, samples, geometry_, systemError))
            return Fail(messages, error, systemError);
        const size_t needed = CollapseBreaks(samples);

        records_ = {};
        records_.reserve(std::max<size_t>(kMinimumCapacity, needed));
        // Sized once for all strokes (and trimmed to what was written), not
        // grown stroke by stroke.
        records_.resize(needed);

        const StrokeCursor cursor(samples);
        int32_t pointCount = 0;
        uint16_t color = 0;
        std::size_t written = 0;
        while (StrokePoints points{ZEL640_AnalyzeAndLock(&pointCount, &color)}) {
            const InkStrokePoint* p = points.get();
            const auto count = static_cast<std::size_t>(std::max(pointCount, 0));
            // The stroke's records are written field by field where they stay,
            // never put together elsewhere and copied.
            const std::size_t first = written;
            written += count + 1;
            if (written > records_.size())
                records_.resize(written);
            StrokeSample* out = records_.data() + first;
            for (std::size_t i = 0; i < count; ++i) {
                out[i].kind = i == 0 ? StrokeSample::PenDown : StrokeSample::PenMove;
                out[i].x = static_cast<int16_t>(p[i].x);
                out[i].y = static_cast<int16_t>(p[i].y);
                out[i].penColor = color;
            }
            out[count] = StrokeSample{StrokeSample::PenUp, 0, 0, 0};
        }
        // With the breaks collapsed the enumeration ends only at the end of the
        // samples; any other reason (the library out of memory) would drop ink.
        if (ZEL640_GetLastError() != ZEL640_ERR_NO_STROKE) {
            const int reason = LibraryReason();
            records_.clear();
            return Fail(messages, kReadFailed, reason);
        }
        records_.resize(written);
    } catch (const std::bad_alloc&) {
        records_.clear();
        return Fail(messages, kReadFailed, ENOMEM);
    }
    recordCount_ = static_cast<uint32_t>(records_.size());
    return true;
}
