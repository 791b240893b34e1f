// The files of Windows: both separators and drive prefixes, device names that are never files,
// binary contents, UTF-8 names at the wide system calls, and the replace in one step.
#include "core/FileSystem.h"
#include "core/FileUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace bf {
namespace {

using test::TempDirTest;

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadWhole(const std::string& path) {
    std::string content;
    EXPECT_EQ(ReadRegularFile(path, 1 << 20, content), 0) << path;
    return content;
}

TEST(WindowsPathNames, SplitAtEitherSeparatorAndKeepTheDrive) {
    const struct {
        std::string path;
        std::string folder;
        std::string name;
    } cases[] = {
        {"C:\\x\\out.bin", "C:\\x\\", "out.bin"},
        {"C:/x/out.bin", "C:/x/", "out.bin"},
        {"C:\\x/y\\z.hex", "C:\\x/y\\", "z.hex"},
        {"C:out.bin", "C:", "out.bin"},
        {"c:\\out.bin", "c:\\", "out.bin"},
        {"C:", "C:", ""},
        {"x\\y.bin", "x\\", "y.bin"},
        {"\\\\host\\share\\f.txt", "\\\\host\\share\\", "f.txt"},
        {"1:x", "", "1:x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderOf(c.path), c.folder);
        EXPECT_EQ(BaseName(c.path), c.name);
    }
    EXPECT_EQ(PreferredSeparator(), '\\');
}

TEST_F(TempDirTest, TheTemporaryFileOfABackslashPathIsInItsFolder) {
    const std::string folder = Utf8Of(dir.path()) + "\\sub";
    std::filesystem::create_directory(PathOf(folder));
    AtomicFileWriter writer(folder + "\\out.bin");
    ASSERT_TRUE(writer.Open());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(PathOf(folder)), {}), 1)
        << "the temporary file lies beside the target";
    ASSERT_TRUE(writer.Write("ab", 2));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadWhole(folder + "\\out.bin"), "ab");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"sub"});
}

TEST_F(TempDirTest, DeviceNamesAreNeverFiles) {
    const std::string folder = Utf8Of(dir.path()) + "\\";
    for (const std::string name : {"NUL", "nul", "COM1", "com9.txt", "LPT3.log", "CON ", "AUX.hex", "PRN",
                                   "CONOUT$", "\\\\.\\COM12", "//./COM3"}) {
        SCOPED_TRACE(name);
        const std::string path = name.starts_with("\\\\") || name.starts_with("//") ? name : folder + name;
        EXPECT_EQ(TypeOf(path), FileType::Other);
        EXPECT_TRUE(NameInUse(path));
        InputFile input(path);
        EXPECT_FALSE(input.IsOpen());
        EXPECT_EQ(input.Error(), kNotRegularFile);
        EXPECT_EQ(CheckAccess(path, Access::Write), kNotRegularFile);
        EXPECT_EQ(WriteFileAtomically(path, "x", 1), kNotRegularFile);
        NewFile file;
        EXPECT_EQ(file.Create(path), EEXIST);
    }
    // Names that only look like devices are files like any other.
    for (const std::string name : {"COM10", "COM0", "COMX", "NULL.txt", "console", "com1x.bin"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TypeOf(folder + name), FileType::Missing);
        ASSERT_EQ(WriteFileAtomically(folder + name, "x", 1), 0);
        EXPECT_EQ(TypeOf(folder + name), FileType::Regular);
    }
}

TEST_F(TempDirTest, ContentsAreWrittenAndReadByteForByte) {
    // Text mode would write CR LF for LF and end a read at the first Ctrl-Z (1A).
    const std::string bytes("S3\n\r\n\x1A\0\xFF end\n", 13);
    const std::string path = Utf8Of(dir.path()) + "\\data.bin";
    ASSERT_EQ(WriteFileAtomically(path, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(std::filesystem::file_size(PathOf(path)), bytes.size());
    EXPECT_EQ(ReadWhole(path), bytes);
}

TEST_F(TempDirTest, NonAsciiNamesReachTheSystemAsTheyAre) {
    const std::string folder = Utf8Of(dir.path()) + "\\Pr\xC3\xBC"
                                                    "fstand"; // Prüfstand
    const std::string path = folder + "\\\xC3\xBC"
                                      "bung.hex"; // übung.hex
    std::filesystem::create_directory(PathOf(folder));
    ASSERT_EQ(WriteFileAtomically(path, "S0", 2), 0);
    // The names on the disk are the wide forms of the UTF-8 ones.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / L"Pr\u00FCfstand" / L"\u00FCbung.hex"));
    EXPECT_EQ(TypeOf(path), FileType::Regular);
    EXPECT_TRUE(NameInUse(path));
    EXPECT_EQ(CheckAccess(path, Access::Read), 0);
    EXPECT_EQ(ReadWhole(path), "S0");
    EXPECT_EQ(BaseName(CanonicalPath(path)), "\xC3\xBC"
                                             "bung.hex");
    EXPECT_EQ(UpperBaseName(path), "\xC3\x9C"
                                   "BUNG.HEX");
    RemoveFile(path);
    EXPECT_EQ(TypeOf(path), FileType::Missing);
}

TEST_F(TempDirTest, AReplaceTakesThePlaceOfTheOldFileInOneStep) {
    const std::string target = Utf8Of(dir.path()) + "\\out.bin";
    ASSERT_EQ(WriteFileAtomically(target, "old", 3), 0);
    ASSERT_EQ(WriteFileAtomically(target, "new!", 4), 0) << "rename alone does not replace a file";
    EXPECT_EQ(ReadWhole(target), "new!");
    {
        AtomicFileWriter abandoned(target);
        ASSERT_TRUE(abandoned.Open());
        ASSERT_TRUE(abandoned.Write("half", 4));
    }
    EXPECT_EQ(ReadWhole(target), "new!") << "an unfinished write leaves the old file";
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.bin"});
}

TEST_F(TempDirTest, AccessFollowsTheReadOnlyAttribute) {
    const std::string path = Utf8Of(dir.path()) + "\\locked.bin";
    ASSERT_EQ(WriteFileAtomically(path, "x", 1), 0);
    EXPECT_EQ(CheckAccess(path, Access::Write), 0);
    ASSERT_TRUE(SetFileAttributesW(PathOf(path).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CheckAccess(path, Access::Write), EACCES);
    EXPECT_EQ(CheckAccess(path, Access::Read), 0);
    EXPECT_EQ(WriteFileAtomically(path, "y", 1), EACCES) << "the replace would go around the protection";
    EXPECT_EQ(ReadWhole(path), "x");
    SetFileAttributesW(PathOf(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(CheckAccess(Utf8Of(dir.path()), Access::Write), 0);
    EXPECT_EQ(CheckAccess(Utf8Of(dir.path()) + "\\missing", Access::Read), ENOENT);
    EXPECT_EQ(TypeOf(Utf8Of(dir.path())), FileType::Folder);
}

} // namespace
} // namespace bf
