#include "params/ParameterUpdate.h"

#include "core/System.h"
#include "link/Link.h"
#include "params/ParameterFile.h"
#include "params/ParameterLink.h"

#include <algorithm>
#include <string>

namespace bf {

namespace {

constexpr char kLogCheckController[] = "CHECK CONTROLLER";
constexpr char kLogPrintoutOff[] = "DRIVE PRINTOUT OFF";
constexpr char kLogSetTime[] = "SET CONTROLLER TIME TO PC TIME";
constexpr char kLogWriteParameters[] = "WRITE SETUP PARAMETERS";
constexpr char kLogParameterPrefix[] = "PARAMETER --> ";
constexpr char kLogPrintoutOn[] = "DRIVE PRINTOUT ON";
constexpr char kLogParametersInFile[] = "NUMBER OF PARAMETERS IN FILE ";
constexpr char kClockTextPrefix[] = "time=";

constexpr std::uint32_t kCheckWaitMs = 2000;
constexpr std::uint32_t kStepWaitMs = 1000;
constexpr std::uint32_t kPacingDividend = 9600000; // ms per line = 9600000 / baud-rate setting

void SendPair(Session& s, std::uint8_t code) {
    const std::uint8_t pair[2] = {esc::Escape, code};
    SendBytes(s, pair, sizeof pair);
}

void SendText(Session& s, const std::string& text) {
    SendBytes(s, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::uint32_t PacingMs(int baudRate) {
    // The setting only ever holds 9600..57600; anything else paces like 9600 instead of dividing by 0.
    const int rate = baudRate > 0 ? baudRate : 9600;
    return kPacingDividend / static_cast<std::uint32_t>(rate);
}

// The piece as the log shows it: up to a NUL as text formatting would, a final line feed as a blank.
std::string ParameterLogLine(const std::string& piece) {
    std::string text = piece.substr(0, piece.find('\0'));
    if (!text.empty() && text.back() == '\n')
        text.back() = ' ';
    return kLogParameterPrefix + text;
}

long long CountParameterLines(Host& host, const std::string& path) {
    ParameterPieceReader reader(path);
    long long count = 0;
    std::string piece;
    while (reader.Next(piece)) {
        if (ParameterPieceReader::IsParameterLine(piece))
            ++count;
        host.PumpMessages();
    }
    return count;
}

// Progress of the k-th line is (100 * (k - 1)) / N. A file that grew or appeared after the first
// pass (N too small, or 0) shows no more than 100 % and never divides by zero.
void ShowLineProgress(Host& host, long long accumulator, long long fileCount) {
    if (fileCount > 0)
        host.UpdateProgress(static_cast<int>(std::min<long long>(100, accumulator / fileCount)), 0);
}

long long SendParameterLines(Session& s, const std::string& path, long long fileCount) {
    ParameterPieceReader reader(path);
    const std::uint32_t pacing = PacingMs(s.settings.m_nBaudRate);
    long long sent = 0;
    std::string piece;
    while (reader.Next(piece)) {
        if (ParameterPieceReader::IsParameterLine(piece)) {
            SendPair(s, esc::Text);
            SendText(s, piece);
            ShowLineProgress(s.host, 100 * sent, fileCount);
            ++sent;
            s.host.AppendLog(ParameterLogLine(piece));
            s.port.Drain(); // the pause gives the controller time to store the line once it is in
            s.host.WaitPumping(pacing);
        }
        s.host.PumpMessages();
    }
    return sent;
}

void RunUpdate(Session& s, const std::string& path, long long fileCount) {
    SendPair(s, esc::Hello);
    s.host.AppendLog(kLogCheckController);
    s.host.WaitPumping(kCheckWaitMs);

    s.host.AppendLog(kLogPrintoutOff);
    SendPair(s, esc::PrintoutOff);
    s.host.WaitPumping(kStepWaitMs);

    s.host.AppendLog(kLogSetTime);
    const std::int32_t clock = ControllerClockValue(std::time(nullptr));
    SendPair(s, esc::Text);
    SendText(s, kClockTextPrefix + std::to_string(clock) + "\r");
    s.port.Drain();
    s.host.WaitPumping(kStepWaitMs);

    s.host.AppendLog(kLogWriteParameters);
    const long long sent = SendParameterLines(s, path, fileCount);

    SendPair(s, esc::TextEnd);
    SendPair(s, esc::PrintoutOn);
    s.host.AppendLog(kLogPrintoutOn);
    s.host.WaitPumping(kStepWaitMs);

    s.host.AppendLog(NumberOfParametersLine(sent));
    if (sent != fileCount)
        s.host.AppendLog(kLogParametersInFile + std::to_string(fileCount));
}

} // namespace

CommandResult ParameterUpdate(Session& s) {
    const auto path = AskParameterFileToOpen(s.host);
    if (!path)
        return CommandResult::Of(CommandResult::End::Cancelled);
    return ParameterUpdateOf(s, *path);
}

CommandResult ParameterUpdateOf(Session& s, const std::string& path) {
    const long long fileCount = CountParameterLines(s.host, path);
    if (const std::uint8_t code = OpenParameterLink(s); code != result::Ok)
        return CommandResult::Failed(code);
    try {
        RunUpdate(s, path, fileCount);
        CloseParameterLink(s);
        return CommandResult::Done();
    } catch (const CSerialException& e) {
        EndParameterLinkOnFailure(s, e);
        return CommandResult::Failed(result::PortFailure);
    }
}

std::int32_t ControllerClockValue(std::time_t utcNow) {
    // The local wall-clock time at U, counted as seconds since 1970 of the local calendar: U plus
    // the offset the zone shows at that instant. The offset is taken as it is, so zones that call
    // their winter time daylight saving (Europe/Dublin), shift back for Ramadan (Africa/Casablanca)
    // or shift by half an hour (Australia/Lord_Howe) give their wall clock too.
    // The controller's clock is 32 bits wide.
    return static_cast<std::int32_t>(static_cast<std::int64_t>(utcNow) + UtcOffsetAt(utcNow));
}

} // namespace bf
