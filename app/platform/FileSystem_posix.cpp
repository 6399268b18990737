#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

bool PathExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int MakeFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0777) == 0)
        return 0;
    const int error = errno;
    return error == EEXIST && IsFolder(folder) ? 0 : error;
}

void ForEachFolderEntry(const std::string& folder, const std::function<void(const std::string& name)>& take)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    struct Closer {
        DIR* dir;
        ~Closer() { ::closedir(dir); }
    } closer{dir};
    std::string name;
    while (const dirent* entry = ::readdir(dir)) {
        name = entry->d_name;
        if (name != "." && name != "..")
            take(name);
    }
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    ForEachFolderEntry(folder, [&names](const std::string& name) { names.push_back(name); });
    return names;
}

bool ReadFileStamp(const std::string& path, FileStamp& stamp)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

int CheckReplaceable(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
        return 0;
    return S_ISDIR(info.st_mode) ? EISDIR : kErrorNotRegularFile;
}

int OpenRegularFile(const std::string& path, std::FILE*& stream)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : kErrorNotRegularFile;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error == 0 && (stream = ::fdopen(fd, "rb")) == nullptr)
        error = errno;
    if (error != 0)
        static_cast<void>(::close(fd));
    return error;
}

int CreateNewFile(const std::string& path, std::FILE*& stream)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        const int error = errno;
        static_cast<void>(::close(fd));
        static_cast<void>(::unlink(path.c_str()));
        return error;
    }
    return 0;
}

int SyncFile(std::FILE* stream)
{
    int result;
    do {
        result = ::fsync(::fileno(stream));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

namespace {

// `sync` (fsync, or syncfs for the whole file system) on the file at `path`.
// Syncing needs no write access: it hands on what the system holds.
int SyncOpened(const std::string& path, int (*sync)(int fd))
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int result;
    do {
        result = sync(fd);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    static_cast<void>(::close(fd));
    return error;
}

int SyncPath(const std::string& path) { return SyncOpened(path, &::fsync); }

}  // namespace

int SyncPaths(const std::vector<std::string>& paths)
{
    if (paths.size() == 1)
        return SyncPath(paths.front());
#ifdef __linux__
    // Many files at once: one syncfs per file system they lie on commits them
    // all in one journal commit and one flush of the disk's cache, where one
    // fsync after another would wait for both per file. It also writes back
    // whatever else is waiting on that file system, which costs the other
    // writers nothing they would not pay later.
    std::vector<dev_t> done;
    for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return errno;
        if (std::find(done.begin(), done.end(), info.st_dev) != done.end())
            continue;
        const int error = SyncOpened(path, &::syncfs);
        if (error == ENOSYS) {
            // A system without syncfs: the files one by one.
            for (const std::string& each : paths) {
                if (const int failed = SyncPath(each); failed != 0)
                    return failed;
            }
            return 0;
        }
        if (error != 0)
            return error;
        done.push_back(info.st_dev);
    }
    return 0;
#else
    for (const std::string& path : paths) {
        if (const int error = SyncPath(path); error != 0)
            return error;
    }
    return 0;
#endif
}

int RenameOver(const std::string& from, const std::string& to)
{
    if (const int error = CheckReplaceable(to); error != 0)
        return error;
    // The new file keeps the permissions the user gave the old one (a
    // keyboard file kept private stays so).
    struct stat old {};
    if (::lstat(to.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::chmod(from.c_str(), old.st_mode & 07777) != 0)
        return errno;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int MoveToFreeName(const std::string& from, const std::string& to)
{
    // A second name for the file fails where the name is taken, however the
    // race with another writer goes; the temporary name then goes.
    if (::link(from.c_str(), to.c_str()) == 0) {
        static_cast<void>(::unlink(from.c_str()));
        return 0;
    }
    int error = errno;
    if (error == EEXIST)
        return error;
#ifdef RENAME_NOREPLACE
    // File systems without hard links may still rename without replacing.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    error = errno;
    if (error == EEXIST)
        return error;
#endif
    // Neither: the name is looked at first, which leaves a moment in which
    // another writer may take it.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int RemoveEmptyFolder(const std::string& folder)
{
    return ::rmdir(folder.c_str()) == 0 ? 0 : errno;
}

bool IsLink(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}
