#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

// A small text file read whole and handed out line by line. A line ends at a
// LF; a CR right before it is dropped, so files written with CR LF and with
// bare LF read alike. A last line without a LF still counts; an empty file
// has no lines.
class CTextLines {
public:
    // Nothing when the file cannot be opened or read.
    static std::optional<CTextLines> Open(const char* path);
    // Text already in memory, split the same way.
    static CTextLines FromText(std::string text) { return CTextLines(std::move(text)); }

    // The next line without its line end; false at the end of the file.
    bool Next(std::string& line);

private:
    explicit CTextLines(std::string content) : content_(std::move(content)) {}

    std::string content_;
    std::size_t pos_ = 0;
};
