#pragma once

#include "Port.h"
#include "PortMap.h"

#include <cstdint>

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
    std::uint32_t BytesAvailable() override;

    void SetNonBlockingReads() override;
    void SetWriteTimeout() override;
    void Purge(int queueSelector); // tcflush selector
    void AbortPendingReads() override;
    void DiscardInput() override;
    void WaitForInput(std::uint32_t maxMs) override;

    std::string DevicePath(int port) const override { return m_portMap.DevicePath(port); }

    int Handle() const { return m_portHandle; }

  private:
    void Configure(std::uint32_t baud, SerialParity parity, std::uint8_t dataBits, SerialStopBits stopBits,
                   SerialFlowControl flow);
    void CheckOpen() const;
    void CheckConnected(short events, int timeoutMs);
    bool WaitWritable(int timeoutMs);

    int m_portHandle = -1;
    bool m_unsentWrites = false; // written since the line was last drained
    PortMap m_portMap;
    bool m_nonBlockingReads = false;
    bool m_writeTimeout = false;
};

} // namespace bf
