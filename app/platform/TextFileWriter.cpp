#include "platform/TextFileWriter.h"

#include <cerrno>
#include <cstring>

CFileWriteError::CFileWriteError(const std::string& path, int error)
    : std::runtime_error("cannot write " + path + (error != 0 ? ": " + std::string(std::strerror(error)) : "")),
      path_(path),
      error_(error)
{
}

namespace {

// A whole page in one write rather than one per block of the file system.
constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

bool CTextFileWriter::Open(const std::string& path)
{
    file_.reset(std::fopen(path.c_str(), "wb"));
    path_ = path;
    if (!file_)
        return false;
    if (!buffer_)
        buffer_.reset(new char[kBufferSize]);
    // Without the larger buffer the stream keeps its own: nothing is lost.
    static_cast<void>(std::setvbuf(file_.get(), buffer_.get(), _IOFBF, kBufferSize));
    return true;
}

void CTextFileWriter::Write(std::string_view text)
{
    static constexpr char kCrLf[] = "\r\n";
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        WriteBytes(text.data() + start, end - start);
        if (newline == std::string_view::npos)
            break;
        WriteBytes(kCrLf, 2);
        start = newline + 1;
    }
}

void CTextFileWriter::WriteBytes(const char* bytes, std::size_t size)
{
    if (size == 0)
        return;
    errno = 0;
    if (std::fwrite(bytes, 1, size, file_.get()) != size)
        throw CFileWriteError(path_, errno);
}

void CTextFileWriter::Close()
{
    if (!file_)
        return;
    errno = 0;
    const bool flushed = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0;
    const int flushError = errno;
    errno = 0;
    const bool closed = std::fclose(file_.release()) == 0;
    if (!flushed)
        throw CFileWriteError(path_, flushError);
    if (!closed)
        throw CFileWriteError(path_, errno);
}
