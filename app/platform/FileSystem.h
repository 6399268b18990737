#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The few file-system calls of the converter, on the platform's narrow paths
// (the ANSI code page on Windows), as plain system calls: the C++ library's
// file-system layer would bring its locale machinery into every start of
// marovi-convert, a few hundred microseconds of a page of a few milliseconds.

// Whether something exists at `path`, and whether it is a folder.
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// Makes `folder`. 0 when it is a folder afterwards, made now or before;
// otherwise the errno of the failure (EEXIST: a file of that name).
int MakeFolder(const std::string& folder);

// Makes `folder` and whatever folders above it are missing; 0, or the errno
// of the first one that could not be made.
int MakeFolders(const std::string& folder);

// The names in `folder`, "." and ".." left out; none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);
// The same, each name handed to `take` as it is read: a folder of many files
// is never listed whole.
void ForEachFolderEntry(const std::string& folder, const std::function<void(const std::string& name)>& take);

// The size and the time of the last change of a regular file (links
// followed), the time in nanoseconds since 1970 as fine as the file system
// keeps it. False for anything else or nothing.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    bool operator==(const FileStamp& other) const { return size == other.size && modified == other.modified; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

// Where the last component of `path` begins: after the last "/" or platform
// separator that is a character of its own (on Windows the second byte of a
// double-byte character may look like "\\"); 0 when there is none.
std::size_t FileNameStart(const std::string& path);

// `name` inside `folder`, with a separator between them unless the folder
// ends in one (a second byte that looks like "\\" is none); an empty folder
// gives `name` alone.
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` without its last component: "/a/b" gives "/a", "/a" gives "/", a
// bare name gives "". On Windows '\' separates too and a drive's root
// ("C:\") is kept like "/".
std::string ParentFolder(const std::string& path);

// The calls under the program's one file writer (platform/SafeFile.h). Each
// returns 0, or the errno of its failure.

// The failure of a call given something that is neither a regular file nor
// a folder where it needs one: a FIFO, a device, a socket. The system has no
// errno value of its own for it; the program's messages say it in words.
inline constexpr int kErrorNotRegularFile = 0x10001;
// The failure of a read that would take more than the text reader's bound
// of 4 MiB (keyboard/TextLines.h).
inline constexpr int kErrorTooLarge = 0x10002;

// Opens `path` for reading in binary mode when it is a regular file (links
// followed). Nothing else is opened for long enough to wait on it: EISDIR for
// a folder, kErrorNotRegularFile for a FIFO, a device or a socket.
int OpenRegularFile(const std::string& path, std::FILE*& stream);

// Whether the two paths name one file or folder that exists (through links
// and different spellings alike).
bool SameFile(const std::string& a, const std::string& b);

// The reason for the failure `error` (an errno value or one of the above) in
// words, UTF-8.
std::string SystemErrorText(int error);

// Whether a file may be written under `path` by replacing what has the name:
// 0 when nothing has it, or a regular file or a symbolic link (which is
// replaced itself); EISDIR for a folder, kErrorNotRegularFile for anything
// else. Replacing a device node would take it away from everyone.
int CheckReplaceable(const std::string& path);

// Creates `path`, which must not exist yet (nothing is followed or emptied),
// and opens it for writing in binary mode.
int CreateNewFile(const std::string& path, std::FILE*& stream);
// Hands what the stream's file holds to the disk; the stream must be flushed.
int SyncFile(std::FILE* stream);
// Hands what the closed files hold to the disk, side by side where the
// system can: the file system then commits them in one go. 0, or the errno
// of the first failure.
int SyncPaths(const std::vector<std::string>& paths);
// Renames `from` to `to` in one step, replacing what has that name (a
// symbolic link itself, not what it points to); never a folder.
int RenameOver(const std::string& from, const std::string& to);
// Renames `from` to `to` when nothing has that name yet; EEXIST otherwise.
int MoveToFreeName(const std::string& from, const std::string& to);
// Removes a file (a symbolic link itself).
int RemoveFile(const std::string& path);
// Removes an empty folder.
int RemoveEmptyFolder(const std::string& folder);
// Whether `path` is a symbolic link, or on Windows any reparse point (a
// junction too): something the program must not write through.
bool IsLink(const std::string& path);
