// File > Backup where a file-size limit stands in for a full disk.
#include "firmware/ProgramBackup.h"
#include "tests/firmware/ProgramBackupFixture.h"
#include "tests/support/FileSizeLimit_posix.h"

#include <gmock/gmock.h>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(ProgramBackupTest, AFileThatCannotBeWrittenWholeIsReportedAndTheOldOneKept) {
    WriteAll(dir + "/backup.bin", "old");
    model.faults.silentOn.insert(0xFC);
    {
        const FileSizeLimit limit(500000);
        Run();
    }

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_THAT(host.boxes[0].text, HasSubstr("File too large"));
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
}

} // namespace
} // namespace bf::test
