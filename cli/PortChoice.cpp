#include "cli/PortChoice.h"

#include "cli/PortNaming.h"
#include "core/ComName.h"
#include "core/Format.h"
#include "core/SetupSettings.h"
#include "serial/SystemPort.h"

namespace bf::cli {

namespace {

constexpr char kAutoLabel[] = "AUTO";
constexpr char kPortOption[] = "--port";
constexpr char kSearchDescription[] = "a port search over COM1 to COM28 at %d bit/s";
constexpr char kPortDescription[] = "%s (%s) at %d bit/s";
constexpr char kEmptyPort[] =
    "%s is empty: %s; without a port the settings file decides (no file: a port search)";
constexpr char kInvalidPort[] = "invalid port '%s' in %s: %s";
constexpr char kInvalidSetting[] =
    "invalid port 'SerialPort=%s' in %s: give 1 to 6, or 0 for AUTO (a port search); or give --port";

// The port the option or the environment gives, into `choice`; false with `error` naming `source`.
bool TakeGivenPort(const std::string& text, const char* source, PortChoice& choice, std::string& error) {
    choice.settings.m_bAutoPort = 0;
    choice.label = text;
    if (text.empty()) {
        error = Format(kEmptyPort, source, kPortHint);
        return false;
    }
    const auto number = IsDevicePath(text) ? PortOfPath(choice.map, text) : ComNumber(text);
    if (!number || *number < PortMap::kFirstPort || *number > LastGivenPort()) {
        error = Format(kInvalidPort, text.c_str(), source, kPortHint);
        return false;
    }
    choice.settings.m_nPort = *number;
    if (!IsDevicePath(text))
        choice.label = ComName(*number);
    return true;
}

// The settings file's choice: a port, a search, or a wrong entry (never taken as a search).
bool TakeSettingsPort(const IniFile& settingsFile, PortChoice& choice, std::string& error) {
    const settings::PortSetting entry = settings::ReadPortSetting(settingsFile);
    if (entry.kind == settings::PortSetting::Kind::Invalid) {
        error = Format(kInvalidSetting, entry.text.c_str(), settings::ReadPath().c_str());
        return false;
    }
    choice.settings.m_nPort = entry.port;
    choice.settings.m_bAutoPort = entry.kind == settings::PortSetting::Kind::Search ? 1 : 0;
    if (entry.kind == settings::PortSetting::Kind::Port) // a search is named after the port it finds
        choice.label = ComName(entry.port);
    return true;
}

} // namespace

std::optional<PortChoice> ChoosePort(const PortRequest& request, const IniFile& settingsFile,
                                     const char* envPort, std::string& error) {
    PortChoice choice;
    choice.map = PortMapFromSettings(settingsFile);
    choice.settings.m_nBaudRate = request.baud != 0 ? request.baud : settings::ReadBaudRate(settingsFile);
    if (request.autoPort && request.port) {
        error = "--port and --auto exclude each other";
        return std::nullopt;
    }
    bool taken = true;
    if (request.autoPort)
        choice.settings.m_bAutoPort = 1;
    else if (request.port)
        taken = TakeGivenPort(*request.port, kPortOption, choice, error);
    else if (envPort)
        taken = TakeGivenPort(envPort, kPortVariable, choice, error);
    else
        taken = TakeSettingsPort(settingsFile, choice, error);
    return taken ? std::optional<PortChoice>(std::move(choice)) : std::nullopt;
}

std::string PortDescription(const PortChoice& choice) {
    const int rate = choice.settings.m_nBaudRate;
    if (choice.settings.m_bAutoPort && choice.settings.m_nPort == 0)
        return Format(kSearchDescription, rate);
    const int port = choice.settings.m_nPort;
    return Format(kPortDescription, ComName(port).c_str(), DevicePathOf(choice).c_str(), rate);
}

std::string DevicePathOf(const PortChoice& choice) {
    return choice.settings.m_nPort == 0 ? std::string() : DevicePathOf(choice, choice.settings.m_nPort);
}

std::string DevicePathOf(const PortChoice& choice, int port) {
    return MakeSystemPort(choice.map)->DevicePath(port);
}

std::string PortLabel(const PortChoice& choice) {
    if (!choice.settings.m_bAutoPort)
        return choice.label;
    return choice.settings.m_nPort != 0 ? ComName(choice.settings.m_nPort) : kAutoLabel;
}

} // namespace bf::cli
