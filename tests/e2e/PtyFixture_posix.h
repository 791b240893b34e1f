#pragma once

#include "link/Session.h"
#include "serial/CSerialPort.h"
#include "tests/e2e/SimProcess_posix.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace bf::test {

using Bytes = std::vector<std::uint8_t>;

// The real serial port on brenvaldor-sim's terminal (COM1), on the steady clock. The recording
// host's own clock only counts pump steps; the session measures time on the real clock.
struct PtyFixture : ::testing::Test {
    std::unique_ptr<SimProcess> sim;
    CSerialPort port;
    PortMap map;
    SteadyClock clock;
    VirtualClock pumpClock;
    RecordingHost host{pumpClock};
    PortSettings settings;
    Session session{host, clock, port, settings};

    void StartSim(const std::vector<std::string>& args = {}) {
        sim = std::make_unique<SimProcess>(args);
        map.Override(1, sim->Path());
        port.SetPortMap(map);
    }

    // Waits for at least n bytes; the limit is only reached when the test fails anyway.
    std::uint32_t WaitForBytes(CSerialPort& p, std::uint32_t n, int limitMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        std::uint32_t count = p.BytesAvailable();
        while (count < n && std::chrono::steady_clock::now() < end) {
            p.WaitForInput(10, count);
            count = p.BytesAvailable();
        }
        return count;
    }

    void Send(CSerialPort& p, const Bytes& bytes) {
        p.Write(bytes.data(), bytes.size());
        p.Flush();
    }
};

} // namespace bf::test
