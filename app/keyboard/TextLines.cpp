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

// The length of the UTF-8 sequence at `at`, or 0 when none starts there
// (RFC 3629: the second byte's range depends on the first, so that every code
// point has one spelling and surrogates have none).
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned first = byte(at);
    if (first < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

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

int CTextLines::FirstLineNotUtf8() const
{
    // No trailing byte is a LF, so a sequence never runs into the next line.
    int line = linesRead_ + 1;
    for (std::size_t i = pos_; i < content_.size();) {
        if (content_[i] == '\n')
            ++line;
        const std::size_t length = Utf8SequenceAt(content_, i);
        if (length == 0)
            return line;
        i += length;
    }
    return 0;
}
