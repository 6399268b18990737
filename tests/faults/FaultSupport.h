#pragma once

#include "MessageLog.h"
#include "TestFiles.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// Helpers of the fault tests: small file systems mounted for one test, pages
// written from inkgen scripts, and runs of marovi-convert.
namespace faults {

namespace fs = std::filesystem;

// Every message shown while it lives.
using ::MessageLog;

// A tmpfs mounted on a folder for one test. Mounting needs a mount namespace
// of the test process's own, so nothing is seen outside the process and the
// mount goes away with it however the test ends. Where the process may not
// mount, Mount returns nothing and says why.
class TestMount {
public:
    // options as for mount -o, e.g. "size=64k". The folder must exist.
    static std::optional<TestMount> Tmpfs(const fs::path& at, const std::string& options, std::string& whyNot);
    ~TestMount();
    TestMount(TestMount&& other) noexcept;
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    TestMount& operator=(TestMount&& other) noexcept;

    // Turns the mounted file system read-only, keeping what was written.
    bool MakeReadOnly(std::string& whyNot);
    // Fills the file system until at most `leave` bytes are free.
    void FillLeaving(std::size_t leave);
    std::size_t FreeBytes() const;

private:
    explicit TestMount(fs::path at) : at_(std::move(at)) {}
    fs::path at_;
};

// Writes the ink file of an inkgen page script, written on the example
// keyboard (see tools/inkgen/InkScript.cpp for the syntax).
void WritePage(const fs::path& path, const std::string& script);

// What a run of marovi-convert printed and returned.
struct ConvertRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs marovi-convert with the arguments, in the current directory; a
// non-zero `addressSpace` limits the memory the process may map, in bytes.
ConvertRun RunConvert(const std::vector<std::string>& args, std::size_t addressSpace = 0);
// The same, started and left running, its stdout and stderr going to the
// files; WaitForConvert gives its exit status (128 + the signal that ended it).
pid_t StartConvert(const std::vector<std::string>& args, const fs::path& out, const fs::path& err,
                   std::size_t addressSpace = 0);
int WaitForConvert(pid_t child);

// The status column of the printed row for an ink file: "変換済み" etc. as
// UTF-8, or an empty text when the file has no row.
std::string StatusOf(const ConvertRun& run, const fs::path& inkFile);

}  // namespace faults
