#pragma once

#include "link/Session.h"
#include "serial/CSerialException.h"

#include <cstdint>
#include <string>

namespace bf {

// Texts shared by the parameter backup and update.
constexpr char kBoxNoController[] =
    "No answer from Brenvaldor\nCheck that serial cable is attached to Port P211";
constexpr char kBoxNoControllerCaption[] = "Error: 1";
constexpr char kLogPortBusy[] = "SERIAL PORT BUSY OR DOES NOT EXIST";
std::string NumberOfParametersLine(long long count); // "NUMBER OF PARAMETERS %d"
std::string PortFailureLine(const CSerialException& e);
// Log lines are upper case; system reasons are turned into upper case to match.
std::string UpperLogText(std::string text);

// The start both parameter commands share: toolbar off, log emptied, progress reset, the optional
// port search, then the port opened at 9600 bit/s. Returns 0, or the result code of the failure:
// 1 when there is no port, 9 when it cannot be opened; the user has then been told and the
// toolbar is back on.
std::uint8_t OpenParameterLink(Session& s);
// The normal end: port closed, "SERIAL PORT CLOSED", progress reset, toolbar on.
void CloseParameterLink(Session& s);
// The end after the port failed while open (adapter pulled): the port is closed as far as it still
// can be, the failure is logged, progress reset and toolbar on.
void EndParameterLinkOnFailure(Session& s, const CSerialException& e);

} // namespace bf
