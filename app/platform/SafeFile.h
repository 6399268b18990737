#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a finished file takes its final name.
enum class FilePublish {
    // Whatever has the name is replaced in one step: a reader sees the old
    // file or the new one, never a mixture. A symbolic link of that name is
    // replaced itself; what it points to is not touched.
    Replace,
    // The name must be free: when anything has it, the publication fails with
    // EEXIST and nothing is changed. Of two writers racing for one name, one
    // wins.
    Exclusive,
};

// When a finished file's bytes reach the disk.
enum class FileSync {
    // Before Finish returns.
    Now,
    // With the other files of a SyncTogether, or at the latest at Publish:
    // each sync waits for the disk, many at once wait about as long as one.
    Later,
};

// The one way the program writes a file. The bytes go into a new temporary
// file in the folder of the final name; Finish makes them durable (flushed
// and synced to the disk), and Publish renames the temporary file to the
// final name. The final name is never opened for writing, so a crash, a full
// disk or a failed write leaves the file that was there before, or the new
// one whole, and at most a temporary file named ".marovi-*.tmp" that nothing
// reads.
//
// The temporary file goes when the object goes unless it was published.
class CSafeFile {
public:
    CSafeFile();
    ~CSafeFile();
    CSafeFile(CSafeFile&& other) noexcept;
    CSafeFile& operator=(CSafeFile&& other) noexcept;
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // Makes the temporary file beside `path`. 0, or the errno of the failure.
    int Open(const std::string& path);
    bool IsOpen() const { return stream_ != nullptr; }

    // The final name, as given to Open.
    const std::string& Path() const { return path_; }
    // A binary, buffered stream into the temporary file while it is open;
    // writes to it are checked by Finish.
    std::FILE* Stream() const { return stream_; }
    // Writes all of `bytes`; false (errno set) when they did not all go.
    bool Write(std::string_view bytes);

    // Flushes, syncs (as `sync` says) and closes the temporary file. 0, or
    // the errno of the first failure of any write since Open (EIO when it
    // left none); after a failure the temporary file is removed.
    int Finish(FileSync sync = FileSync::Now);
    // Gives a finished file its final name, syncing it first if that is still
    // to do. 0, or the errno of the failure, after which the temporary file
    // is removed.
    int Publish(FilePublish how);
    // Finish, then Publish.
    int Commit(FilePublish how = FilePublish::Replace);
    // Removes the temporary file of a file not published; a published one
    // stays.
    void Discard();

private:
    void Close();

    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    // The stream's buffer: a picture or a page reaches the system in a write
    // or a few, not one per 4 KiB.
    std::unique_ptr<char[]> buffer_;
    // errno of the first write that failed, or 0.
    int writeError_ = 0;
    bool finished_ = false;
    bool synced_ = false;

    friend int SyncTogether(const std::vector<CSafeFile*>& files);
};

// Syncs the finished files that wait for it, at once. 0, or the errno of the
// first failure; a file that failed is synced again at its Publish.
int SyncTogether(const std::vector<CSafeFile*>& files);

// Writes `bytes` to `path` through a CSafeFile. 0, or the errno of the failure.
int WriteWholeFile(const std::string& path, std::string_view bytes, FilePublish how = FilePublish::Replace);
