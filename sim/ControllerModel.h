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
    std::uint32_t baud = 9600; // line rate the bytes go out at (a port at another rate loses them)
};

// Fault knobs. Command keys are the connect-mode command byte (0xF1..0xFD) or, for escape pairs,
// the pair's code byte (0x01, 0x20, 0x21, 0x24).
struct Faults {
    bool silent = false;                              // hear nothing, so answer nothing
    std::set<std::uint8_t> silentOn;                  // these commands are not heard (nor carried out)
    std::uint32_t answerDelayMs = 0;                  // every answer comes this late
    std::map<std::uint8_t, std::uint8_t> wrongByteOn; // first reply byte replaced for these commands
    std::map<std::uint8_t, std::size_t> extraBytesOn; // this many extra bytes appended to the reply
    std::uint32_t refuseFrame = 0;                    // 1-based write-frame number to refuse (0 = none)
    std::uint8_t refuseCode = 0x05;                   // 0x04, 0x05 or 0x06
    std::uint32_t refuseTimes = 0;                    // refused this often in a row (resends count)
    std::size_t noiseBytes = 0;                       // noise bytes sent ahead of every answer
    std::uint32_t dropAfterFrames = 0; // the link drops after this many write frames (0 = never)
    bool stream = false;               // sends a continuous stream, whatever it receives
    // Stores each text from the PC once it is in, taking this long; what arrives meanwhile (the
    // next line's FF 23 and text, when the PC does not wait) is lost. 0: stores at once.
    std::uint32_t storeMs = 0;
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
    std::vector<std::uint8_t> flash;        // 1 MiB, erased bytes 0xFF
    std::uint32_t baudRate = 9600;          // line rate the controller listens at
    std::vector<int> erasedSectors;         // in order of the erase commands
    std::uint32_t writeFrames = 0;          // write frames received
    std::uint32_t acceptedFrames = 0;       // write frames answered 03
    std::uint32_t restarts = 0;             // F8 commands
    bool printoutOn = true;                 // drive printout state (FF 21 / FF 20)
    std::vector<std::string> receivedTexts; // texts after FF 23 from the PC, in order
    std::optional<std::int32_t> clockValue; // from "time=%d\r"
    std::string parameterPrintout;          // what FF 24 sends between FF 23 and FF 04
    bool linkDropped = false;               // set when dropAfterFrames is reached

    // The sector checksum the controller reports for sectors 4 to 17.
    std::uint16_t SectorChecksum(int sector) const;

    // Flash geometry: offset and size of sector 0..18 (size 0 for any other number).
    struct SectorSpan {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    static SectorSpan Sector(int sector);
    static constexpr int kSectorCount = 19;

    // A partly received command is forgotten after this long without a byte, so that a lone
    // resynchronising F3 does not swallow the start of the next frame.
    static constexpr std::uint32_t kCommandGapMs = 100;

  private:
    enum class Mode { Idle, Command, Escape, Text };

    void Take(std::uint8_t byte, std::uint32_t nowMs, std::vector<Output>& out);
    void TakeIdle(std::uint8_t byte, std::vector<Output>& out);
    void TakeText(std::uint8_t byte, std::uint32_t previousByteMs);
    void Complete(std::vector<Output>& out);
    void Answer(std::uint8_t key, std::vector<std::uint8_t> reply, std::uint32_t rate,
                std::vector<Output>& out);
    std::vector<std::uint8_t> Execute(const std::vector<std::uint8_t>& command, bool& answer);
    std::vector<std::uint8_t> ExecuteEscape(std::uint8_t code, bool& answer);
    std::uint8_t WriteFrame(const std::vector<std::uint8_t>& frame);
    std::uint8_t CheckFrame(const std::vector<std::uint8_t>& frame) const;
    std::vector<std::uint8_t> Erase(std::uint8_t sector);
    std::vector<std::uint8_t> ChecksumReport() const;
    std::vector<std::uint8_t> ReadBack(std::uint8_t sector) const;
    std::vector<std::uint8_t> Printout() const;
    void FinishText();
    bool Storing(std::uint32_t nowMs);
    std::uint8_t NoiseByte();

    Mode m_mode = Mode::Idle;
    std::vector<std::uint8_t> m_command; // connect-mode command being received
    std::size_t m_commandLength = 0;
    std::string m_text; // text from the PC after FF 23
    std::uint32_t m_lastByteMs = 0;
    std::optional<std::uint32_t> m_storedAtMs; // while storing a text: when it is stored
    std::uint32_t m_refusals = 0;
    std::uint32_t m_noiseState = 0x2545F491;
    std::optional<std::uint32_t> m_streamMs; // clock reading up to which the stream has been sent
    std::size_t m_streamPos = 0;
};

} // namespace bf::sim
