#pragma once

#include "link/CommandResult.h"
#include "link/Session.h"
#include "serial/CSerialException.h"

#include <cstdint>

namespace bf {

// How a failing command reports itself: which codes have a box text of their own (bit n for code n;
// the others get the generic "Error: %d" box) and whether the command switched the toolbar off.
struct CommandProfile {
    std::uint16_t ownCodes;
    bool restoresToolbar;
};

constexpr std::uint16_t CodeBit(std::uint8_t code) {
    return static_cast<std::uint16_t>(1u << code);
}

inline constexpr CommandProfile kUpdateProfile{CodeBit(1) | CodeBit(2) | CodeBit(3) | CodeBit(4) |
                                                   CodeBit(5) | CodeBit(6) | CodeBit(7) | CodeBit(9),
                                               true};
inline constexpr CommandProfile kBackupProfile{CodeBit(1) | CodeBit(2) | CodeBit(9), true};
inline constexpr CommandProfile kEraseProfile{CodeBit(1) | CodeBit(2) | CodeBit(3) | CodeBit(9), false};

// What one step of a command ended with: success, a result code for the failure exit, or the
// closing request, after which the command returns at once without a word.
struct StepResult {
    std::uint8_t code = result::Ok;
    bool aborted = false;

    static StepResult Success() { return {}; }
    static StepResult Failure(std::uint8_t code) { return {code, false}; }
    static StepResult Abort() { return {result::Ok, true}; }
    bool Succeeded() const { return code == result::Ok && !aborted; }
};

// The message box of a result code as the command shows it.
void ShowResultBox(Host& host, std::uint8_t code, const CommandProfile& profile);

// Closes the port (harmless when it is not open, and never throwing) and logs "SERIAL PORT CLOSED".
void ClosePortAndLog(Session& s);

// The failure exit: port closed, "SERIAL PORT CLOSED", the code's box, toolbar back on (when the
// command switched it off), progress display reset.
void FailureExit(Session& s, std::uint8_t code, const CommandProfile& profile);

// The same exit for a port that failed after it was opened (adapter pulled, read or write refused):
// the box shows the system's reason under code 9's caption, or code 9's text when there is none.
void PortFailureExit(Session& s, const CSerialException& error, const CommandProfile& profile);

} // namespace bf
