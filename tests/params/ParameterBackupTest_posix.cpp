// Parameter Backup aimed at a device, a pipe or a socket.
#include "params/ParameterBackup.h"
#include "tests/params/ParamsFixture.h"
#include "tests/support/NonRegularFiles_posix.h"

#include <gmock/gmock.h>

namespace bf::test {
namespace {

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

} // namespace
} // namespace bf::test
