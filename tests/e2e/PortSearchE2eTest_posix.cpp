#include "link/PortSearch.h"
#include "serial/CSerialException.h"
#include "tests/e2e/PtyFixture_posix.h"

#include <string>

namespace bf::test {
namespace {

using Lines = std::vector<std::string>;

// COM1 missing, COM2 held by another program, COM3 the controller.
struct PortSearchOnPty : PtyFixture {
    std::unique_ptr<SimProcess> other;
    CSerialPort holder;

    PortSearchOnPty() {
        sim = std::make_unique<SimProcess>();
        other = std::make_unique<SimProcess>();
        map.Override(1, "/dev/does-not-exist-brenvaldor");
        map.Override(2, other->Path());
        map.Override(3, sim->Path());
        port.SetPortMap(map);
        holder.SetPortMap(map);
        OpenStandard(holder, 2);
    }
};

TEST_F(PortSearchOnPty, ExampleLogOfTheSearch) {
    AutodetectPort(session);
    EXPECT_EQ(host.log, (Lines{"AUTODETECT SERIAL PORT", "COM1: NOT INSTALLED", "COM2: BUSY",
                               "COM3: BRENVALDOR FOUND"}));
    EXPECT_EQ(settings.m_nPort, 3);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortSearchOnPty, EscapeProbeFindsTheController) {
    AutodetectPortParam(session);
    EXPECT_EQ(host.log.back(), "COM3: BRENVALDOR FOUND");
    EXPECT_EQ(settings.m_nPort, 3);
}

TEST_F(PortSearchOnPty, ResetOverTheTerminal) {
    settings.m_bAutoPort = 0;
    settings.m_nPort = 3;
    settings.m_nBaudRate = 19200;
    ResetController(session);
    EXPECT_EQ(host.logSinceClear,
              (Lines{"OPEN SERIAL PORT COM3:19200", "BRENVALDOR RESTARTED", "SERIAL PORT CLOSED"}));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortSearchOnPty, ResetOnABusyPort) {
    settings.m_bAutoPort = 0;
    settings.m_nPort = 2;
    settings.m_nBaudRate = 38400;
    ResetController(session);
    EXPECT_EQ(host.logSinceClear, (Lines{"OPEN SERIAL PORT COM2:38400", "NO ANSWER FROM BRENVALDOR"}));
}

TEST(SimProgram, HelpNamesEveryKnob) {
    std::string command = std::string(BF_SIM_PROGRAM) + " --help";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    for (const char* knob : {"--link", "--pace", "--silent", "--silent-on", "--delay", "--wrong-byte",
                             "--extra-bytes", "--refuse-frame", "--refuse-code", "--refuse-times", "--noise",
                             "--drop-after", "--stream", "--printout", "--no-rate-check"})
        EXPECT_NE(text.find(knob), std::string::npos) << knob;
}

} // namespace
} // namespace bf::test
