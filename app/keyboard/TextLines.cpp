#include "keyboard/TextLines.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    // Closing a file that was only read cannot lose anything.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

}  // namespace

std::optional<CTextLines> CTextLines::Open(const char* path, int& error)
{
    std::FILE* opened = nullptr;
    if ((error = OpenRegularFile(path, opened)) != 0)
        return std::nullopt;
    const std::unique_ptr<std::FILE, FileCloser> file(opened);
    // Read up to one byte past the bound, so a file that grows while it is
    // read is refused as surely as one that was too large to begin with.
    std::string content;
    char chunk[8192];
    std::size_t got;
    while (content.size() <= kMaxBytes && (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        content.append(chunk, got);
    if (std::ferror(file.get())) {
        error = errno != 0 ? errno : EIO;
        return std::nullopt;
    }
    if (content.size() > kMaxBytes) {
        error = kErrorTooLarge;
        return std::nullopt;
    }
    return CTextLines(std::move(content));
}

bool CTextLines::Next(std::string& line)
{
    if (pos_ >= content_.size())
        return false;
    std::size_t end = content_.find('\n', pos_);
    const std::size_t next = end == std::string::npos ? content_.size() : end + 1;
    if (end == std::string::npos)
        end = content_.size();
    if (end > pos_ && content_[end - 1] == '\r')
        --end;
    line.assign(content_, pos_, end - pos_);
    pos_ = next;
    ++linesRead_;
    return true;
}

bool CTextLines::Skip(std::string_view prefix)
{
    if (content_.compare(pos_, prefix.size(), prefix) != 0)
        return false;
    pos_ += prefix.size();
    return true;
}
