#include "core/FileUtil.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace bf {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteText;

TEST(FileNames, ExpectedExtensionIsAppendedUnlessPresentInAnyCase) {
    EXPECT_EQ(WithExpectedExtension("/d/out", "bin"), "/d/out.bin");
    EXPECT_EQ(WithExpectedExtension("/d/out.hex", "bin"), "/d/out.hex.bin");
    EXPECT_EQ(WithExpectedExtension("/d/out.bin", "bin"), "/d/out.bin");
    EXPECT_EQ(WithExpectedExtension("/d/OUT.BIN", "bin"), "/d/OUT.BIN");
    EXPECT_EQ(WithExpectedExtension("/d/out.Bin", "bin"), "/d/out.Bin");
    EXPECT_EQ(WithExpectedExtension("/d/out.binary", "bin"), "/d/out.binary.bin");
    EXPECT_EQ(WithExpectedExtension("/d/out.", "txt"), "/d/out..txt");
    // A dot in a folder's name is no extension of the file.
    EXPECT_EQ(WithExpectedExtension("/d.bin/out", "bin"), "/d.bin/out.bin");
    EXPECT_EQ(WithExpectedExtension("params.TXT", "txt"), "params.TXT");
}

TEST(FileNames, ExtensionAndUpperCaseName) {
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.tar.GZ"), "GZ");
    EXPECT_TRUE(HasExtension("x.HeX", "hex"));
    EXPECT_FALSE(HasExtension("hex", "hex"));
    EXPECT_EQ(UpperBaseName("/tmp/fw/lift_v1.2.hex"), "LIFT_V1.2.HEX");
    EXPECT_EQ(UpperBaseName("plain.bin"), "PLAIN.BIN");
    EXPECT_EQ(UpperBaseName("/tmp/m\xC3\xBCller.hex"), "M\xC3\x9CLLER.HEX");  // müller -> MÜLLER
    EXPECT_EQ(UpperBaseName("/tmp/\xC3\xBC/m\xFCller.hex"), "m\xFCller.hex"); // not UTF-8: as it is
}

TEST(FileErrors, TextsNameThePathAndTheSystemReason) {
    EXPECT_EQ(SystemReason(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemReason(kNotRegularFile), "Not a regular file (a device, a pipe or a socket)");
    EXPECT_EQ(SystemReason(kFileChangedWhileRead), "The file changed while it was read");
    EXPECT_EQ(SystemReason(kNameTakenMeanwhile), "Another file took this name while the data was gathered");
    EXPECT_EQ(FileWriteErrorText("/x/y.bin", EACCES),
              "Cannot write the file \"/x/y.bin\":\nPermission denied");
    EXPECT_EQ(FileReadErrorText("/x/y.hex", EIO), "Cannot read the file \"/x/y.hex\":\nInput/output error");
}

using AtomicFileWriterTest = test::TempDirTest;

TEST_F(AtomicFileWriterTest, UncreatableTargetsFailWithTheirReason) {
    EXPECT_EQ(WriteFileAtomically(dir / "missing/a.bin", "x", 1), ENOENT);
    WriteText(dir / "plain", "");
    EXPECT_EQ(WriteFileAtomically(dir / "plain/a.bin", "x", 1), ENOTDIR);
    std::filesystem::create_directory(dir / "folder.bin");
    AtomicFileWriter folder(dir / "folder.bin");
    EXPECT_FALSE(folder.Open()) << "refused before any data is gathered";
    EXPECT_EQ(folder.Error(), EISDIR);
    EXPECT_EQ(dir.Names().size(), 2u);
}

TEST_F(AtomicFileWriterTest, EveryCallAfterAFailureFailsWithTheFirstError) {
    AtomicFileWriter early(dir / "a.bin");
    EXPECT_FALSE(early.Write("x", 1)) << "nothing is open to write to";
    EXPECT_EQ(early.Error(), EBADF);
    EXPECT_FALSE(early.Open());
    EXPECT_FALSE(early.Commit());
    EXPECT_EQ(early.Error(), EBADF);
    EXPECT_TRUE(dir.Names().empty());

    AtomicFileWriter twice(dir / "b.bin");
    ASSERT_TRUE(twice.Open());
    EXPECT_TRUE(twice.Open()) << "a second Open keeps the one temporary file";
    EXPECT_EQ(dir.Names().size(), 1u);
    ASSERT_TRUE(twice.Write("b", 1) && twice.Commit());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"b.bin"}));
}

TEST_F(AtomicFileWriterTest, AbandonedWriteLeavesTheOldFile) {
    const std::string path = dir / "a.bin";
    WriteText(path, "old");
    {
        AtomicFileWriter writer(path);
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("new data", 8));
        EXPECT_EQ(dir.Names().size(), 2u);
    }
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.bin"}));
}

// The name was free when the writer opened: a file that takes it meanwhile is someone else's, and
// the data is kept where it was written rather than lost.
TEST_F(AtomicFileWriterTest, AFileThatTookTheNameMeanwhileIsNeverReplaced) {
    const std::string path = dir / "race.bin";
    AtomicFileWriter writer(path);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write("backup", 6));
    WriteText(path, "theirs");
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.Error(), kNameTakenMeanwhile);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'t', 'h', 'e', 'i', 'r', 's'}));
    const std::string kept = writer.KeptPath();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(writer.ErrorText(), "Cannot write the file \"" + path +
                                      "\":\nAnother file took this name while the data was gathered\n"
                                      "The data is kept in \"" +
                                      kept + "\"");
    EXPECT_FALSE(writer.Commit()) << "a failed commit stays failed";
    EXPECT_EQ(ReadBytes(kept), (std::vector<std::uint8_t>{'b', 'a', 'c', 'k', 'u', 'p'}));
    EXPECT_EQ(dir.Names().size(), 2u);
}

TEST_F(AtomicFileWriterTest, WhatWasThereOrAnythingWhenAskedIsReplaced) {
    const std::string present = dir / "present.bin";
    WriteText(present, "old");
    AtomicFileWriter writer(present);
    ASSERT_TRUE(writer.Open() && writer.Write("new", 3));
    RemoveFile(present);
    WriteText(present, "again");
    ASSERT_TRUE(writer.Commit()) << "the file there at the start may be replaced, even rewritten";
    EXPECT_EQ(ReadBytes(present), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_TRUE(writer.KeptPath().empty());

    const std::string fresh = dir / "fresh.ini";
    AtomicFileWriter any(fresh, Overwrite::Anything);
    ASSERT_TRUE(any.Open() && any.Write("mine", 4));
    WriteText(fresh, "theirs");
    ASSERT_TRUE(any.Commit());
    EXPECT_EQ(ReadBytes(fresh), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));

    AtomicFileWriter newName(dir / "new.bin");
    ASSERT_TRUE(newName.Open() && newName.Write("n", 1) && newName.Commit());
    EXPECT_EQ(dir.Names().size(), 3u);
}

} // namespace
} // namespace bf
