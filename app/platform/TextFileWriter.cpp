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
    if (const int error = file_.Open(path); error != 0) {
        errno = error;
        return false;
    }
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
    if (copy_)
        copy_->append(text_);
    const bool written = file_.Write(text_);
    const int error = errno;
    text_.clear();
    if (!written)
        throw CFileWriteError(file_.Path(), error);
}

void CTextFileWriter::Close(FileSync sync)
{
    if (!file_.IsOpen())
        return;
    if (copy_)
        copy_->append(text_);
    // A failed write is reported by Finish, with its reason.
    static_cast<void>(file_.Write(text_));
    text_.clear();
    if (const int error = file_.Finish(sync); error != 0)
        throw CFileWriteError(file_.Path(), error);
}

int CTextFileWriter::Publish(FilePublish how) { return file_.Publish(how); }
