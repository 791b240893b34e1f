// The Windows window end to end: File > Open of the demo firmware, then File > Update through the
// system's serial port against brenvaldor-sim on COM<BF_TEST_COM> (scripts/wine-run --sim). The
// controller's checksum of every sector the image touches matches the image ("CHECKSUM OK").
#include "core/Clock.h"
#include "serial/CSerialPort.h"
#include "tests/winapp/WindowFixture_win.h"
#include "tool/CommandIds.h"
#include "tool/ModuleOperations.h"

#include <cstdlib>

namespace bf::test {
namespace {

using namespace cmd_id;

// The system's port, opened as the COM port the simulator was given whatever number the window
// asks for: the menu offers COM1 to COM6 only.
class SimulatorComPort final : public Port {
  public:
    explicit SimulatorComPort(int com) : m_com(com) {}
    void Open(int, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits, SerialStopBits stopBits,
              SerialFlowControl flow) override {
        m_port.Open(m_com, baud, parity, dataBits, stopBits, flow);
    }
    void Close() override { m_port.Close(); }
    bool IsOpen() const override { return m_port.IsOpen(); }
    std::size_t Read(void* buffer, std::size_t count) override { return m_port.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override { return m_port.Write(buffer, count); }
    void Flush() override { m_port.Flush(); }
    void Drain() override { m_port.Drain(); }
    std::uint32_t BytesAvailable() override { return m_port.BytesAvailable(); }
    void SetNonBlockingReads() override { m_port.SetNonBlockingReads(); }
    void SetWriteTimeout() override { m_port.SetWriteTimeout(); }
    void AbortPendingReads() override { m_port.AbortPendingReads(); }
    void DiscardInput() override { m_port.DiscardInput(); }
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting) override {
        m_port.WaitForInput(maxMs, waiting);
    }

  private:
    int m_com;
    CSerialPort m_port;
};

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

TEST(WindowUpdateTest, UpdateThroughTheWindowLeavesTheFileInTheControllersFlash) {
    const char* com = std::getenv("BF_TEST_COM");
    ASSERT_NE(com, nullptr) << "run through scripts/wine-run --sim";
    TempDir dir;
    std::ofstream(dir / "BrenvaldorFlash.ini", std::ios::binary)
        << "[Setup]\r\nSerialPort=1\r\nSerialBaudRate=57600\r\n";
    RecordingPrompter prompter;
    ModuleOperations operations;
    SteadyClock clock;
    win::CFlashToolDlg window(prompter, operations, clock, dir / "BrenvaldorFlash.ini",
                              std::make_unique<SimulatorComPort>(std::atoi(com)));
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));

    prompter.fileAnswers.push_back(Wide(BF_DEMO_FIRMWARE));
    SendMessageW(window.Handle(), WM_COMMAND, FileOpen, 0);
    SendMessageW(window.Handle(), WM_COMMAND, FileUpdate, 0);
    const std::string log = window.LogText();
    EXPECT_EQ(log.rfind("OPEN SERIAL PORT COM1:57600\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("ERASE FLASH MEMORY\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("VERIFY CHECKSUM\r\nCHECKSUM OK\r\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("SERIAL PORT CLOSED\r\n")) << log;
    EXPECT_TRUE(prompter.boxes.empty());
    // The pane shows what the log holds.
    wchar_t pane[4096] = {};
    GetDlgItemTextW(window.Handle(), Log, pane, 4096);
    EXPECT_EQ(std::wstring(pane), Wide(log));

    EXPECT_TRUE(SendMessageW(window.ToolBar(), TB_ISBUTTONENABLED, ToolbarUpdate, 0));
}

} // namespace
} // namespace bf::test
