#pragma once

#include "link/Link.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace bf::test {

using Bytes = std::vector<std::uint8_t>;

// A session on the virtual clock with the controller model on COM1.
struct LinkFixture : ::testing::Test {
    VirtualClock clock;
    RecordingHost host{clock};
    sim::SimPort port{clock};
    PortSettings settings;
    Session session{host, clock, port, settings};
    sim::ControllerModel model;

    LinkFixture() { port.AttachController(1, model); }

    // The controller answers the command starting with `first` with `reply` instead.
    void Answer(std::uint8_t first, Bytes reply) {
        model.faults.replyOverride = [first, reply](const Bytes& command) -> std::optional<Bytes> {
            if (command.back() == first || command.front() == first)
                return reply;
            return std::nullopt;
        };
    }
    Bytes Remaining() {
        Bytes bytes(port.BytesAvailable());
        bytes.resize(port.Read(bytes.data(), bytes.size()));
        return bytes;
    }
};

// The port search with the controller model on COM1 and silent lines on COM2 to COM28.
struct PortSearchTest : LinkFixture {
    PortSearchTest() {
        for (int n = 2; n <= 28; ++n)
            port.AttachSilentLine(n);
    }
};

} // namespace bf::test
