// Parameter Backup aimed at a device, a pipe or a socket, or at a disk that is full.
#include "params/ParameterBackup.h"
#include "tests/params/ParamsFixture.h"
#include "tests/support/FileSizeLimit_posix.h"
#include "tests/support/NonRegularFiles_posix.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <iterator>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ParameterBackupTest = ParamsFixture;

TEST_F(ParameterBackupTest, DeviceOrPipeIsRefusedWithABoxBeforeTheController) {
    const auto special = MakeNonRegularFiles(dir, "params", ".txt");
    ASSERT_GE(special.size(), 3u);
    for (const auto& file : special) {
        SCOPED_TRACE(file.path);
        host.boxes.clear();
        host.fileAnswers.push_back(file.path);
        ParameterBackup(session);

        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, "Cannot write the file \"" + file.path +
                                          "\":\nNot a regular file (a device, a pipe or a socket)");
        EXPECT_EQ(host.boxes[0].caption, "");
        EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
        EXPECT_TRUE(file.Unchanged());
    }
    EXPECT_TRUE(port.opens.empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(ParameterBackupTest, PrintoutThatCannotBeStoredIsLoggedAndTheOldFileKept) {
    // The disk takes no more than 100 bytes: the whole printout came, but cannot be stored.
    model.parameterPrintout = std::string(300, 'p') + "\r\n";
    WriteFile(PathOf("p.txt"), "old");
    host.fileAnswers.push_back(PathOf("p.txt"));
    CommandResult r;
    {
        const FileSizeLimit limit(100);
        r = ParameterBackup(session);
    }

    EXPECT_EQ(r.end, CommandResult::End::FileFailed);
    EXPECT_THAT(host.logSinceClear,
                ElementsAre("OPEN SERIAL PORT COM1:38400", "READ SETUP PARAMETERS", "NUMBER OF PARAMETERS 1",
                            "PARAMETER FILE NOT WRITTEN - FILE TOO LARGE", "SERIAL PORT CLOSED"));
    EXPECT_TRUE(model.printoutOn);
    EXPECT_EQ(ReadFile(PathOf("p.txt")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1); // no temporary left
}

} // namespace
} // namespace bf::test
