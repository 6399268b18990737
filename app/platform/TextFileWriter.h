#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// A file the writer could not write to completely; what reached the file
// before stays there.
class CFileWriteError : public std::runtime_error {
public:
    CFileWriteError(const std::string& path, int error);
    const std::string& Path() const { return path_; }
    // The errno value of the failed call; 0 when it set none.
    int Error() const { return error_; }

private:
    std::string path_;
    int error_;
};

// A text file written with CR LF line ends on every platform. The text is
// gathered in memory and reaches the file in writes of 64 KiB and at Close,
// every one checked: Write or Close raises CFileWriteError when text does
// not reach the file, so a caller writing many pieces checks once, around all
// of them. The file is opened in binary mode and every "\n" of the text
// becomes "\r\n".
class CTextFileWriter {
public:
    CTextFileWriter() = default;
    // Closes the file; gathered text that has not been written is dropped,
    // never written without its errors checked.
    ~CTextFileWriter() = default;
    CTextFileWriter(const CTextFileWriter&) = delete;
    CTextFileWriter& operator=(const CTextFileWriter&) = delete;

    // Creates the file or empties it; false when it cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }

    // Throws CFileWriteError (or std::bad_alloc); the file must be open.
    void Write(std::string_view text);
    // Writes the text, flushes and closes the file; throws CFileWriteError
    // when any of it fails. The file is closed in any case.
    void Close();

private:
    // Hands the gathered text to the stream; throws CFileWriteError.
    void WriteGathered();

    struct Closer {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    std::string text_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
};
