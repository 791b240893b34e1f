#pragma once

#include "serial/Port.h"
#include "serial/PortMap.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <termios.h>
#include <vector>

namespace bf {

// The serial port on a POSIX termios device: a thin, synchronous wrapper in which every failed
// system call throws CSerialException. Port numbers become device paths through the port map.
class CSerialPort final : public Port {
  public:
    CSerialPort() = default;
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetPortMap(const PortMap& map) { m_portMap = map; }
    const PortMap& GetPortMap() const { return m_portMap; }

    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override;
    void Close() override;
    bool IsOpen() const override { return m_portHandle >= 0; }

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    void Drain() override;
    std::uint32_t BytesAvailable() override;

    void SetNonBlockingReads() override;
    void SetWriteTimeout() override;
    void Purge(int queueSelector); // tcflush selector
    void AbortPendingReads() override;
    void DiscardInput() override;
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) override;

    std::string DevicePath(int port) const override { return m_portMap.DevicePath(port); }

    int Handle() const { return m_portHandle; }

  private:
    void SaveLine();
    void RestoreLine();
    void Configure(std::uint32_t baud, SerialParity parity, std::uint8_t dataBits, SerialStopBits stopBits,
                   SerialFlowControl flow);
    void CheckOpen() const;
    void CheckConnected(short events, int timeoutMs);
    bool WaitWritable(int timeoutMs);
    int KernelDrain();
    void TakeQueuedInput();

    int m_portHandle = -1;
    PortMap m_portMap;
    bool m_nonBlockingReads = false;
    bool m_writeTimeout = false;
    std::uint32_t m_baud = 0;
    std::optional<termios> m_foundSettings;           // the line as Open found it, restored by Close
    std::optional<int> m_foundSerialFlags;            // the driver flags, when Open changed them
    std::size_t m_unsentBytes = 0;                    // written since the line was last drained
    std::chrono::steady_clock::time_point m_lineFree; // when the last byte written is off the wire
    std::vector<std::uint8_t> m_input;                // taken from the kernel's queue while a wait slept
};

} // namespace bf
