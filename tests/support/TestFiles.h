#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Folders and files of the tests, and the example keyboard they share.

// A fresh folder, removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes a folder the current directory for the life of the object.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& dir);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

// A fresh empty folder that is the current directory for the life of the
// object; the previous current directory comes back and the folder goes away.
class ScopedWorkDir {
public:
    ScopedWorkDir() : here_(scratch_.Path()) {}

    const std::filesystem::path& Path() const { return scratch_.Path(); }

private:
    ScratchDir scratch_;
    ScopedCurrentDir here_;
};

// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Throws when the file cannot be written.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// The temporary files of the program's file writer left anywhere below
// `folder` (a writer that finished cleanly leaves none).
std::vector<std::filesystem::path> TemporaryFilesIn(const std::filesystem::path& folder);

// Joins lines with CR LF, the line end the program writes.
std::string CrLf(const std::vector<std::string>& lines);

// The folder of the example keyboard (softKB.skb and keydef.skb).
std::filesystem::path ExampleKeyboardDir();
// Copies the example keyboard into the folder, replacing what is there.
void CopyExampleKeyboard(const std::filesystem::path& dir);
