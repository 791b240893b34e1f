#pragma once

#include "link/Session.h"
#include "sim/ControllerModel.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace bf::test {

// The parameter commands against the controller model on the virtual clock: the controller on
// COM1, AUTO off, a configured rate of 38400, and a fresh folder for the parameter files.
class ParamsFixture : public ::testing::Test {
  protected:
    using Bytes = std::vector<std::uint8_t>;

    ParamsFixture() { port.AttachController(1, model); }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    static void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::optional<std::string> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The controller answers FF 24 with exactly these bytes (instead of its own printout).
    void AnswerReadWith(const Bytes& reply) {
        model.faults.replyOverride = [reply](const Bytes& command) -> std::optional<Bytes> {
            if (command == Bytes{0xFF, 0x24})
                return reply;
            return std::nullopt;
        };
    }
    // Makes the port fail, as a pulled adapter, at the first pump step at which `when` holds.
    template <typename F> void VanishWhen(F when) {
        host.onPump = [this, when] {
            if (!vanished && when()) {
                port.Vanish();
                vanished = true;
            }
        };
    }
    bool Logged(const std::string& line) const {
        return std::find(host.log.begin(), host.log.end(), line) != host.log.end();
    }
    std::vector<int> Percents() const {
        std::vector<int> p;
        for (const auto& call : host.progress)
            if (call.reset == 0)
                p.push_back(call.percent);
        return p;
    }

    VirtualClock clock;
    RecordingHost host{clock};
    sim::ControllerModel model;
    sim::SimPort port{clock};
    PortSettings settings{1, 38400, 0};
    Session session{host, clock, port, settings};
    TempDir temp;
    std::filesystem::path dir = temp.path();
    bool vanished = false;
};

} // namespace bf::test
