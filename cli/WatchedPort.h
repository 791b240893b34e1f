#pragma once

#include "core/Clock.h"
#include "serial/Port.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bf::cli {

// The serial port of one command, watched for what the command line says about a run beyond the
// operations' own texts: the rate it leaves the controller at, whether the flash was erased, and
// why the port would not open. A command that is stopped in the middle (Ctrl-C) ends through
// CloseAt9600 instead of a bare Close: where the protocol allows it, the controller is sent back
// to 9600 bit/s as a finished command sends it back, so that the next command finds it.
class WatchedPort final : public Port {
  public:
    enum class Recovery {
        NotNeeded, // the port was closed or at 9600, and no rate switch was under way
        Returned,  // F9 went out at the switched rate and the controller confirmed it
        Unknown,   // the controller may be at another rate: a switch was under way, or the line
                   // did not fall quiet (a block was still coming), so no command could be sent
    };

    // Whether the line was quiet long enough for any reply of the controller to have come (the
    // longest reply time-out), and how long an interrupted command waits for that at most.
    static constexpr std::uint32_t kQuietMs = 3000;
    static constexpr std::uint32_t kLimitMs = 6000;

    explicit WatchedPort(Port& port) : m_port(port) {}

    // Closes the port. When the controller was switched to another rate, waits first until the
    // line has been quiet for kQuietMs (what comes meanwhile is dropped: it answers a command
    // that is no longer waiting), at most kLimitMs, and then sends F9 and awaits its confirmation.
    Recovery CloseAt9600(Clock& clock);
    // True once a sector erase went out: from then on the flash holds no whole program until an
    // update ends.
    bool EraseSent() const { return m_eraseSent; }

    // The last failed Open: the port number, the error code and the system's text for it.
    struct OpenFailure {
        int port = 0;
        std::uint32_t code = 0;
        int systemError = 0;
        std::string reason;
    };
    const std::optional<OpenFailure>& LastOpenFailure() const { return m_openFailure; }

    // Port
    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override;
    void Close() override;
    bool IsOpen() const override { return m_port.IsOpen(); }
    std::size_t Read(void* buffer, std::size_t count) override { return m_port.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override;
    void Flush() override { m_port.Flush(); }
    void Drain() override { m_port.Drain(); }
    std::uint32_t BytesAvailable() override { return m_port.BytesAvailable(); }
    void SetNonBlockingReads() override { m_port.SetNonBlockingReads(); }
    void SetWriteTimeout() override { m_port.SetWriteTimeout(); }
    void AbortPendingReads() override { m_port.AbortPendingReads(); }
    void DiscardInput() override { m_port.DiscardInput(); }
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) override {
        m_port.WaitForInput(maxMs, waiting);
    }
    std::string DevicePath(int port) const override { return m_port.DevicePath(port); }
    std::optional<PortHolder> HolderOf(int port) const override { return m_port.HolderOf(port); }

  private:
    bool WaitForQuietLine(Clock& clock);
    bool SwitchedBack(Clock& clock);

    Port& m_port;
    std::uint32_t m_rate = 0;       // the rate the port is open at, 0 while closed
    std::uint8_t m_lastCommand = 0; // the first byte of the last write
    bool m_eraseSent = false;
    std::optional<OpenFailure> m_openFailure;
};

} // namespace bf::cli
