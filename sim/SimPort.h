#pragma once

#include "Clock.h"
#include "ControllerModel.h"
#include "Port.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bf::sim {

// A Port on the virtual clock: port numbers lead to a controller model, to an open error, or to a
// line where nobody answers. Bytes the model sends arrive at their due time on the clock.
class SimPort final : public Port {
  public:
    explicit SimPort(Clock& clock);

    void AttachController(int portNumber, ControllerModel& model);
    void AttachSilentLine(int portNumber);                      // opens, never answers
    void SetOpenError(int portNumber, std::uint32_t errorCode); // Open throws this code
    void Vanish();                                              // the next call throws, as a pulled adapter
    void SetDevicePath(int portNumber, std::string path);       // what DevicePath reports

    // Port
    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override;
    void Close() override;
    bool IsOpen() const override;
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    std::uint32_t BytesAvailable() override;
    void SetNonBlockingReads() override;
    void SetWriteTimeout() override;
    void AbortPendingReads() override;
    void DiscardInput() override;
    void WaitForInput(std::uint32_t maxMs) override;
    std::string DevicePath(int port) const override;

    // Inspection.
    struct OpenRecord {
        int port;
        std::uint32_t baud;
    };
    std::vector<OpenRecord> opens;     // every successful Open
    std::vector<std::uint8_t> written; // every byte written, all opens together
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
    ControllerModel* Model();
    void Enqueue(const std::vector<Output>& outputs);
    void Deliver();

    Clock& m_clock;
    std::map<int, Line> m_lines;
    std::set<int> m_vanished; // port numbers whose device has gone
    std::map<int, std::string> m_devicePaths;
    int m_port = 0; // the open port number, 0 while closed
    std::uint32_t m_baud = 0;
    std::deque<Pending> m_pending; // sent by the controller, not yet due
    std::deque<std::uint8_t> m_input;
};

} // namespace bf::sim
