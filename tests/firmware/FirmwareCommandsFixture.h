#pragma once

#include "firmware/FirmwareCommands.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace bf::test {

// File > Open and File > Save As with the recording host, in a folder of the test's own.
class FirmwareCommandsTest : public ::testing::Test {
  protected:
    using Lines = std::vector<std::string>;

    void Open(const std::string& path) {
        host.fileAnswers.push_back(path);
        OpenFirmware(host, *image, state);
    }
    void SaveAs(const std::string& path) {
        host.fileAnswers.push_back(path);
        SaveFirmwareAs(host, *image);
    }
    // Opens a .hex file holding `lines`, each ended by CR LF.
    void OpenHex(const Lines& lines, const std::string& name = "fw.hex") {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        WriteText(dir / name, text);
        Open(dir / name);
    }
    std::uint8_t At(std::uint32_t address) const { return image->data()[address - 0x100000]; }
    Lines CountLines(int erase, int write) const {
        return {"NUMBER OF BLOCKS TO ERASE: " + std::to_string(erase),
                "NUMBER OF BLOCKS TO WRITE: " + std::to_string(write)};
    }
    Lines Concat(Lines a, const Lines& b) const {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    VirtualClock clock;
    RecordingHost host{clock};
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    ImageState state;
    TempDir dir;
};

} // namespace bf::test
