#pragma once

#include <cstdint>
#include <string>

// An advisory lock on a lock file, for files that several processes share:
// batch users run many converters at once on one keyboard folder. Readers
// take it shared and writers exclusive; it lasts as long as the object, and
// the system drops it when the process ends, however it ends. It keeps apart
// only the processes that take the same lock.
//
// Hold it only around file work: never while a message box waits for the
// user, or every other process waits too.
class CFileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Waits until the lock is granted. The lock file is created when it is
    // missing and never removed (removing it would let two processes lock two
    // different files). Where it can be neither created nor opened, a
    // read-only folder for instance, the object holds nothing: nobody can
    // rewrite the guarded files there either.
    CFileLock(const std::string& lockPath, Mode mode);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    bool Held() const { return handle_ != kNoHandle; }

private:
    // A file descriptor, or a Windows file handle.
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
};
