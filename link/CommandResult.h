#pragma once

#include <cstdint>

namespace bf {

// Result codes of the connect-mode commands: 0 success, 1 to 9 failures.
namespace result {
constexpr std::uint8_t Ok = 0;
constexpr std::uint8_t NoAnswer = 1;
constexpr std::uint8_t WrongAnswer = 2;
constexpr std::uint8_t ProgramWrongAnswer = 3;
constexpr std::uint8_t ChecksumError = 4;
constexpr std::uint8_t BlockNotEmpty = 5;
constexpr std::uint8_t AddressOutOfBounds = 6;
constexpr std::uint8_t TooManyResends = 7;
constexpr std::uint8_t NoRateAnswer = 8;
constexpr std::uint8_t PortFailure = 9;
} // namespace result

// How a command ended, for callers that act on it (the command line). The window shows the same
// through its log lines and message boxes and has no use for it.
struct CommandResult {
    enum class End : std::uint8_t {
        Done,             // ran to its normal end
        Failed,           // the controller or the port failed; `code` is the result code, 1 to 9
        ChecksumMismatch, // the update ran through, but the controller's checksums differ
        FileFailed,       // a file could not be read or written (a box or log line says why)
        Aborted,          // the closing request ended it
        Cancelled,        // no file was chosen
    };
    End end = End::Done;
    std::uint8_t code = 0;

    static CommandResult Done() { return {}; }
    static CommandResult Failed(std::uint8_t code) { return {End::Failed, code}; }
    static CommandResult Of(End end) { return {end, 0}; }
};

} // namespace bf
