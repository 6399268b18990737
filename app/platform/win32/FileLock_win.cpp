#include "platform/FileLock.h"

#include <windows.h>

namespace {

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

CFileLock::CFileLock(const std::string& lockPath, Mode mode)
{
    // Every sharing mode is granted, so that processes waiting for the lock
    // can all open the file; the byte-range lock does the excluding.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileA(lockPath.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // One byte at offset 0; a lock may lie past the end of the (empty) file.
    OVERLAPPED at{};
    const DWORD flags = mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!LockFileEx(file, flags, 0, 1, 0, &at)) {
        CloseHandle(file);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

CFileLock::~CFileLock()
{
    if (!Held())
        return;
    OVERLAPPED at{};
    UnlockFileEx(AsHandle(handle_), 0, 1, 0, &at);
    CloseHandle(AsHandle(handle_));
}
