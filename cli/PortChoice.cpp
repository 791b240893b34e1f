#include "cli/PortChoice.h"

#include "core/AsciiCase.h"
#include "core/FileSystem.h"
#include "core/SetupSettings.h"

#include <charconv>

namespace bf::cli {

namespace {

constexpr char kComPrefix[] = "COM";
constexpr char kAutoLabel[] = "AUTO";
constexpr int kPathPort = 1; // where a path that no COM number leads to is reached

std::optional<int> ComNumber(const std::string& text) {
    const std::size_t prefix = sizeof kComPrefix - 1;
    if (text.size() <= prefix || !StartsWithNoCase(text, kComPrefix))
        return std::nullopt;
    int number = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data() + prefix, end, number);
    if (parsed.ec != std::errc() || parsed.ptr != end || number < PortMap::kFirstPort ||
        number > PortMap::kLastPort)
        return std::nullopt;
    return number;
}

int PortForPath(PortMap& map, const std::string& path) {
    const std::string device = CanonicalPath(path);
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port)
        if (CanonicalPath(map.DevicePath(port)) == device)
            return port;
    map.Override(kPathPort, path);
    return kPathPort;
}

} // namespace

std::string ComName(int port) {
    return kComPrefix + std::to_string(port);
}

PortMap PortMapFromSettings(const IniFile& settingsFile) {
    PortMap map;
    for (const auto& [port, path] : settings::ReadPortOverrides(settingsFile))
        map.Override(port, path);
    return map;
}

std::optional<PortChoice> ChoosePort(const PortRequest& request, const IniFile& settingsFile,
                                     const char* envPort, std::string& error) {
    PortChoice choice;
    choice.map = PortMapFromSettings(settingsFile);
    choice.settings.m_nBaudRate = request.baud != 0 ? request.baud : settings::ReadBaudRate(settingsFile);
    if (request.autoPort && !request.port.empty()) {
        error = "--port and --auto exclude each other";
        return std::nullopt;
    }
    const std::string text = !request.port.empty() ? request.port : (envPort ? envPort : "");
    if (request.autoPort || text.empty()) {
        const int fromFile = request.autoPort ? 0 : settings::ReadPortChoice(settingsFile);
        choice.settings.m_nPort = fromFile;
        choice.settings.m_bAutoPort = fromFile == 0 ? 1 : 0;
        if (fromFile != 0) // a search is named by PortLabel after the port it finds
            choice.label = ComName(fromFile);
        return choice;
    }
    choice.settings.m_bAutoPort = 0;
    choice.label = text;
    if (text.find('/') != std::string::npos) {
        choice.settings.m_nPort = PortForPath(choice.map, text);
        return choice;
    }
    if (const auto number = ComNumber(text)) {
        choice.settings.m_nPort = *number;
        choice.label = ComName(*number);
        return choice;
    }
    error = "invalid port '" + text + "': give COM1 to COM28 or a device path such as /dev/ttyUSB0";
    return std::nullopt;
}

std::string PortLabel(const PortChoice& choice) {
    if (!choice.settings.m_bAutoPort)
        return choice.label;
    return choice.settings.m_nPort != 0 ? ComName(choice.settings.m_nPort) : kAutoLabel;
}

} // namespace bf::cli
