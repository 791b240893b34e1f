#include "link/PortSearch.h"

#include "core/ComName.h"
#include "core/Format.h"
#include "link/Link.h"
#include "serial/CSerialException.h"
#include "serial/PortMap.h"

#include <string>

namespace bf {

namespace {

constexpr char kLogAutodetect[] = "AUTODETECT SERIAL PORT";
constexpr char kLogFoundFormat[] = "COM%d: BRENVALDOR FOUND";
constexpr char kLogPortStatusFormat[] = "COM%d: %s";
constexpr char kLogHolderFormat[] = "COM%d: HELD BY %s (PID %d)";
constexpr char kStatusNoAnswer[] = "NO ANSWER";
constexpr char kStatusUnknownAnswer[] = "UNKNOWN ANSWER";
constexpr char kStatusNotInstalled[] = "NOT INSTALLED";
constexpr char kStatusBusy[] = "BUSY";
constexpr char kStatusBluetooth[] = "BLUETOOTH";
constexpr char kStatusUnknownError[] = "UNKNOWN ERROR";
constexpr char kLogNoAnswer[] = "AUTODETECT - NO ANSWER";
constexpr char kLogRestarted[] = "BRENVALDOR RESTARTED";
constexpr char kLogNoAnswerFromController[] = "NO ANSWER FROM BRENVALDOR";

constexpr int kProgressHigh = 29;
constexpr std::uint32_t kProbeRate = 9600;

enum class Probe { Connect, Escape };

const char* OpenFailureText(std::uint32_t code) {
    switch (code) {
    case kErrorPortMissing:
        return kStatusNotInstalled;
    case kErrorPortBusy:
        return kStatusBusy;
    case kErrorPortBluetooth:
        return kStatusBluetooth;
    default:
        return kStatusUnknownError;
    }
}

void SendProbe(Session& s, Probe probe) {
    if (probe == Probe::Connect) {
        SendBytes(s, &cmd::Handshake, 1);
        return;
    }
    const std::uint8_t pair[] = {esc::Escape, esc::Hello};
    SendBytes(s, pair, sizeof pair);
}

// Connect probe: the first of the waiting bytes must be 01 (all are read). Escape probe: one byte
// is read; after FF the next is read at once, if there, and must be 02.
bool JudgeAnswer(Session& s, Probe probe, std::uint32_t waiting) {
    if (probe == Probe::Connect)
        return ReadAllWaiting(s, waiting) == cmd::HandshakeReply;
    std::uint8_t byte = 0;
    s.port.Read(&byte, 1);
    if (byte != esc::Escape || s.port.BytesAvailable() == 0)
        return false;
    s.port.Read(&byte, 1);
    return byte == esc::Ack;
}

// One probe; returns nullptr when the controller answered, else the port's status text.
const char* ProbePort(Session& s, Probe probe, int port) {
    OpenStandard(s.port, port, kProbeRate);
    SendProbe(s, probe);
    const ReplyWait reply = WaitForReply(s, 1, timeout::Reply, false);
    const bool found = reply.count > 0 && JudgeAnswer(s, probe, reply.count);
    s.port.Close();
    if (found)
        return nullptr;
    return reply.count == 0 ? kStatusNoAnswer : kStatusUnknownAnswer;
}

// Names the program that holds a busy port, when the system tells it cheaply.
void LogPortHolder(Session& s, int port) {
    if (auto holder = s.port.HolderOf(port))
        s.host.AppendLog(Format(kLogHolderFormat, port, holder->name.c_str(), static_cast<int>(holder->pid)));
}

void Search(Session& s, Probe probe) {
    s.settings.m_nPort = 0;
    s.host.SetProgressRange(0, kProgressHigh);
    s.host.AppendLog(kLogAutodetect);
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        s.host.SetProgressPos(port);
        const char* status = nullptr;
        std::uint32_t failure = 0;
        try {
            status = ProbePort(s, probe, port);
        } catch (const CSerialException& e) {
            s.port.Close(); // a failed probe never keeps the device
            failure = e.m_errorCode;
            status = OpenFailureText(failure);
        }
        if (!status) {
            s.settings.m_nPort = port;
            s.host.AppendLog(Format(kLogFoundFormat, port));
            break;
        }
        s.host.AppendLog(Format(kLogPortStatusFormat, port, status));
        if (failure == kErrorPortBusy)
            LogPortHolder(s, port);
    }
    s.host.SetProgressPos(0);
}

} // namespace

void AutodetectPort(Session& s) {
    Search(s, Probe::Connect);
}

void AutodetectPortParam(Session& s) {
    Search(s, Probe::Escape);
}

std::optional<int> FoundPortOf(std::string_view logLine) {
    const auto port = ComNumber(logLine.substr(0, logLine.find(':')));
    if (port && logLine == Format(kLogFoundFormat, *port))
        return port;
    return std::nullopt;
}

CommandResult ResetController(Session& s) {
    s.host.ClearLog();
    if (s.settings.m_bAutoPort)
        AutodetectPort(s);
    if (s.settings.m_nPort == 0) {
        s.host.AppendLog(kLogNoAnswer);
        return CommandResult::Failed(result::NoAnswer);
    }
    s.host.AppendLog(OpenSerialPortLine(s.settings.m_nPort, s.settings.m_nBaudRate));
    try {
        OpenStandard(s.port, s.settings.m_nPort, kProbeRate);
        SendBytes(s, &cmd::Restart, 1);
        s.host.AppendLog(kLogRestarted);
        s.port.Close();
        s.host.AppendLog(kLogSerialPortClosed);
    } catch (const CSerialException&) {
        s.port.Close(); // a port that failed after opening is not kept until the next command
        s.host.AppendLog(kLogNoAnswerFromController);
        return CommandResult::Failed(result::PortFailure);
    }
    return CommandResult::Done();
}

} // namespace bf
