#pragma once

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
