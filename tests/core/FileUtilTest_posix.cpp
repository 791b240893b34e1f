// The file helpers where they rest on POSIX: modes, pipes and devices, file-size limits, other users.
#include "core/FileSystem.h"
#include "core/FileUtil.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/FileSizeLimit_posix.h"
#include "tests/support/NonRegularFiles_posix.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged_posix.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace bf {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteText;

using AtomicFileWriterTest = test::TempDirTest;

TEST_F(AtomicFileWriterTest, CreatesAndReplacesWithoutLeavingTemporaryFiles) {
    const std::string path = dir / "a.bin";
    const mode_t mask = umask(022);
    ASSERT_EQ(WriteFileAtomically(path, "first", 5), 0);
    umask(mask);
    struct stat created {};
    stat(path.c_str(), &created);
    EXPECT_EQ(created.st_mode & 07777, 0644u); // a new file gets the usual mode
    chmod(path.c_str(), 0751);
    ASSERT_EQ(WriteFileAtomically(path, "second!", 7), 0);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'s', 'e', 'c', 'o', 'n', 'd', '!'}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.bin"}));
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0751u); // the replaced file's mode is kept
}

TEST_F(AtomicFileWriterTest, ReadOnlyTargetIsRefused) {
    const std::string path = dir / "ro.bin";
    WriteText(path, "keep");
    chmod(path.c_str(), 0444);
    chmod(dir.path().c_str(), 0777); // the folder would let the rename through
    EXPECT_EQ(test::RunUnprivileged([&] { return WriteFileAtomically(path, "x", 1); }), EACCES);
    EXPECT_EQ(ReadBytes(path).size(), 4u);
    EXPECT_EQ(dir.Names().size(), 1u);
}

TEST_F(AtomicFileWriterTest, OnlyRegularFilesAreReplaced) {
    const auto special = test::MakeNonRegularFiles(dir.path(), "target", ".bin");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        AtomicFileWriter writer(file.path);
        EXPECT_FALSE(writer.Open()) << "refused before any data is gathered";
        EXPECT_EQ(writer.Error(), kNotRegularFile);
        EXPECT_TRUE(file.Unchanged());
    }
    EXPECT_EQ(dir.Names().size(), special.size());
}

TEST_F(AtomicFileWriterTest, TargetReplacedByAPipeMeanwhileIsKept) {
    const std::string path = dir / "a.bin";
    WriteText(path, "old");
    AtomicFileWriter writer(path);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write("new", 3));
    RemoveFile(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.Error(), kNotRegularFile);
    EXPECT_TRUE(std::filesystem::is_fifo(path));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.bin"}));

    // Where the name was free at the start, the pipe is a newcomer like any other file.
    const std::string fresh = dir / "b.bin";
    AtomicFileWriter newcomer(fresh);
    ASSERT_TRUE(newcomer.Open() && newcomer.Write("new", 3));
    ASSERT_EQ(mkfifo(fresh.c_str(), 0666), 0);
    EXPECT_FALSE(newcomer.Commit());
    EXPECT_EQ(newcomer.Error(), kNameTakenMeanwhile);
    EXPECT_TRUE(std::filesystem::is_fifo(fresh));
    EXPECT_EQ(ReadBytes(newcomer.KeptPath()).size(), 3u);
}

TEST_F(AtomicFileWriterTest, ReadingTakesRegularFilesUpToTheLimit) {
    WriteText(dir / "empty", "");
    WriteText(dir / "one", "1");
    WriteText(dir / "limit", std::string(100, 'l'));
    WriteText(dir / "over", std::string(101, 'o'));
    std::filesystem::create_directory(dir / "folder");
    const struct {
        std::string path;
        int error;
        std::string content;
    } cases[] = {
        {dir / "empty", 0, ""},      {dir / "one", 0, "1"},         {dir / "limit", 0, std::string(100, 'l')},
        {dir / "over", EFBIG, ""},   {dir / "missing", ENOENT, ""}, {dir / "folder", EISDIR, ""},
        {"/proc/self/mem", EIO, ""}, // a regular file whose reading fails
    };
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto openBefore = openFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string content = "stale";
        EXPECT_EQ(ReadRegularFile(c.path, 100, content), c.error);
        EXPECT_EQ(content, c.content);
    }
    EXPECT_EQ(openFiles(), openBefore) << "a file was left open";
    // Never opened: a pipe could block, a device (a serial port, say) could act on being opened.
    const auto special = test::MakeNonRegularFiles(dir.path(), "special", "");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        std::string content = "stale";
        EXPECT_EQ(ReadRegularFile(file.path, 100, content), kNotRegularFile);
        EXPECT_TRUE(content.empty());
    }
}

TEST_F(AtomicFileWriterTest, FailedWriteLeavesTheOldFile) {
    const std::string path = dir / "a.bin";
    WriteText(path, "old");
    // A file-size limit makes the write fail half-way, as a full disk would.
    const std::vector<char> big(100000, 'n');
    const int error = [&] {
        const test::FileSizeLimit limit(4096);
        return WriteFileAtomically(path, big.data(), big.size());
    }();
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.bin"}));
}

TEST_F(AtomicFileWriterTest, LongNamesAndSymbolicLinks) {
    const std::string longName = std::string(250, 'n') + ".bin";
    EXPECT_EQ(WriteFileAtomically(dir / longName, "x", 1), 0);
    EXPECT_EQ(ReadBytes(dir / longName).size(), 1u);

    WriteText(dir / "real.bin", "old");
    std::filesystem::create_symlink(dir / "real.bin", dir / "link.bin");
    EXPECT_EQ(WriteFileAtomically(dir / "link.bin", "new", 3), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bin"));
    EXPECT_EQ(ReadBytes(dir / "real.bin"), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

TEST_F(AtomicFileWriterTest, TemporaryFileIsNamedAfterTheTargetAndTheProcess) {
    AtomicFileWriter writer(dir / "a.bin");
    ASSERT_TRUE(writer.Open());
    const std::vector<std::string> names = dir.Names();
    ASSERT_EQ(names.size(), 1u);
    const std::string prefix = ".a.bin." + std::to_string(getpid()) + ".";
    EXPECT_EQ(names[0].rfind(prefix, 0), 0u) << names[0];
    EXPECT_TRUE(names[0].ends_with(".tmp")) << names[0];
}

TEST_F(AtomicFileWriterTest, ANewNameThatCannotBeTakenFailsWithItsReason) {
    AtomicFileWriter writer(dir / "new.bin");
    ASSERT_TRUE(writer.Open() && writer.Write("n", 1));
    ASSERT_EQ(dir.Names().size(), 1u);
    // POSIX removes a file that is still open: the temporary file is gone before the commit.
    RemoveFile(dir / dir.Names()[0]);
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.Error(), ENOENT);
    EXPECT_TRUE(writer.KeptPath().empty());
    EXPECT_TRUE(dir.Names().empty());
}

} // namespace
} // namespace bf
