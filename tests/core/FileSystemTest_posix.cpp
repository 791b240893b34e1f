// The POSIX side of the file system seam: links, pipes and devices, permissions, other users.
#include "core/FileSystem.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/NonRegularFiles_posix.h"
#include "tests/support/Unprivileged_posix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace bf {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteText;

TEST(FileSystemPosix, TypesNamesAndLinks) {
    TempDir dir;
    WriteText(dir / "file", "x");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "file", dir / "to-file");
    fs::create_symlink(dir / "folder", dir / "to-folder");
    fs::create_symlink(dir / "gone", dir / "dangling");
    const struct {
        std::string path;
        FileType type;
        bool inUse;
        bool link;
    } cases[] = {
        {dir / "file", FileType::Regular, true, false},
        {dir / "folder", FileType::Folder, true, false},
        {dir / "to-file", FileType::Regular, true, true},
        {dir / "to-folder", FileType::Folder, true, true},
        {dir / "dangling", FileType::Missing, true, true},
        {dir / "missing", FileType::Missing, false, false},
        {dir / "file/below", FileType::Missing, false, false},
        {"/dev/null", FileType::Other, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(TypeOf(c.path), c.type);
        EXPECT_EQ(NameInUse(c.path), c.inUse);
        EXPECT_EQ(IsSymbolicLink(c.path), c.link);
    }
    for (const auto& file : test::MakeNonRegularFiles(dir.path(), "special", "")) {
        SCOPED_TRACE(file.path);
        EXPECT_EQ(TypeOf(file.path), FileType::Other);
        EXPECT_TRUE(NameInUse(file.path));
    }
}

TEST(FileSystemPosix, CanonicalPathResolvesLinksAndDotsOrKeepsThePath) {
    TempDir dir;
    const std::string real = fs::canonical(dir.path()).string();
    fs::create_directory(dir / "sub");
    WriteText(dir / "sub/file", "x");
    fs::create_symlink(dir / "sub/file", dir / "link");
    EXPECT_EQ(CanonicalPath(dir / "link"), real + "/sub/file");
    EXPECT_EQ(CanonicalPath(dir / "sub/../sub/./file"), real + "/sub/file");
    EXPECT_EQ(CanonicalPath(dir / "missing"), dir / "missing");
    EXPECT_EQ(CanonicalPath("relative-and-missing"), "relative-and-missing");
}

TEST(FileSystemPosix, AccessOfFilesAndFoldersForAnotherUser) {
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    WriteText(dir / "read-only", "x");
    chmod((dir / "read-only").c_str(), 0444);
    WriteText(dir / "unreadable", "x");
    chmod((dir / "unreadable").c_str(), 0222);
    fs::create_directory(dir / "open");
    chmod((dir / "open").c_str(), 0777);
    // Writable but not searchable: no file can be made in it.
    fs::create_directory(dir / "unsearchable");
    chmod((dir / "unsearchable").c_str(), 0666);
    const struct {
        std::string path;
        Access access;
        int error;
    } cases[] = {
        {dir / "read-only", Access::Read, 0},       {dir / "read-only", Access::Write, EACCES},
        {dir / "unreadable", Access::Read, EACCES}, {dir / "unreadable", Access::Write, 0},
        {dir / "open", Access::Write, 0},           {dir / "unsearchable", Access::Write, EACCES},
        {dir / "missing", Access::Read, ENOENT},    {dir / "missing", Access::Write, ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(test::RunUnprivileged([&] { return CheckAccess(c.path, c.access); }), c.error);
    }
}

TEST(FileSystemPosix, InputFileOpensNoDevicePipeOrSocket) {
    TempDir dir;
    const auto special = test::MakeNonRegularFiles(dir.path(), "special", ".hex");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        const InputFile input(file.path);
        EXPECT_FALSE(input.IsOpen());
        EXPECT_EQ(input.Error(), kNotRegularFile);
    }
    const InputFile device("/dev/null");
    EXPECT_EQ(device.Error(), kNotRegularFile);
}

TEST(FileSystemPosix, AFailedReadGivesNoBytesAndItsReason) {
    InputFile file("/proc/self/mem"); // a regular file whose reading fails
    ASSERT_TRUE(file.IsOpen());
    char bytes[16];
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 0u);
    EXPECT_EQ(file.Error(), EIO);
}

TEST(FileSystemPosix, InputFileKeepsTheFileItOpenedWhenTheNameIsReplaced) {
    TempDir dir;
    WriteText(dir / "f.hex", "first");
    const auto openBefore = std::distance(fs::directory_iterator("/proc/self/fd"), {});
    {
        InputFile file(dir / "f.hex");
        ASSERT_TRUE(file.IsOpen());
        WriteText(dir / "new", "a longer second file");
        fs::rename(dir / "new", dir / "f.hex");
        EXPECT_EQ(file.Size(), 5u);
        char bytes[32] = {};
        EXPECT_EQ(file.Read(bytes, sizeof bytes), 5u);
        EXPECT_EQ(std::string(bytes), "first");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), {}), openBefore) << "left open";
}

TEST(FileSystemPosix, NewFileTakesThePermissionsOfAnother) {
    TempDir dir;
    WriteText(dir / "model", "");
    chmod((dir / "model").c_str(), 0640);
    NewFile file;
    ASSERT_EQ(file.Create(dir / "new"), 0);
    file.TakePermissionsOf(dir / "model");
    file.TakePermissionsOf(dir / "missing"); // nothing to take: left as it is
    struct stat st {};
    ASSERT_EQ(stat((dir / "new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

} // namespace
} // namespace bf
