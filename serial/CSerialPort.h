#pragma once

#include "serial/Port.h"
#include "serial/PortMap.h"

#include <cstdint>
#include <memory>

namespace bf {

// The system's serial port: a thin, synchronous wrapper in which every failed system call throws
// CSerialException. On POSIX systems port numbers become device paths through the port map; on
// Windows port n is the system's own COMn. The line state of each system lives in its own file.
class CSerialPort final : public Port {
  public:
    CSerialPort();
    explicit CSerialPort(const PortMap& map);
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetPortMap(const PortMap& map) { m_portMap = map; }
    const PortMap& GetPortMap() const { return m_portMap; }

    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override;
    void Close() override;
    bool IsOpen() const override;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    void Drain() override;
    std::uint32_t BytesAvailable() override;

    void SetNonBlockingReads() override;
    void SetWriteTimeout() override;
    void AbortPendingReads() override;
    void DiscardInput() override;
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) override;

    std::string DevicePath(int port) const override;

    // The system's handle of the open port (a file descriptor or a HANDLE), -1 while closed.
    std::intptr_t Handle() const;

  private:
    struct Line; // the system's handle and what it needs beside it

    PortMap m_portMap;
    std::unique_ptr<Line> m_line;
};

} // namespace bf
