#pragma once

#include "link/ResultCodes.h"
#include "link/Session.h"

#include <cstddef>
#include <cstdint>

namespace bf {

// The opening steps the connect-mode commands share: the optional port search, port number 0
// giving 1, "OPEN SERIAL PORT COM%d:%d", the standard open at 9600 (a refusal gives 9), the
// handshake and, when switchRate is set, the switch to the configured rate. Returns the result code.
// A port failure after the open is not caught here; the command ends soundly on it.
std::uint8_t ConnectController(Session& s, bool switchRate);

// Sends one command byte and flushes.
void SendByte(Session& s, std::uint8_t byte);

// Erases one flash sector: F2 and the sector number, then exactly one answer byte of any value
// within 2000 ms. No answer gives 1, more than one byte 3; the closing request aborts.
StepResult EraseSector(Session& s, std::uint8_t sector);

// The normal end of the update and the backup: "CHANGE BAUDRATE TO 9600", F9 sent without awaiting
// its answer, the port closed, "SERIAL PORT CLOSED", toolbar on, progress display reset.
void ReturnTo9600AndClose(Session& s);

// Shows done * 100 / total percent; a total of 0 shows nothing rather than divide by it.
void ShowProgress(Host& host, std::uint32_t done, std::uint32_t total);

} // namespace bf
