#pragma once

#include "../support/MessageLog.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

// A fresh empty folder that is the current directory for the life of the
// object; the previous current directory comes back and the folder goes away.
class ScopedWorkDir {
public:
    ScopedWorkDir() : previous_(std::filesystem::current_path())
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "marovi-kb-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        std::filesystem::current_path(path_);
    }
    ~ScopedWorkDir()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << name;
}

inline std::string ReadFile(const std::string& name)
{
    std::string bytes;
    if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
        char chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.append(chunk, got);
        std::fclose(file);
    }
    return bytes;
}

// Joins lines with CR LF, the line end the program writes.
inline std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}
