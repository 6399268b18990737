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

// A whole page in one write rather than one per block of the file system.
constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

CTextFileWriter::~CTextFileWriter()
{
    if (file_ && pending_ > 0)
        static_cast<void>(std::fwrite(buffer_.get(), 1, pending_, file_.get()));
}

bool CTextFileWriter::Open(const std::string& path)
{
    if (file_ && pending_ > 0)
        static_cast<void>(std::fwrite(buffer_.get(), 1, pending_, file_.get()));
    pending_ = 0;
    file_.reset(std::fopen(path.c_str(), "wb"));
    path_ = path;
    if (!file_)
        return false;
    if (!buffer_)
        buffer_.reset(new char[kBufferSize]);
    // Without this the stream keeps a buffer of its own: slower, nothing lost.
    static_cast<void>(std::setvbuf(file_.get(), nullptr, _IONBF, 0));
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
    if (size > kBufferSize - pending_)
        Flush();
    if (size >= kBufferSize) {
        errno = 0;
        if (std::fwrite(bytes, 1, size, file_.get()) != size)
            throw CFileWriteError(path_, errno);
        return;
    }
    std::memcpy(buffer_.get() + pending_, bytes, size);
    pending_ += size;
}

void CTextFileWriter::Flush()
{
    if (pending_ == 0)
        return;
    const std::size_t size = std::exchange(pending_, 0);
    errno = 0;
    if (std::fwrite(buffer_.get(), 1, size, file_.get()) != size)
        throw CFileWriteError(path_, errno);
}

void CTextFileWriter::Close()
{
    if (!file_)
        return;
    errno = 0;
    bool flushed = true;
    int flushError = 0;
    try {
        Flush();
    } catch (const CFileWriteError& error) {
        flushed = false;
        flushError = error.Error();
    }
    if (flushed) {
        flushed = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0;
        flushError = errno;
    }
    errno = 0;
    const bool closed = std::fclose(file_.release()) == 0;
    if (!flushed)
        throw CFileWriteError(path_, flushError);
    if (!closed)
        throw CFileWriteError(path_, errno);
}
