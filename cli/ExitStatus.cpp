#include "cli/ExitStatus.h"

#include "core/Format.h"

#include <algorithm>
#include <array>

namespace bf::cli {

namespace {

struct StatusText {
    int status;
    const char* text;
};

// Each exit status with what it means; --help shows the table, and a failure that the operation
// reported in its log alone is named on the error stream with the same words.
constexpr std::array<StatusText, 18> kTable{{
    {0, "success"},
    {1, "no answer from the controller; detect found none; --wait ran out"},
    {2, "wrong answer from the controller"},
    {3, "wrong answer to an erase or rate command"},
    {4, "a write frame refused with 'checksum error' six times in a row"},
    {5, "a write frame refused with 'block not empty' six times in a row"},
    {6, "a write frame refused with 'address out of bounds' six times in a row"},
    {7, "too many resends (more than 30)"},
    {8, "no answer to the rate switch"},
    {9, "serial port busy, missing or failed"},
    {10, "CHECKSUM ERROR after an update, or verify found differing sectors"},
    {64, "usage error"},
    {65, "the input file does not convert (Error: N) or holds no firmware"},
    {66, "the input file is missing or unreadable"},
    {70, "internal error"},
    {73, "the output file cannot be created, or exists and --force is not given"},
    {74, "standard output could not be written"},
    {130, "interrupted by Ctrl-C, SIGTERM or SIGHUP (port closed, no output file)"},
}};

constexpr char kHeading[] = "Exit status:\n";
constexpr char kRowFormat[] = "  %-4d %s\n";

} // namespace

int ExitStatusOf(const CommandResult& result, FileRole role) {
    switch (result.end) {
    case CommandResult::End::Done:
        return exit_status::Ok;
    case CommandResult::End::Failed:
        return result.code;
    case CommandResult::End::ChecksumMismatch:
        return exit_status::Mismatch;
    case CommandResult::End::FileFailed:
        return role == FileRole::Input ? exit_status::NoInput : exit_status::CannotCreate;
    case CommandResult::End::Aborted:
        return exit_status::Interrupted;
    default:
        return exit_status::Internal; // a dialog "cancelled": the command line never cancels
    }
}

std::string ExitStatusText(int status) {
    for (const StatusText& row : kTable)
        if (row.status == status)
            return row.text;
    return {};
}

std::string ExitStatusHelp(const std::vector<int>& statuses) {
    std::string help = kHeading;
    for (const StatusText& row : kTable)
        if (statuses.empty() || std::find(statuses.begin(), statuses.end(), row.status) != statuses.end())
            help += Format(kRowFormat, row.status, row.text);
    return help;
}

} // namespace bf::cli
