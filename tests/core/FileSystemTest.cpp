#include "core/FileSystem.h"
#include "tests/firmware/FirmwareTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace bf {
namespace {

using test::TempDir;
using test::WriteText;

TEST(PathNames, SplitAtTheLastSeparatorSoThatFolderAndNameMakeThePath) {
    const struct {
        std::string path;
        std::string folder;
        std::string name;
    } cases[] = {
        {"/a/b.hex", "/a/", "b.hex"}, {"a/b/c", "a/b/", "c"}, {"/b", "/", "b"},
        {"b.hex", "", "b.hex"},       {"/a/", "/a/", ""},     {"", "", ""},
        {"/a.b/c", "/a.b/", "c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderOf(c.path), c.folder);
        EXPECT_EQ(BaseName(c.path), c.name);
        EXPECT_EQ(std::string(FolderOf(c.path)) + std::string(BaseName(c.path)), c.path);
    }
}

TEST(InputFile, CarriesTheSizeOfTheFileAndReadsItByteForByte) {
    TempDir dir;
    const std::string content("S3\r\n\0\xFF\x1A tail\n", 13);
    WriteText(dir / "f.hex", content);
    InputFile file(dir / "f.hex");
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), content.size());
    std::string read(64, '\0');
    std::size_t used = 0;
    while (const std::size_t n = file.Read(read.data() + used, read.size() - used))
        used += n;
    EXPECT_EQ(read.substr(0, used), content);
    EXPECT_EQ(file.Error(), 0);
}

TEST(InputFile, WhatIsNotAReadableRegularFileStaysClosedWithItsReason) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    WriteText(dir / "empty", "");
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {dir / "missing", ENOENT},
        {dir / "folder", EISDIR},
        {dir / "empty", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        InputFile file(c.path);
        EXPECT_EQ(file.IsOpen(), c.error == 0);
        EXPECT_EQ(file.Error(), c.error);
        EXPECT_EQ(file.Size(), 0u);
        char byte = 0;
        EXPECT_EQ(file.Read(&byte, 1), 0u);
        EXPECT_EQ(file.Error(), c.error);
    }
}

TEST(NewFile, IsMadeOnlyWhereTheNameIsFree) {
    TempDir dir;
    WriteText(dir / "taken", "keep");
    NewFile taken;
    EXPECT_EQ(taken.Create(dir / "taken"), EEXIST);
    EXPECT_FALSE(taken.IsOpen());
    EXPECT_EQ(test::ReadBytes(dir / "taken").size(), 4u);

    NewFile file;
    ASSERT_EQ(file.Create(dir / "new"), 0);
    EXPECT_EQ(file.Write("abc", 3), 0);
    EXPECT_EQ(file.Flush(), 0);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Close(), 0) << "closing again is harmless";
    EXPECT_EQ(test::ReadBytes(dir / "new"), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(ReplaceFile(dir / "new", dir / "taken"), 0);
    EXPECT_EQ(test::ReadBytes(dir / "taken").size(), 3u);
    EXPECT_EQ(ReplaceFile(dir / "new", dir / "taken"), ENOENT);
    RemoveFile(dir / "taken");
    EXPECT_TRUE(dir.Names().empty());
}

TEST(RenameNoReplace, TakesOnlyAFreeNameAndLeavesBothFilesWhenItIsTaken) {
    TempDir dir;
    WriteText(dir / "data", "new");
    WriteText(dir / "taken", "someone's");
    EXPECT_EQ(RenameNoReplace(dir / "data", dir / "taken"), EEXIST);
    EXPECT_EQ(test::ReadBytes(dir / "taken").size(), 9u);
    EXPECT_EQ(test::ReadBytes(dir / "data").size(), 3u);

    EXPECT_EQ(RenameNoReplace(dir / "data", dir / "free"), 0);
    EXPECT_EQ(test::ReadBytes(dir / "free").size(), 3u);
    EXPECT_EQ(RenameNoReplace(dir / "data", dir / "other"), ENOENT);
    EXPECT_EQ(dir.Names().size(), 2u) << "the file moved, no second name is left";
}

} // namespace
} // namespace bf
