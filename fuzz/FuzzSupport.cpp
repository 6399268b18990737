#include "FuzzSupport.h"

#include "platform/MessageBox.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fuzz {

namespace {

std::string MakeScratchDir()
{
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0)
        base = std::filesystem::temp_directory_path(error);
    std::string pattern = (base / "marovi-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        Fail("mkdtemp", std::strerror(errno));
    return pattern;
}

void RemoveScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(ScratchDir(), ignored);
}

}  // namespace

const std::string& ScratchDir()
{
    static const std::string dir = [] {
        std::string made = MakeScratchDir();
        return made;
    }();
    static const bool cleanup = std::atexit(RemoveScratchDir) == 0;
    static_cast<void>(cleanup);
    return dir;
}

std::string ScratchPath(const std::string& name)
{
    return ScratchDir() + "/" + name;
}

void WriteBytes(const std::string& path, const uint8_t* data, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("open", path + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail("write", path + ": " + std::strerror(errno));
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        Fail("close", path + ": " + std::strerror(errno));
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[8192];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.append(chunk, got);
        std::fclose(file);
    }
    return bytes;
}

bool EnterScratchDir()
{
    if (::chdir(ScratchDir().c_str()) != 0)
        Fail("chdir", ScratchDir() + ": " + std::strerror(errno));
    return true;
}

IMessageBox& QuietMessages()
{
    struct Quiet : IMessageBox {
        void Show(const Message&) override {}
    };
    static Quiet quiet;
    return quiet;
}

void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "\nfuzz property violated: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz
