#include "platform/FileSystem.h"
#include "platform/SafeFile.h"
#include "platform/TextFileWriter.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string WithCrLf(const std::string& text)
{
    std::string converted;
    for (const char c : text)
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

// Pieces of every size, cut anywhere relative to the line ends: the file
// holds exactly the text with CR LF line ends, and only once published.
TEST(TextFileWriter, WritesEveryPieceInOrderWithCrLfUnderItsNameAtPublish)
{
    const std::string big(200 * 1024, 'b');
    const std::string pieces[] = {"<html>\n", "", "a", "\n\n", std::string(70000, 'x') + "\n", "tail", big,
                                  "\nline\n", std::string(65535, 'y'), "z\n"};
    ScopedWorkDir dir;
    WriteBytes("page.html", "old");
    CTextFileWriter writer;
    ASSERT_TRUE(writer.Open("page.html"));
    std::string expected;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& piece : pieces) {
            writer.Write(piece);
            expected += WithCrLf(piece);
        }
    }
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(ReadBytes("page.html"), "old");
    EXPECT_EQ(writer.Publish(FilePublish::Replace), 0);
    EXPECT_EQ(ReadBytes("page.html"), expected);
    EXPECT_TRUE(TemporaryFilesIn(".").empty());

    // A writer that goes unpublished leaves nothing.
    {
        CTextFileWriter dropped;
        ASSERT_TRUE(dropped.Open("dropped.html"));
        dropped.Write("dropped\n");
        dropped.Close();
    }
    EXPECT_FALSE(fs::exists("dropped.html"));
    EXPECT_TRUE(TemporaryFilesIn(".").empty());
}

// What has the final name is replaced only where that is safe, and the
// outcome is always told.
TEST(SafeFile, PublishingReplacesOnlyWhatItMay)
{
    const struct {
        const char* name;
        std::function<void()> prepare;
        FilePublish how;
        int error;
        const char* after;  // the bytes under the name afterwards, or null when it is no file
    } cases[] = {
        {"a new name", [] {}, FilePublish::Exclusive, 0, "new"},
        {"a free name that is taken", [] { WriteBytes("out", "old"); }, FilePublish::Exclusive, EEXIST, "old"},
        {"a file replaced", [] { WriteBytes("out", "old"); }, FilePublish::Replace, 0, "new"},
        {"a link replaced, not written through",
         [] {
             WriteBytes("target", "target");
             fs::create_symlink("target", "out");
         },
         FilePublish::Replace, 0, "new"},
        {"a dangling link taken as a taken name", [] { fs::create_symlink("missing", "out"); },
         FilePublish::Exclusive, EEXIST, nullptr},
        {"a folder", [] { fs::create_directory("out"); }, FilePublish::Replace, EISDIR, nullptr},
        {"a FIFO", [] { ASSERT_EQ(::mkfifo("out", 0600), 0); }, FilePublish::Replace, kErrorNotRegularFile, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkDir dir;
        c.prepare();
        EXPECT_EQ(WriteWholeFile("out", "new", c.how), c.error);
        if (c.after) {
            EXPECT_EQ(ReadBytes("out"), c.after);
            EXPECT_FALSE(fs::is_symlink("out"));
        }
        if (fs::exists("target")) {
            EXPECT_EQ(ReadBytes("target"), "target");
        }
        EXPECT_TRUE(TemporaryFilesIn(".").empty());
    }

    // A file kept private stays private when it is replaced.
    {
        ScopedWorkDir dir;
        WriteBytes("out", "old");
        fs::permissions("out", fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
        EXPECT_EQ(WriteWholeFile("out", "new"), 0);
        EXPECT_EQ(fs::status("out").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }

    // A device keeps its node, whoever writes: a root process replacing
    // /dev/null would take it away from everyone.
    struct stat before {};
    ASSERT_EQ(::stat("/dev/null", &before), 0);
    EXPECT_EQ(WriteWholeFile("/dev/null", "new"), kErrorNotRegularFile);
    struct stat after {};
    ASSERT_EQ(::stat("/dev/null", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);
}

}  // namespace
