#include "keyboard/TextLines.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    // Closing a file that was only read cannot lose anything.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

}  // namespace

std::optional<CTextLines> CTextLines::Open(const char* path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file)
        return std::nullopt;
    std::string content;
    char chunk[8192];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        content.append(chunk, got);
    if (std::ferror(file.get()))
        return std::nullopt;
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
