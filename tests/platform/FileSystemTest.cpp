#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

TEST(FileSystem, ParentFolderAndJoinPathReadSeparatorsCharacterByCharacter)
{
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {
        {"/a/b", "/a"}, {"/a", "/"}, {"/", "/"}, {"a", ""}, {"a/b/", "a/b"}, {"a//b", "a"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;

    // 表 ends in the byte of "\\": the folder still needs its separator.
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(JoinPath("a", "b"), "a" + sep + "b");
    EXPECT_EQ(JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(JoinPath("表", "b"), "表" + sep + "b");
}

TEST(FileSystem, MakeFoldersMakesTheMissingOnesAndRefusesAFile)
{
    const ScratchDir dir;
    const std::string deep = dir.Path("a/b/c");
    EXPECT_EQ(MakeFolders(deep), 0);
    EXPECT_TRUE(IsFolder(deep));
    EXPECT_EQ(MakeFolders(deep), 0);
    EXPECT_EQ(FolderEntries(dir.Path("a")), std::vector<std::string>{"b"});

    WriteBytes(dir / "file", "x");
    EXPECT_TRUE(PathExists(dir.Path("file")));
    EXPECT_FALSE(IsFolder(dir.Path("file")));
    EXPECT_NE(MakeFolders(dir.Path("file/d")), 0);
    EXPECT_NE(MakeFolder(dir.Path("file")), 0);
}
