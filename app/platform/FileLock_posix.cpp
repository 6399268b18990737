#include "platform/FileLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CFileLock::CFileLock(const std::string& lockPath, Mode mode)
{
    // flock locks go with the open file, not with the process, and work on a
    // descriptor opened for reading only: a lock file that another user
    // created can still be locked.
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        static_cast<void>(::close(fd));
        return;
    }
    handle_ = fd;
}

CFileLock::~CFileLock()
{
    // Closing the descriptor releases the lock.
    if (Held())
        static_cast<void>(::close(static_cast<int>(handle_)));
}
