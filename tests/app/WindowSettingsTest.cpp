// Check marks and the port pane follow the settings file; closing writes it.
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QLabel>

namespace bf::test {
namespace {

using namespace cmd_id;

const int kPortItems[] = {PortAuto, PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6};
const int kBaudItems[] = {Baud9600, Baud19200, Baud38400, Baud57600};

struct StartCase {
    const char* file; // nullptr: no file at all
    int portItem;     // the one checked Port item, or 0 for none
    int baudItem;
    const char* pane;
};

class StartFromFile : public WindowTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartFromFile, MarksAndPaneMatchTheFile) {
    const StartCase& c = GetParam();
    if (c.file)
        WriteSettings(c.file);
    Window();
    for (int id : kPortItems)
        EXPECT_EQ(Checked(id), id == c.portItem) << id;
    for (int id : kBaudItems)
        EXPECT_EQ(Checked(id), id == c.baudItem) << id;
    EXPECT_TRUE(Checked(PriorityNormal));
    EXPECT_EQ(Control<QLabel>(PanePort)->text(), c.pane);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartFromFile,
    ::testing::Values(
        StartCase{nullptr, PortAuto, Baud38400, "AUTO:38400"},
        StartCase{"[Setup]\nSerialPort=3\nSerialBaudRate=19200\n", PortCom3, Baud19200, "COM3:19200"},
        StartCase{"[Setup]\nSerialPort=9\nSerialBaudRate=9600\n", PortAuto, Baud9600, "AUTO:9600"},
        StartCase{"[Setup]\nSerialPort=-1\n", PortAuto, Baud38400, "AUTO:38400"},
        StartCase{"[Setup]\nSerialPort=6\nSerialBaudRate=38400\n", PortCom6, Baud38400, "COM6:38400"},
        StartCase{"[Setup]\nSerialPort=1\nSerialBaudRate=115200\n", PortCom1, Baud38400, "COM1:38400"},
        StartCase{"[Setup]\nSerialPort=2\nSerialPortAuto=1\nSerialBaudRate=57600\n", PortCom2, Baud57600,
                  "COM2:57600"},
        StartCase{"[Other]\nSerialPort=4\n", PortAuto, Baud38400, "AUTO:38400"}));

TEST_F(WindowTest, PortFoundByTheSearchIsMarkedButNotRemembered) {
    auto& w = Window();
    m_operations.during = [](Host&, Session* s) { s->settings.m_nPort = 4; };
    Command(FileUpdate)->trigger();
    // The search does not refresh the display; the next baud choice does.
    EXPECT_TRUE(Checked(PortAuto));
    Command(Baud57600)->trigger();
    EXPECT_TRUE(Checked(PortCom4));
    EXPECT_FALSE(Checked(PortAuto));
    EXPECT_TRUE(Checked(Baud57600));
    EXPECT_EQ(Control<QLabel>(PanePort)->text(), "AUTO:57600");
    w.close();
    EXPECT_EQ(ReadSettings(), "[Setup]\nSerialPort=0\nSerialPortAuto=1\nSerialBaudRate=57600\n");
}

TEST_F(WindowTest, PortSearchBeyondCom6MarksNoPort) {
    m_operations.during = [](Host&, Session* s) { s->settings.m_nPort = 12; };
    Command(FileBackup)->trigger();
    Command(Baud9600)->trigger();
    for (int id : kPortItems)
        EXPECT_FALSE(Checked(id)) << id;
}

TEST_F(WindowTest, BaudChoiceKeepsThePortChoice) {
    Window();
    Command(PortCom5)->trigger();
    Command(Baud19200)->trigger();
    EXPECT_TRUE(Checked(PortCom5));
    EXPECT_EQ(Control<QLabel>(PanePort)->text(), "COM5:19200");
    Command(PortAuto)->trigger();
    Command(Baud9600)->trigger();
    EXPECT_TRUE(Checked(PortAuto));
    EXPECT_EQ(Control<QLabel>(PanePort)->text(), "AUTO:9600");
    // A triggered item that is already marked stays marked.
    Command(Baud9600)->trigger();
    EXPECT_TRUE(Checked(Baud9600));
}

TEST_F(WindowTest, ClosingKeepsOtherSectionsAndThePortMap) {
    WriteSettings(
        "; site notes\n[Ports]\nCOM1=/tmp/sim-link\n\n[Setup]\nSerialPort=3\nSerialPortAuto=0\nExtra=yes\n"
        "SerialBaudRate=19200\n");
    auto& w = Window();
    Command(PortCom1)->trigger();
    w.close();
    EXPECT_EQ(ReadSettings(),
              "; site notes\n[Ports]\nCOM1=/tmp/sim-link\n\n[Setup]\nSerialPort=1\nSerialPortAuto=0\n"
              "Extra=yes\nSerialBaudRate=19200\n");
}

TEST_F(WindowTest, PortsSectionReachesTheSerialPort) {
    WriteSettings("[Ports]\nCOM1=/tmp/sim-link\ncom27=/dev/rfcomm9\nCOM40=/dev/none\n");
    const Port& port = Window().SerialPort();
    EXPECT_EQ(port.DevicePath(1), "/tmp/sim-link");
    EXPECT_EQ(port.DevicePath(27), "/dev/rfcomm9");
    EXPECT_EQ(port.DevicePath(2), "/dev/ttyS1");
}

} // namespace
} // namespace bf::test
