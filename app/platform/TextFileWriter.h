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

// A text file written with CR LF line ends on every platform. Any write that
// does not reach the file raises CFileWriteError, so a caller writing many
// pieces checks once, around all of them. The file is opened in binary mode
// and every "\n" of the text becomes "\r\n".
class CTextFileWriter {
public:
    CTextFileWriter() = default;
    // Writes what is pending and closes the file without a check; call Close
    // to learn whether the end of it was written.
    ~CTextFileWriter();
    CTextFileWriter(const CTextFileWriter&) = delete;
    CTextFileWriter& operator=(const CTextFileWriter&) = delete;

    // Creates the file or empties it; false when it cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }

    // Throws CFileWriteError; the file must be open.
    void Write(std::string_view text);
    // Flushes and closes the file; throws CFileWriteError when either fails.
    // The file is closed in any case.
    void Close();

private:
    void WriteBytes(const char* bytes, std::size_t size);
    // Hands the pending bytes to the stream; throws CFileWriteError.
    void Flush();

    struct Closer {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    // The page is gathered here and reaches the stream (unbuffered itself) in
    // a few large writes: a page is thousands of small pieces, and every call
    // into the stream costs a lock.
    std::unique_ptr<char[]> buffer_;
    std::size_t pending_ = 0;
    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
};
