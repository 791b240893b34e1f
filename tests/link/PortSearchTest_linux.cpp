// A busy port named after the program that holds it, as Linux tells it.
#include "link/PortSearch.h"
#include "serial/CSerialException.h"
#include "tests/link/LinkFixture.h"
#include "tests/support/HolderProcess_posix.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace bf::test {
namespace {

TEST_F(PortSearchTest, BusyPortNamesTheProgramThatHoldsIt) {
    const std::string device =
        (std::filesystem::temp_directory_path() / ("portsearch-held-" + std::to_string(getpid()))).string();
    std::ofstream(device).put('x');
    HolderProcess holder(device);
    port.SetOpenError(1, kErrorPortBusy);
    port.SetDevicePath(1, device);
    port.SetOpenError(2, kErrorPortBusy); // no device known: nothing more is said
    AutodetectPort(session);
    const pid_t pid = holder.Pid();
    holder.Stop();
    std::filesystem::remove(device);
    ASSERT_GE(host.log.size(), 4u);
    EXPECT_EQ(host.log[1], "COM1: BUSY") << "the status line stays as it is";
    EXPECT_EQ(host.log[2], "COM1: HELD BY sleep (PID " + std::to_string(pid) + ")");
    EXPECT_EQ(host.log[3], "COM2: BUSY");
}

} // namespace
} // namespace bf::test
