#pragma once

#include "platform/SafeFile.h"

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

// A text file written with CR LF line ends on every platform, through the
// one file writer: the text goes into a temporary file beside the final name
// and takes that name only at Publish. It is gathered in memory and reaches
// the file in writes of 64 KiB and at Close, every one checked: Write or
// Close raises CFileWriteError when text does not reach the file, so a
// caller writing many pieces checks once, around all of them. Every "\n" of
// the text becomes "\r\n".
class CTextFileWriter {
public:
    CTextFileWriter() = default;
    // A file that was not published goes, with whatever was written to it.
    ~CTextFileWriter() = default;
    CTextFileWriter(const CTextFileWriter&) = delete;
    CTextFileWriter& operator=(const CTextFileWriter&) = delete;

    // Starts the file that is to become `path`; false (errno set) when it
    // cannot be made.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_.IsOpen(); }

    // Throws CFileWriteError (or std::bad_alloc); the file must be open.
    void Write(std::string_view text);
    // Writes the rest of the text and finishes the file, durable as `sync`
    // says; throws CFileWriteError when any of it fails, and the file is
    // then gone.
    void Close(FileSync sync = FileSync::Now);
    // Every byte that reaches the file is also appended to `copy` (null:
    // none is kept), for a caller that reads the text it wrote.
    void KeepCopy(std::string* copy) { copy_ = copy; }
    // The file underneath, for SyncTogether.
    CSafeFile& File() { return file_; }
    // Gives the closed file its name. 0, or the errno of the failure (EEXIST
    // when the name must be free and is not).
    int Publish(FilePublish how);

private:
    // Hands the gathered text to the file; throws CFileWriteError.
    void WriteGathered();

    std::string text_;
    CSafeFile file_;
    std::string* copy_ = nullptr;
};
