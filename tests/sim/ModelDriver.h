#pragma once

#include "sim/ControllerModel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace bf::sim::test {

using Bytes = std::vector<std::uint8_t>;

// Feeds a model at a given time and flattens what it answers.
struct ModelDriver {
    ControllerModel model;
    std::uint32_t now = 1000;
    std::vector<Output> outputs;

    Bytes Send(const Bytes& bytes) {
        outputs.clear();
        model.Receive(bytes.data(), bytes.size(), now, outputs);
        Bytes all;
        for (const Output& o : outputs)
            all.insert(all.end(), o.bytes.begin(), o.bytes.end());
        return all;
    }
};

// A write frame as the PC builds it: F3, 24-bit address, 32 data bytes, checksum.
inline Bytes WriteFrame(std::uint32_t address, const std::array<std::uint8_t, 32>& data) {
    Bytes frame(37);
    frame[0] = 0xF3;
    frame[1] = static_cast<std::uint8_t>(address >> 16);
    frame[2] = static_cast<std::uint8_t>(address >> 8);
    frame[3] = static_cast<std::uint8_t>(address);
    std::copy(data.begin(), data.end(), frame.begin() + 4);
    unsigned sum = 0;
    for (std::size_t i = 1; i < 36; ++i)
        sum += frame[i];
    frame[36] = static_cast<std::uint8_t>(~sum);
    return frame;
}

inline std::array<std::uint8_t, 32> Filled(std::uint8_t value) {
    std::array<std::uint8_t, 32> data;
    data.fill(value);
    return data;
}

} // namespace bf::sim::test
