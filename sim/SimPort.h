#pragma once

#include "core/Clock.h"
#include "serial/Port.h"
#include "sim/ControllerModel.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bf::sim {

// A Port on the virtual clock: port numbers lead to a controller model, to an open error, or to a
// line where nobody answers. Bytes the model sends arrive at their due time on the clock. With line
// timing, what the program writes also takes its wire time: the model hears each byte when it is
// in, and Drain waits until then.
class SimPort final : public Port {
  public:
    explicit SimPort(Clock& clock);

    void AttachController(int portNumber, ControllerModel& model);
    void AttachSilentLine(int portNumber);                      // opens, never answers
    void SetOpenError(int portNumber, std::uint32_t errorCode); // Open throws this code
    void Vanish();                                              // the next call throws, as a pulled adapter
    void SetDevicePath(int portNumber, std::string path);       // what DevicePath reports
    void SetLineTiming(bool on); // writes take 11 bits a byte at the port's rate
    void StallDrains();          // a drain never finishes: it runs out its limit and discards the output

    // Port
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

    // Inspection.
    struct OpenRecord {
        int port;
        std::uint32_t baud;
    };
    std::vector<OpenRecord> opens;        // every successful Open
    std::vector<std::uint8_t> written;    // every byte written, all opens together
    std::vector<std::uint32_t> wireEndMs; // for each written byte: when it was in at the other end
    int drains = 0;                       // Drain calls, and the drains of Close
    int closes = 0;
    bool nonBlockingReads = false;
    bool writeTimeout = false;

  private:
    enum class LineKind { Controller, Silent, OpenError };
    struct Line {
        LineKind kind = LineKind::Silent;
        ControllerModel* model = nullptr;
        std::uint32_t errorCode = 0;
    };
    struct Pending {
        std::uint32_t dueMs;
        std::uint8_t byte;
        std::uint32_t baud;
    };

    void CheckUsable();
    ControllerModel* Model() const;
    void Enqueue(const std::vector<Output>& outputs, std::uint32_t sentMs);
    void Hear(const std::uint8_t* bytes, std::size_t count, std::uint32_t baud, std::uint32_t atMs);
    void Deliver();
    void DrainOutput();
    std::uint32_t NextEventIn(std::uint32_t maxMs) const;

    Clock& m_clock;
    std::map<int, Line> m_lines;
    std::set<int> m_vanished; // port numbers whose device has gone
    std::map<int, std::string> m_devicePaths;
    int m_port = 0; // the open port number, 0 while closed
    std::uint32_t m_baud = 0;
    std::deque<Pending> m_pending; // sent by the controller, not yet due
    std::deque<std::uint8_t> m_input;
    bool m_lineTiming = false;
    bool m_stalledDrains = false;
    std::deque<Pending> m_outgoing;      // written, still on the wire (line timing)
    std::uint32_t m_lineBusySinceMs = 0; // when the line last started to send
    std::size_t m_lineBytes = 0;         // bytes it has sent or queued since
    std::uint32_t m_lineFreeMs = 0;      // when the last byte written is in
    std::size_t m_unsentBytes = 0;       // written since the last drain
};

} // namespace bf::sim
