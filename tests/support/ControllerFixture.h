#pragma once

#include "firmware/FirmwareImage.h"
#include "link/Session.h"
#include "sim/ControllerModel.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace bf::test {

// The update, backup and erase commands against the controller model on the virtual clock, with
// the controller on COM1 and a configured rate of 38400.
class ControllerFixture : public ::testing::Test {
  protected:
    using Bytes = std::vector<std::uint8_t>;
    using Override = std::function<std::optional<Bytes>(const Bytes&)>;

    ControllerFixture() {
        port.AttachController(1, model);
        image->ClearImage();
    }

    // Fills the image with `data` at image offset `offset` (repeatable), marks the sectors and
    // counts the blocks as Open does.
    void Put(std::uint32_t offset, const Bytes& data) {
        for (std::size_t i = 0; i < data.size(); ++i) {
            const std::uint32_t address =
                FirmwareImage::kBaseAddress + offset + static_cast<std::uint32_t>(i);
            image->StoreImageByte(address, data[i]);
            image->MarkSector(address);
        }
        Recount();
    }
    void Recount() {
        state.m_nBlocksToErase = image->CountEraseFrames();
        state.m_nBlocksToWrite = image->CountWriteFrames();
        state.loaded = true;
    }
    static Bytes Pattern(std::size_t size, std::uint8_t seed) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i)
            b[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0x7F); // never 0xFF
        return b;
    }

    // Sets the closing flag at the first pump step at which `when` holds, and remembers how many
    // bytes had been written by then.
    void RequestCloseWhen(std::function<bool()> when) {
        host.onPump = [this, when] {
            if (!closeAt && when()) {
                host.closeRequested = true;
                closeAt = port.written.size();
            }
        };
    }
    // Makes the port fail, as a pulled adapter, at the first pump step at which `when` holds.
    void VanishWhen(std::function<bool()> when) {
        host.onPump = [this, when] {
            if (!vanished && when()) {
                port.Vanish();
                vanished = true;
            }
        };
    }

    bool WrittenEndsWith(const Bytes& tail) const {
        const Bytes& w = port.written;
        return w.size() >= tail.size() && std::equal(tail.begin(), tail.end(), w.end() - tail.size());
    }
    std::size_t CountWritten(std::uint8_t byte) const {
        return static_cast<std::size_t>(std::count(port.written.begin(), port.written.end(), byte));
    }
    int MaxPercent() const {
        int most = 0;
        for (const auto& p : host.progress)
            most = std::max(most, p.percent);
        return most;
    }
    bool AnyNegativePercent() const {
        for (const auto& p : host.progress)
            if (p.percent < 0)
                return true;
        return false;
    }

    VirtualClock clock;
    RecordingHost host{clock};
    sim::ControllerModel model;
    sim::SimPort port{clock};
    PortSettings settings{1, 38400, 0};
    Session session{host, clock, port, settings};
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    ImageState state;
    std::optional<std::size_t> closeAt;
    bool vanished = false;
};

} // namespace bf::test
