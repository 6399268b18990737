#include "TestFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#ifndef MAROVI_EXAMPLES_DIR
#error "MAROVI_EXAMPLES_DIR names the example keyboard's folder"
#endif

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "marovi-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ScopedCurrentDir::ScopedCurrentDir(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }

ScopedCurrentDir::~ScopedCurrentDir()
{
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<fs::path> TemporaryFilesIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(".marovi-", 0) == 0)
            found.push_back(it->path());
    }
    return found;
}

fs::path ExampleKeyboardDir() { return MAROVI_EXAMPLES_DIR; }

void CopyExampleKeyboard(const fs::path& dir)
{
    for (const char* file : {"softKB.skb", "keydef.skb"})
        fs::copy_file(ExampleKeyboardDir() / file, dir / file, fs::copy_options::overwrite_existing);
}
