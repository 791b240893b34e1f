#include "link/ControllerConnection.h"

#include "link/Link.h"
#include "link/PortSearch.h"
#include "link/ResultCodes.h"
#include "serial/CSerialException.h"

#include <algorithm>
#include <array>

namespace bf {

namespace {

constexpr char kLogBaud9600[] = "CHANGE BAUDRATE TO 9600";
constexpr std::size_t kReplyBufferSize = 64;

std::uint8_t OpenPort(Session& s) {
    try {
        OpenStandard(s.port, s.settings.m_nPort);
    } catch (const CSerialException&) {
        return result::PortFailure;
    }
    return result::Ok;
}

} // namespace

std::uint8_t ConnectController(Session& s, bool switchRate) {
    if (s.settings.m_bAutoPort)
        AutodetectPort(s);
    if (s.settings.m_nPort == 0)
        return result::NoAnswer;
    s.host.AppendLog(OpenSerialPortLine(s.settings.m_nPort, s.settings.m_nBaudRate));
    if (const std::uint8_t code = OpenPort(s); code != result::Ok)
        return code;
    if (const std::uint8_t code = Handshake(s); code != result::Ok)
        return code;
    if (!switchRate)
        return result::Ok;
    return SwitchBaudRate(s, s.settings.m_nPort, s.settings.m_nBaudRate);
}

void SendByte(Session& s, std::uint8_t byte) {
    SendBytes(s, &byte, 1);
}

StepResult EraseSector(Session& s, std::uint8_t sector) {
    const std::array<std::uint8_t, 2> frame{cmd::EraseSector, sector};
    SendBytes(s, frame.data(), frame.size());
    const ReplyWait wait = WaitForReply(s, 1, timeout::Reply, true);
    if (wait.aborted)
        return StepResult::Abort();
    if (wait.count == 0)
        return StepResult::Failure(result::NoAnswer);
    std::array<std::uint8_t, kReplyBufferSize> reply{};
    ReadReply(s.port, wait.count, reply.data(), reply.size());
    if (wait.count > 1)
        return StepResult::Failure(result::ProgramWrongAnswer);
    return StepResult::Success();
}

void ReturnTo9600AndClose(Session& s) {
    s.host.AppendLog(kLogBaud9600);
    SendByte(s, cmd::Baud9600);
    ClosePortAndLog(s);
    s.host.EnableToolbarButtons(true, true, true);
    s.host.UpdateProgress(0, 1);
}

void ShowProgress(Host& host, std::uint32_t done, std::uint32_t total) {
    if (total != 0)
        host.UpdateProgress(static_cast<int>(done * 100 / total), 0);
}

} // namespace bf
