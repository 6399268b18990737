#include "platform/FileSystem.h"

#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

// The attributes of `path`; INVALID_FILE_ATTRIBUTES when there is nothing.
// Unlike stat, this takes a folder written with a separator at its end.
DWORD AttributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

bool PathExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int MakeFolder(const std::string& folder)
{
    if (_mkdir(folder.c_str()) == 0)
        return 0;
    const int error = errno;
    return error == EEXIST && IsFolder(folder) ? 0 : error;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    ForEachFolderEntry(folder, [&names](const std::string& name) { names.push_back(name); });
    return names;
}

void ForEachFolderEntry(const std::string& folder, const std::function<void(const std::string& name)>& take)
{
    const char last = folder.empty() ? '\0' : folder.back();
    const std::string pattern = folder + (last == '\\' || last == '/' || last == '\0' ? "*" : "\\*");
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    struct Closer {
        HANDLE search;
        ~Closer() { FindClose(search); }
    } closer{search};
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            take(name);
    } while (FindNextFileA(search, &found));
}

bool ReadFileStamp(const std::string& path, FileStamp& stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // FILETIME counts 100 ns steps from 1601.
    constexpr int64_t kStepsFrom1601To1970 = 116444736000000000LL;
    const int64_t steps = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                               data.ftLastWriteTime.dwLowDateTime);
    stamp.modified = (steps - kStepsFrom1601To1970) * 100;
    return true;
}

namespace {

// The errno value closest to a Windows error of the file calls.
int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    default:
        return EIO;
    }
}

int LastErrno() { return ErrnoOf(GetLastError()); }

}  // namespace

bool SameFile(const std::string& a, const std::string& b)
{
    if (!PathExists(a) || !PathExists(b))
        return false;
    // _fullpath allocates the full paths when given no buffer.
    const std::unique_ptr<char, decltype(&std::free)> first(_fullpath(nullptr, a.c_str(), 0), &std::free);
    const std::unique_ptr<char, decltype(&std::free)> second(_fullpath(nullptr, b.c_str(), 0), &std::free);
    if (!first || !second)
        return a == b;
    return _stricmp(first.get(), second.get()) == 0;
}

int CheckReplaceable(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return EISDIR;
    return 0;
}

int OpenRegularFile(const std::string& path, std::FILE*& stream)
{
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        // The runtime tells a folder as a file it may not open.
        const int error = errno;
        return error == EACCES && IsFolder(path) ? EISDIR : error;
    }
    // A console, NUL or a pipe is a character device or a pipe to the runtime.
    int error = 0;
    struct _stat64 info {};
    if (_fstat64(fd, &info) != 0)
        error = errno;
    else if ((info.st_mode & _S_IFMT) != _S_IFREG)
        error = (info.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : kErrorNotRegularFile;
    if (error == 0 && (stream = _fdopen(fd, "rb")) == nullptr)
        error = errno;
    if (error != 0)
        static_cast<void>(_close(fd));
    return error;
}

int CreateNewFile(const std::string& path, std::FILE*& stream)
{
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return errno;
    stream = _fdopen(fd, "wb");
    if (stream == nullptr) {
        const int error = errno;
        static_cast<void>(_close(fd));
        static_cast<void>(DeleteFileA(path.c_str()));
        return error;
    }
    return 0;
}

int SyncFile(std::FILE* stream)
{
    // FlushFileBuffers on the handle behind the descriptor.
    return _commit(_fileno(stream)) == 0 ? 0 : errno;
}

int SyncPaths(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        // FlushFileBuffers wants a handle that may write.
        const int fd = _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
        if (fd < 0)
            return errno;
        const int error = _commit(fd) == 0 ? 0 : errno;
        static_cast<void>(_close(fd));
        if (error != 0)
            return error;
    }
    return 0;
}

int RenameOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : LastErrno();
}

int MoveToFreeName(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : LastErrno();
}

int RemoveFile(const std::string& path)
{
    return DeleteFileA(path.c_str()) ? 0 : LastErrno();
}

int RemoveEmptyFolder(const std::string& folder)
{
    return RemoveDirectoryA(folder.c_str()) ? 0 : LastErrno();
}

bool IsLink(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
