#include "FaultSupport.h"

#include "inkfile/InkFileWriter.h"
#include "inkgen/InkScript.h"
#include "platform/TextEncoding.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef MAROVI_CONVERT
#error "MAROVI_CONVERT names the marovi-convert program"
#endif

namespace faults {

namespace {

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// Mounts made by a test stay inside its process: a namespace of its own, in
// which nothing propagates back to the system's mounts.
bool PrivateMountNamespace(std::string& whyNot)
{
    static const std::string failure = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return Errno("unshare(CLONE_NEWNS)");
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return Errno("making / private");
        return std::string();
    }();
    whyNot = failure;
    return failure.empty();
}

}  // namespace

std::optional<TestMount> TestMount::Tmpfs(const fs::path& at, const std::string& options, std::string& whyNot)
{
    if (!PrivateMountNamespace(whyNot))
        return std::nullopt;
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        whyNot = Errno("mount -t tmpfs -o " + options);
        return std::nullopt;
    }
    return TestMount(at);
}

TestMount::TestMount(TestMount&& other) noexcept : at_(std::move(other.at_))
{
    other.at_.clear();
}

TestMount& TestMount::operator=(TestMount&& other) noexcept
{
    if (this != &other) {
        if (!at_.empty())
            static_cast<void>(::umount2(at_.c_str(), MNT_DETACH));
        at_ = std::move(other.at_);
        other.at_.clear();
    }
    return *this;
}

TestMount::~TestMount()
{
    if (!at_.empty())
        static_cast<void>(::umount2(at_.c_str(), MNT_DETACH));
}

bool TestMount::MakeReadOnly(std::string& whyNot)
{
    if (::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        whyNot = Errno("remount read-only");
        return false;
    }
    return true;
}

std::size_t TestMount::FreeBytes() const
{
    struct statvfs info {};
    if (::statvfs(at_.c_str(), &info) != 0)
        throw std::runtime_error(Errno("statvfs"));
    return static_cast<std::size_t>(info.f_bavail) * info.f_bsize;
}

void TestMount::FillLeaving(std::size_t leave)
{
    const int fd = ::open((at_ / "filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        throw std::runtime_error(Errno("filler"));
    const std::string block(4096, 'x');
    while (FreeBytes() > leave) {
        const std::size_t n = std::min(block.size(), FreeBytes() - leave);
        if (::write(fd, block.data(), n) <= 0)
            break;
    }
    ::close(fd);
}

void WritePage(const fs::path& path, const std::string& script)
{
    inkgen::ScriptOptions options;
    options.keyboardPath = (ExampleKeyboardDir() / "softKB.skb").string();
    inkgen::ToInkFile(inkgen::RunScript(script, options)).Save(path.string());
}

pid_t StartConvert(const std::vector<std::string>& args, const fs::path& out, const fs::path& err,
                   std::size_t addressSpace)
{
    std::vector<std::string> argv{MAROVI_CONVERT};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error(Errno("fork"));
    if (child == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        if (o < 0 || e < 0 || in < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::dup2(in, 0) < 0)
            ::_exit(126);
        const rlimit limit{addressSpace, addressSpace};
        if (addressSpace != 0 && ::setrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(126);
        // A converter that hangs is killed rather than holding the tests.
        ::alarm(60);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return child;
}

int WaitForConvert(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error(Errno("waitpid"));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ConvertRun RunConvert(const std::vector<std::string>& args, std::size_t addressSpace)
{
    ScratchDir capture;
    const fs::path out = capture / "out";
    const fs::path err = capture / "err";
    ConvertRun run;
    run.exitCode = WaitForConvert(StartConvert(args, out, err, addressSpace));
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
}

std::string StatusOf(const ConvertRun& run, const fs::path& inkFile)
{
    std::istringstream lines(run.out);
    const std::string prefix = inkFile.string() + "\t";
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            const std::string rest = line.substr(prefix.size());
            return rest.substr(0, rest.find('\t'));
        }
    }
    return {};
}

}  // namespace faults
