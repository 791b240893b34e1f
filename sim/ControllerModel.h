#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bf::sim {

// Bytes the controller sends, `delayMs` after the input that caused them.
struct Output {
    std::uint32_t delayMs = 0;
    std::vector<std::uint8_t> bytes;
};

// Fault knobs. Command keys are the connect-mode command byte (0xF1..0xFD) or, for escape pairs,
// the pair's code byte (0x01, 0x20, 0x21, 0x24).
struct Faults {
    bool silent = false;                              // answer nothing at all
    std::set<std::uint8_t> silentOn;                  // no answer to these commands
    std::uint32_t answerDelayMs = 0;                  // every answer comes this late
    std::map<std::uint8_t, std::uint8_t> wrongByteOn; // first reply byte replaced for these commands
    std::map<std::uint8_t, std::size_t> extraBytesOn; // this many extra bytes appended to the reply
    std::uint32_t refuseFrame = 0;                    // 1-based write-frame number to refuse (0 = none)
    std::uint8_t refuseCode = 0x05;                   // 0x04, 0x05 or 0x06
    std::uint32_t refuseTimes = 0;                    // how many times that frame is refused
    std::size_t noiseBytes = 0;                       // noise bytes sent ahead of every answer
    std::uint32_t dropAfterFrames = 0;                // the link drops after this many write frames (0 = never)
    bool stream = false;                              // sends a continuous stream, whatever it receives
    // Test hook: sees every complete command (escape pairs as FF code); a returned value is sent
    // instead of the normal answer and the command is not carried out.
    std::function<std::optional<std::vector<std::uint8_t>>(const std::vector<std::uint8_t>&)> replyOverride;
};

// One model of the lift controller: flash sectors, write-frame checks, checksum report, read-back
// packets, baud switch, restart, escape-pair parameter printout and line reception, clock setting.
// It is passive: the port that serves it feeds it bytes and delivers what it answers.
class ControllerModel {
public:
    static constexpr std::uint32_t kFlashBase = 0x100000;
    static constexpr std::uint32_t kFlashSize = 0x100000;

    ControllerModel();

    // Bytes from the PC arriving at nowMs; what the controller sends back is appended to `out`.
    void Receive(const std::uint8_t* data, std::size_t count, std::uint32_t nowMs, std::vector<Output>& out);
    // Output the controller produces on its own (the continuous stream fault), up to nowMs.
    void Idle(std::uint32_t nowMs, std::vector<Output>& out);

    Faults faults;

    // State and what was received, for inspection.
    std::vector<std::uint8_t> flash;              // 1 MiB, erased bytes 0xFF
    std::uint32_t baudRate = 9600;                // line rate the controller listens at
    std::vector<int> erasedSectors;               // in order of the erase commands
    std::uint32_t writeFrames = 0;                // write frames received
    std::uint32_t acceptedFrames = 0;             // write frames answered 03
    std::uint32_t restarts = 0;                   // F8 commands
    bool printoutOn = true;                       // drive printout state (FF 21 / FF 20)
    std::vector<std::string> receivedTexts;       // texts after FF 23 from the PC, in order
    std::optional<std::int32_t> clockValue;       // from "time=%d\r"
    std::string parameterPrintout;                // what FF 24 sends between FF 23 and FF 04
    bool linkDropped = false;                     // set when dropAfterFrames is reached

    // The sector checksum the controller reports for sectors 4 to 17.
    std::uint16_t SectorChecksum(int sector) const;
};

} // namespace bf::sim
