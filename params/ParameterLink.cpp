#include "params/ParameterLink.h"

#include "link/Link.h"
#include "link/PortSearch.h"

namespace bf {

namespace {

constexpr char kLogNumberOfParameters[] = "NUMBER OF PARAMETERS ";
constexpr char kLogPortFailure[] = "SERIAL PORT FAILURE - ERROR ";
constexpr std::uint32_t kParameterLinkBaud = 9600;

// A port that failed may throw again on closing; it is closed as far as the system allows.
void CloseQuietly(Port& port) {
    try {
        if (port.IsOpen())
            port.Close();
    } catch (const CSerialException&) {
    }
}

void EnableToolbar(Host& host) {
    host.EnableToolbarButtons(true, true, true);
}

} // namespace

std::string NumberOfParametersLine(long long count) {
    return kLogNumberOfParameters + std::to_string(count);
}

std::string UpperLogText(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string PortFailureLine(const CSerialException& e) {
    char reason[256] = {};
    std::string line = kLogPortFailure + std::to_string(e.m_errorCode);
    if (e.GetErrorMessage(reason, sizeof reason))
        line += std::string(": ") + UpperLogText(reason);
    return line;
}

std::uint8_t OpenParameterLink(Session& s) {
    s.host.EnableToolbarButtons(false, false, false);
    s.host.ClearLog();
    s.host.UpdateProgress(0, 1);
    if (s.settings.m_bAutoPort)
        AutodetectPortParam(s);
    if (s.settings.m_nPort == 0) {
        EnableToolbar(s.host);
        s.host.ShowMessageBox(kBoxNoController, kBoxNoControllerCaption, BoxIcon::Error);
        return result::NoAnswer;
    }
    s.host.AppendLog(OpenSerialPortLine(s.settings.m_nPort, s.settings.m_nBaudRate));
    try {
        OpenStandard(s.port, s.settings.m_nPort, kParameterLinkBaud);
    } catch (const CSerialException&) {
        // A port that opened but refused its settings is not left open until the next operation.
        CloseQuietly(s.port);
        s.host.AppendLog(kLogPortBusy);
        EnableToolbar(s.host);
        return result::PortFailure;
    }
    return result::Ok;
}

void CloseParameterLink(Session& s) {
    s.port.Close();
    s.host.AppendLog(kLogSerialPortClosed);
    s.host.UpdateProgress(0, 1);
    EnableToolbar(s.host);
}

void EndParameterLinkOnFailure(Session& s, const CSerialException& e) {
    CloseQuietly(s.port);
    s.host.AppendLog(PortFailureLine(e));
    s.host.AppendLog(kLogSerialPortClosed);
    s.host.UpdateProgress(0, 1);
    EnableToolbar(s.host);
}

} // namespace bf
