#pragma once

#include "serial/PortHolder.h"
#include "serial/SerialTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace bf {

// The serial channel the operations talk through. CSerialPort implements it on the system's port;
// tests plug in a simulated port on the virtual clock. Every failure throws CSerialException.
class Port {
  public:
    virtual ~Port() = default;

    virtual void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                      SerialStopBits stopBits, SerialFlowControl flow) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual void Flush() = 0;
    // Waits until what was written has left the line, for at most the wire time of what can still
    // be queued plus a second (see DrainLimitMs); after that the output is discarded. Only where
    // timing depends on it: a drain costs a scheduler tick on USB adapters.
    virtual void Drain() = 0;
    virtual std::uint32_t BytesAvailable() = 0;

    virtual void SetNonBlockingReads() = 0;
    virtual void SetWriteTimeout() = 0;
    virtual void AbortPendingReads() = 0;
    virtual void DiscardInput() = 0;

    // Blocks for at most maxMs until more than `waiting` bytes are waiting (returns at once if there
    // are). Lets a wait sleep in the kernel instead of spinning, also while part of a reply is in;
    // it never hands bytes to the caller or pumps events.
    virtual void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) = 0;

    // The device a port number leads to, for messages; empty when the port has no such notion.
    virtual std::string DevicePath(int /*port*/) const { return {}; }
    // The program that holds a busy port's device, where the system can tell.
    virtual std::optional<PortHolder> HolderOf(int port) const {
        const std::string device = DevicePath(port);
        return device.empty() ? std::nullopt : FindPortHolder(device);
    }
};

// The standard open sequence: Open(port, baud, none, 8, two, none), non-blocking reads, write time-out.
inline void OpenStandard(Port& port, int portNumber, std::uint32_t baud = 9600) {
    port.Open(portNumber, baud, ParityNone, 8, StopBitsTwo, FlowNone);
    port.SetNonBlockingReads();
    port.SetWriteTimeout();
}

} // namespace bf
