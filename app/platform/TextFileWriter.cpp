#include "platform/TextFileWriter.h"

#include <cerrno>
#include <cstring>
#include <utility>

CFileWriteError::CFileWriteError(const std::string& path, int error)
    : std::runtime_error("cannot write " + path + (error != 0 ? ": " + std::string(std::strerror(error)) : "")),
      path_(path),
      error_(error)
{
}

namespace {

// Gathered text reaches the file once it is this long: a page in a write or
// a few, and a full disk is found before the rest of a long page is made.
constexpr std::size_t kWriteSize = 64 * 1024;

}  // namespace

bool CTextFileWriter::Open(const std::string& path)
{
    text_.clear();
    // Room for a whole gathering at once: grown step by step, the text would
    // touch about twice its size in fresh memory.
    text_.reserve(kWriteSize);
    file_.reset(std::fopen(path.c_str(), "wb"));
    path_ = path;
    if (!file_)
        return false;
    // Every write goes straight to the file, checked where it is made: the
    // stream holds nothing back that closing it would write unchecked.
    static_cast<void>(std::setvbuf(file_.get(), nullptr, _IONBF, 0));
    return true;
}

void CTextFileWriter::Write(std::string_view text)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        text_.append(text.data() + start, end - start);
        if (newline == std::string_view::npos)
            break;
        text_ += "\r\n";
        start = newline + 1;
    }
    if (text_.size() >= kWriteSize)
        WriteGathered();
}

void CTextFileWriter::WriteGathered()
{
    errno = 0;
    const bool written = std::fwrite(text_.data(), 1, text_.size(), file_.get()) == text_.size();
    text_.clear();
    if (!written)
        throw CFileWriteError(path_, errno);
}

void CTextFileWriter::Close()
{
    if (!file_)
        return;
    bool written = true;
    int writeError = 0;
    try {
        WriteGathered();
    } catch (const CFileWriteError& error) {
        written = false;
        writeError = error.Error();
    }
    if (written) {
        errno = 0;
        written = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0;
        writeError = errno;
    }
    errno = 0;
    const bool closed = std::fclose(file_.release()) == 0;
    if (!written)
        throw CFileWriteError(path_, writeError);
    if (!closed)
        throw CFileWriteError(path_, errno);
}
