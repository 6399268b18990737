#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// A small text file read whole and handed out line by line. A line ends at a
// LF; a CR right before it is dropped, so files written with CR LF and with
// bare LF read alike. A last line without a LF still counts; an empty file
// has no lines.
class CTextLines {
public:
    // The most a file may hold: keyboard files are a few kilobytes.
    static constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;

    // Nothing when the file cannot be opened or read, with the reason in
    // `error` (an errno value, kErrorNotRegularFile or kErrorTooLarge from
    // platform/FileSystem.h). Only a regular file of at most kMaxBytes is
    // read.
    static std::optional<CTextLines> Open(const char* path, int& error);
    // Text already in memory, split the same way.
    static CTextLines FromText(std::string text) { return CTextLines(std::move(text)); }

    // The next line without its line end; false at the end of the file.
    bool Next(std::string& line);

    // Passes over `prefix` when the text not yet handed out begins with it.
    bool Skip(std::string_view prefix);
    // Where the next line begins, and the text from such a place on, as in
    // the file.
    std::size_t Offset() const { return pos_; }
    std::string_view TextFrom(std::size_t offset) const { return std::string_view(content_).substr(offset); }
    // How many lines Next has handed out.
    int LinesRead() const { return linesRead_; }
    // The number of the first line not yet handed out that is not UTF-8,
    // counted as LinesRead counts (the next line is LinesRead() + 1); 0 when
    // all of them are. Overlong forms, surrogates, code points past U+10FFFF
    // and a sequence cut short are not UTF-8.
    int FirstLineNotUtf8() const;

private:
    explicit CTextLines(std::string content) : content_(std::move(content)) {}

    std::string content_;
    std::size_t pos_ = 0;
    int linesRead_ = 0;
};
