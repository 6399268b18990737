#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

// The writers' files: opened in binary mode, owned so that no path leaks one,
// and closed with a check, because a full disk often shows only at the flush.

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

inline OutputFile OpenOutputFile(const std::string& name)
{
    return OutputFile(std::fopen(name.c_str(), "wb"));
}

// True when everything written so far reached the system and the file closed.
inline bool CloseOutputFile(OutputFile file)
{
    const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
    const bool closed = std::fclose(file.release()) == 0;
    return flushed && closed;
}

// A picture cut short by a failed write is of no use to anyone and would look
// like a finished file. Only a regular file is removed: a writer pointed at a
// device (such as /dev/full) must not delete the device node.
inline void RemoveIncompleteOutput(const std::string& name)
{
    struct stat info {};
    if (::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        std::remove(name.c_str());
}
