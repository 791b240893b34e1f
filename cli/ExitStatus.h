#pragma once

#include "link/CommandResult.h"

#include <string>
#include <vector>

namespace bf::cli {

// One exit status per cause, so that a script can act on it. 1 to 9 are the controller's and the
// port's result codes, the numbers of the window's "Error: N" boxes; the rest follow sysexits.h.
namespace exit_status {
constexpr int Ok = 0;
constexpr int NoAnswer = 1;
constexpr int NoRateAnswer = 8;
constexpr int PortFailed = 9;
constexpr int Mismatch = 10;
constexpr int Usage = 64;
constexpr int BadInput = 65;
constexpr int NoInput = 66;
constexpr int Internal = 70;
constexpr int CannotCreate = 73;
constexpr int OutputFailed = 74;
constexpr int Interrupted = 130;
} // namespace exit_status

// Whether a command's file is read (a failure gives 66) or written (73).
enum class FileRole { Input, Output };

int ExitStatusOf(const CommandResult& result, FileRole role);

// What an exit status means, in the words of the table ("" for a status not in it).
std::string ExitStatusText(int status);
// The exit-status table as --help shows it: the rows of `statuses`, or every row when it is empty.
std::string ExitStatusHelp(const std::vector<int>& statuses = {});

} // namespace bf::cli
