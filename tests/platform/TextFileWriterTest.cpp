#include "platform/TextFileWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TempFile {
    fs::path path = fs::temp_directory_path() / ("marovi-writer-" + std::to_string(::getpid()) + ".txt");
    ~TempFile()
    {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    std::string Read() const
    {
        std::string bytes;
        if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
            char chunk[4096];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
                bytes.append(chunk, n);
            std::fclose(in);
        }
        return bytes;
    }
};

std::string WithCrLf(const std::string& text)
{
    std::string converted;
    for (const char c : text)
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

// Pieces of every size, cut anywhere relative to the line ends: the file
// holds exactly the text with CR LF line ends.
TEST(TextFileWriter, WritesEveryPieceInOrderWithCrLf)
{
    const std::string big(200 * 1024, 'b');
    const std::string pieces[] = {"<html>\n", "", "a", "\n\n", std::string(70000, 'x') + "\n", "tail", big,
                                  "\nline\n", std::string(65535, 'y'), "z\n"};
    TempFile file;
    CTextFileWriter writer;
    ASSERT_TRUE(writer.Open(file.path.string()));
    std::string expected;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& piece : pieces) {
            writer.Write(piece);
            expected += WithCrLf(piece);
        }
    }
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(file.Read(), expected);
}

// Only Close can report a failed write, so only Close writes.
TEST(TextFileWriter, TextIsNotWrittenWithoutClose)
{
    TempFile file;
    {
        CTextFileWriter writer;
        ASSERT_TRUE(writer.Open(file.path.string()));
        writer.Write("dropped\n");
    }
    EXPECT_TRUE(fs::exists(file.path));
    EXPECT_EQ(file.Read(), "");
}

TEST(TextFileWriter, AFullDiskIsReportedAtTheLatestByClose)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    for (const std::size_t size : {std::size_t{10}, std::size_t{300 * 1024}}) {
        CTextFileWriter writer;
        ASSERT_TRUE(writer.Open("/dev/full"));
        const auto writeAndClose = [&] {
            writer.Write(std::string(size, 'f'));
            writer.Close();
        };
        EXPECT_THROW(writeAndClose(), CFileWriteError) << size;
    }
}

}  // namespace
