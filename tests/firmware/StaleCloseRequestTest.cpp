#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "params/ParameterErase.h"
#include "tests/support/ControllerFixture.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

#include <functional>
#include <string>

namespace bf::test {
namespace {

// The closing flag can still be set from an earlier command that ended through it. The update, the
// program backup and the parameter erase clear it when they start, so it does not end their first
// wait that obeys it.
class StaleCloseRequestTest : public ControllerFixture {
  protected:
    TempDir dir;
};

TEST_F(StaleCloseRequestTest, IsClearedWhenTheCommandStarts) {
    Put(0x10000, Pattern(32, 1));
    model.faults.silentOn.insert(0xFC); // a backup of silent blocks: quick, and complete all the same
    model.faults.answerDelayMs = 5;     // so that every wait handles events and looks at the flag
    struct Case {
        const char* command;
        std::function<void()> run;
        const char* lineBeforeClosing;
    };
    const Case cases[] = {
        {"update", [&] { UpdateProgram(session, *image, state); }, "CHANGE BAUDRATE TO 9600"},
        {"backup",
         [&] {
             host.fileAnswers.push_back(dir / "backup.bin");
             BackupProgram(session);
         },
         "CHANGE BAUDRATE TO 9600"},
        {"erase", [&] { EraseParameterBlocks(session); }, "PARAMETER BLOCKS ERASED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        host.closeRequested = true;
        c.run();

        EXPECT_THAT(host.boxes, ::testing::IsEmpty());
        const auto& log = host.logSinceClear;
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], c.lineBeforeClosing);
        EXPECT_EQ(log.back(), "SERIAL PORT CLOSED");
    }
}

} // namespace
} // namespace bf::test
