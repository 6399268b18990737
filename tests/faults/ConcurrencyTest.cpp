// Several converters on one keyboard folder, as batch users run them
// (xargs -P): a recalibration in one never costs another its softKB.skb.

#include "FaultSupport.h"

#include "keyboard/KeyboardDef.h"
#include "platform/FileLock.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faults {
namespace {

using Mode = CFileLock::Mode;

// Waits for a forked child; its exit code, or 128 + signal.
int Wait(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Whether `fd` has something to read at this moment.
bool Readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

// Another process takes the lock in `held`, then this one takes it in
// `wanted`; whether this one had to wait for the other to let go. The other
// says so on a pipe just before it lets go, so the answer is one of order, not
// of time. It lets go when told to, or by itself after `patience` (this one
// cannot tell it while it waits).
bool WaitedBehind(const fs::path& lockFile, Mode held, Mode wanted, int patience)
{
    int ready[2];
    int go[2];
    int lettingGo[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0 || ::pipe(lettingGo) != 0)
        throw std::runtime_error("pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        {
            const CFileLock lock(lockFile.string(), held);
            const char byte = lock.Held() ? '1' : '0';
            static_cast<void>(::write(ready[1], &byte, 1));
            pollfd told{go[0], POLLIN, 0};
            static_cast<void>(::poll(&told, 1, patience));
            static_cast<void>(::write(lettingGo[1], "x", 1));
        }
        ::_exit(0);
    }
    char byte = 0;
    static_cast<void>(::read(ready[0], &byte, 1));
    bool waited = false;
    {
        const CFileLock lock(lockFile.string(), wanted);
        EXPECT_TRUE(lock.Held());
        waited = Readable(lettingGo[0]);
    }
    static_cast<void>(::write(go[1], "g", 1));
    EXPECT_EQ(byte, '1');
    EXPECT_EQ(Wait(child), 0);
    for (int fd : {ready[0], ready[1], go[0], go[1], lettingGo[0], lettingGo[1]})
        ::close(fd);
    return waited;
}

TEST(FileLock, WritersWaitForEveryoneReadersOnlyForWriters)
{
    ScratchDir scratch;
    const fs::path lockFile = scratch / "softKB.skb.lock";
    const struct {
        Mode held;
        Mode wanted;
        bool waits;
    } cases[] = {
        {Mode::Shared, Mode::Shared, false},
        {Mode::Shared, Mode::Exclusive, true},
        {Mode::Exclusive, Mode::Shared, true},
        {Mode::Exclusive, Mode::Exclusive, true},
    };
    for (const auto& c : cases) {
        // A holder that is waited for lets go soon; one that is not waits
        // long to be told, so a slow machine cannot make it look waited for.
        const bool waited = WaitedBehind(lockFile, c.held, c.wanted, c.waits ? 200 : 10000);
        EXPECT_EQ(waited, c.waits) << static_cast<int>(c.held) << " then " << static_cast<int>(c.wanted);
    }
    // The lock file stays: removing it would let two processes lock two files.
    EXPECT_TRUE(fs::exists(lockFile));
}

TEST(FileLock, AReadOnlyFolderLocksWhatItHas)
{
    ScratchDir scratch;
    fs::create_directory(scratch / "ro");
    std::string whyNot;
    std::optional<TestMount> mount = TestMount::Tmpfs(scratch / "ro", "size=64k", whyNot);
    if (!mount)
        GTEST_SKIP() << "no read-only file system: " << whyNot;
    WriteBytes(scratch / "ro/present.lock", "");
    if (!mount->MakeReadOnly(whyNot))
        GTEST_SKIP() << "no read-only file system: " << whyNot;

    // A lock file that cannot be made means nothing to lock: nobody can write there either.
    EXPECT_FALSE(CFileLock((scratch / "ro/absent.lock").string(), Mode::Exclusive).Held());
    EXPECT_TRUE(CFileLock((scratch / "ro/present.lock").string(), Mode::Exclusive).Held());
    EXPECT_TRUE(CFileLock((scratch / "ro/present.lock").string(), Mode::Shared).Held());
}

// Each process loads the keyboard, checks it is whole, moves its measured
// marks and saves it, again and again, all processes at once.
TEST(KeyboardFileConcurrency, ProcessesLoadingAndSavingAtOnce)
{
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    const ScopedCurrentDir here(scratch.Path());
    int keyCount = 0;
    {
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load());
        keyCount = keyboard.KeyCount();
    }

    constexpr int kProcesses = 4;
    constexpr int kRounds = 120;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child != 0) {
            children.push_back(child);
            continue;
        }
        int failures = 0;
        MessageLog log;
        for (int round = 0; round < kRounds; ++round) {
            CKeyboardDef keyboard;
            keyboard.SetMessageBox(&log);
            if (!keyboard.Load() || keyboard.KeyCount() != keyCount) {
                ++failures;
                continue;
            }
            CKeyboardDef::Marks marks = keyboard.MeasuredMarks();
            marks[4].x = 1000 * p + round;
            keyboard.SetMeasuredMarks(marks);
            failures += keyboard.Save() ? 0 : 1;
        }
        ::_exit(failures == 0 && log.Messages().empty() ? 0 : 1);
    }
    for (pid_t child : children)
        EXPECT_EQ(Wait(child), 0) << "a process saw a missing or broken softKB.skb";

    CKeyboardDef last;
    ASSERT_TRUE(last.Load());
    EXPECT_EQ(last.KeyCount(), keyCount);
    EXPECT_EQ(last.MeasuredMarks()[4].x % 1000, kRounds - 1);
    EXPECT_FALSE(fs::exists("new.skb"));
}

// The same through marovi-convert: converters started together, each page
// beginning with the calibration taps, so every process rewrites softKB.skb
// while the others load it.
TEST(KeyboardFileConcurrency, ConvertersRecalibratingOneKeyboardFolder)
{
    ScratchDir scratch;
    fs::create_directory(scratch / "kb");
    CopyExampleKeyboard(scratch / "kb");
    constexpr int kProcesses = 4;
    for (int p = 0; p < kProcesses; ++p) {
        WritePage(scratch / ("page" + std::to_string(p) + ".ink"),
                  "sheet shift " + std::to_string(p) + "mm 1mm\ncalibrate\ntype Marovi\n");
    }
    int keyCount = 0;
    {
        const ScopedCurrentDir kb(scratch / "kb");
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load());
        keyCount = keyboard.KeyCount();
    }

    const ScopedCurrentDir here(scratch.Path());
    for (int round = 0; round < 3; ++round) {
        std::vector<pid_t> children;
        for (int p = 0; p < kProcesses; ++p) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const std::string page = "page" + std::to_string(p) + ".ink";
                const ConvertRun run = RunConvert({"-k", "kb", "-f", page});
                // What the keyboard file could tell: cannot open, cannot write.
                const bool keyboardTold = run.err.find(SjisToUtf8("ソフトＫＢ")) != std::string::npos ||
                                          run.err.find(SjisToUtf8("書き込み")) != std::string::npos;
                ::_exit(run.exitCode == 0 && !keyboardTold ? 0 : 1);
            }
            children.push_back(child);
        }
        for (pid_t child : children)
            EXPECT_EQ(Wait(child), 0) << "round " << round;
    }
    const ScopedCurrentDir kb(scratch / "kb");
    CKeyboardDef last;
    ASSERT_TRUE(last.Load());
    EXPECT_EQ(last.KeyCount(), keyCount);
    EXPECT_TRUE(fs::exists("softKB.skb.bak"));
    EXPECT_FALSE(fs::exists("new.skb"));
}

}  // namespace
}  // namespace faults
