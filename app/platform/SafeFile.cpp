#include "platform/SafeFile.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <new>
#include <utility>

#ifdef _WIN32
#include <process.h>
#define MAROVI_PROCESS_ID _getpid
#else
#include <unistd.h>
#define MAROVI_PROCESS_ID getpid
#endif

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kNameAttempts = 100;

std::uint64_t Mixed(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15u;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// A name in the folder of `path` that no file of the program's is called:
// the process, the time and the attempt make it unlikely to be taken, and
// the exclusive create makes sure. The name of the final file is left out of
// it, so a long name never makes it too long.
std::string TemporaryName(const std::string& path, int attempt)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz012345";
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::uint64_t bits = Mixed(now ^ (static_cast<std::uint64_t>(MAROVI_PROCESS_ID()) << 32) ^
                               static_cast<std::uint64_t>(attempt));
    std::string name = ".marovi-";
    for (int i = 0; i < 10; ++i, bits >>= 5)
        name += kLetters[bits & 31];
    name += ".tmp";

    std::string folder = ParentFolder(path);
    if (folder.empty())
        return name;
    const char last = folder.back();
    if (last != '/' && last != PathSeparator() && last != ':')
        folder += PathSeparator();
    return folder + name;
}

}  // namespace

CSafeFile::CSafeFile() = default;

CSafeFile::~CSafeFile() { Discard(); }

CSafeFile::CSafeFile(CSafeFile&& other) noexcept
    : path_(std::move(other.path_)),
      temporary_(std::move(other.temporary_)),
      stream_(std::exchange(other.stream_, nullptr)),
      buffer_(std::move(other.buffer_)),
      writeError_(other.writeError_),
      finished_(other.finished_),
      synced_(other.synced_)
{
    other.temporary_.clear();
}

CSafeFile& CSafeFile::operator=(CSafeFile&& other) noexcept
{
    if (this != &other) {
        Discard();
        path_ = std::move(other.path_);
        temporary_ = std::move(other.temporary_);
        other.temporary_.clear();
        stream_ = std::exchange(other.stream_, nullptr);
        buffer_ = std::move(other.buffer_);
        writeError_ = other.writeError_;
        finished_ = other.finished_;
        synced_ = other.synced_;
    }
    return *this;
}

int CSafeFile::Open(const std::string& path)
{
    Discard();
    path_ = path;
    writeError_ = 0;
    finished_ = false;
    synced_ = false;
    // Told before anything is written; Publish looks again.
    int error = CheckReplaceable(path);
    if (error != 0)
        return error;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = TemporaryName(path, attempt);
        std::FILE* stream = nullptr;
        error = CreateNewFile(name, stream);
        if (error == 0) {
            temporary_ = std::move(name);
            stream_ = stream;
            break;
        }
        if (error != EEXIST)
            return error;
    }
    if (stream_ == nullptr)
        return error;
    buffer_.reset(new (std::nothrow) char[kBufferSize]);
    if (buffer_)
        static_cast<void>(std::setvbuf(stream_, buffer_.get(), _IOFBF, kBufferSize));
    return 0;
}

bool CSafeFile::Write(std::string_view bytes)
{
    if (stream_ == nullptr) {
        errno = EBADF;
        return false;
    }
    // Nothing to write is no call: fwrite may not be given a null pointer.
    if (bytes.empty())
        return true;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size())
        return true;
    if (writeError_ == 0)
        writeError_ = errno != 0 ? errno : EIO;
    errno = writeError_;
    return false;
}

int CSafeFile::Finish(FileSync sync)
{
    if (stream_ == nullptr)
        return finished_ ? 0 : EBADF;
    errno = 0;
    int error = writeError_;
    if (error == 0 && (std::fflush(stream_) != 0 || std::ferror(stream_) != 0))
        error = errno != 0 ? errno : EIO;
    if (error == 0 && sync == FileSync::Now)
        error = SyncFile(stream_);
    errno = 0;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    buffer_.reset();
    if (error == 0 && !closed)
        error = errno != 0 ? errno : EIO;
    if (error != 0) {
        Discard();
        return error;
    }
    finished_ = true;
    synced_ = sync == FileSync::Now;
    return 0;
}

int CSafeFile::Publish(FilePublish how)
{
    if (!finished_ || temporary_.empty())
        return EBADF;
    if (!synced_) {
        if (const int error = SyncPaths({temporary_}); error != 0) {
            Discard();
            return error;
        }
        synced_ = true;
    }
    const int error = how == FilePublish::Replace ? RenameOver(temporary_, path_) : MoveToFreeName(temporary_, path_);
    if (error != 0) {
        Discard();
        return error;
    }
    temporary_.clear();
    return 0;
}

int CSafeFile::Commit(FilePublish how)
{
    const int error = Finish();
    return error != 0 ? error : Publish(how);
}

void CSafeFile::Discard()
{
    Close();
    if (!temporary_.empty())
        static_cast<void>(RemoveFile(temporary_));
    temporary_.clear();
    finished_ = false;
    synced_ = false;
}

void CSafeFile::Close()
{
    if (stream_ != nullptr)
        static_cast<void>(std::fclose(stream_));
    stream_ = nullptr;
    buffer_.reset();
}

int SyncTogether(const std::vector<CSafeFile*>& files)
{
    std::vector<std::string> paths;
    for (const CSafeFile* file : files) {
        if (file->finished_ && !file->synced_ && !file->temporary_.empty())
            paths.push_back(file->temporary_);
    }
    if (const int error = SyncPaths(paths); error != 0)
        return error;
    for (CSafeFile* file : files) {
        if (file->finished_)
            file->synced_ = true;
    }
    return 0;
}

int WriteWholeFile(const std::string& path, std::string_view bytes, FilePublish how)
{
    CSafeFile file;
    if (const int error = file.Open(path); error != 0)
        return error;
    if (!file.Write(bytes))
        return file.Finish();
    return file.Commit(how);
}
