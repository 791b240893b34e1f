#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bf::cli {

// What --json prints at the end of a command, in place of the log lines.
struct Report {
    std::string command;
    std::string port;             // "COMn", the path given, "AUTO" when no port answered; "" without a port
    std::string device;           // the device the port leads to; "" without one
    int baud = 0;                 // 0 for a command that uses no port
    int result = 0;               // the exit status
    std::string message;          // the errors, one per line; empty on success
    std::vector<std::string> log; // the log lines and the command's own output lines
    double elapsedSeconds = 0;
    std::optional<std::string> output; // the file written
};

// One JSON object on one line. Bytes that are not UTF-8 (a parameter printout may hold any) are
// replaced by U+FFFD rather than making the report invalid.
std::string JsonReport(const Report& report);

} // namespace bf::cli
