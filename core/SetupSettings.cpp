#include "core/SetupSettings.h"

#include "core/ComName.h"
#include "core/FileSystem.h"
#include "core/Format.h"
#include "core/System.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace bf::settings {

namespace {
constexpr int kFirstMenuPort = 1;
constexpr int kLastMenuPort = 6;
constexpr int kFirstMappedPort = 1;
constexpr int kLastMappedPort = 28;
constexpr std::size_t kValueCapacity = 255; // the 256-character read buffer, less its terminator

std::int32_t ReadInt(const IniFile& file, const char* key) {
    const std::string value = file.Get(kSetupSection, key).value_or("");
    return ParseDecimal(std::string_view(value).substr(0, kValueCapacity));
}

std::string Decimal(std::int32_t value) {
    return std::to_string(value);
}
} // namespace

std::string FilePath() {
    return SettingsFolder() + PreferredSeparator() + kFileName;
}

std::string ReadPath(const std::string& path) {
    const std::string folder = SharedSettingsFolder();
    if (folder.empty() || NameInUse(path))
        return path;
    const std::string shared = folder + PreferredSeparator() + kFileName;
    return NameInUse(shared) ? shared : path;
}

std::int32_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, limit - 1));
}

int ReadPortChoice(const IniFile& file) {
    const std::int32_t port = ReadInt(file, kKeySerialPort);
    return port >= kFirstMenuPort && port <= kLastMenuPort ? port : 0;
}

PortSetting ReadPortSetting(const IniFile& file) {
    const auto value = file.Get(kSetupSection, kKeySerialPort);
    if (!value)
        return {};
    if (const int port = ReadPortChoice(file); port != 0)
        return {PortSetting::Kind::Port, port, {}};
    // 0 written as a number is how the window stores AUTO.
    std::string_view number(*value); // without blanks around it: the file's values are trimmed
    if (!number.empty() && (number[0] == '+' || number[0] == '-'))
        number.remove_prefix(1);
    const bool zero = !number.empty() && std::isdigit(static_cast<unsigned char>(number[0])) &&
                      ReadInt(file, kKeySerialPort) == 0;
    if (zero || ReadInt(file, kKeySerialPortAuto) == 1)
        return {};
    return {PortSetting::Kind::Invalid, 0, *value};
}

int ReadBaudRate(const IniFile& file) {
    switch (ReadInt(file, kKeySerialBaudRate)) {
    case 9600:
        return 9600;
    case 19200:
        return 19200;
    case 57600:
        return 57600;
    default:
        return kDefaultBaudRate;
    }
}

void WriteSetup(IniFile& file, const PortSettings& s) {
    file.Set(kSetupSection, kKeySerialPort, Decimal(s.m_bAutoPort ? 0 : s.m_nPort));
    file.Set(kSetupSection, kKeySerialPortAuto, Decimal(s.m_bAutoPort));
    file.Set(kSetupSection, kKeySerialBaudRate, Decimal(s.m_nBaudRate));
}

std::vector<std::pair<int, std::string>> ReadPortOverrides(const IniFile& file) {
    std::vector<std::pair<int, std::string>> overrides;
    for (const auto& [key, path] : file.Keys(kPortsSection)) {
        const auto port = ComNumber(key);
        if (port && *port >= kFirstMappedPort && *port <= kLastMappedPort && !path.empty())
            overrides.emplace_back(*port, path);
    }
    return overrides;
}

std::string PortPaneText(const PortSettings& s) {
    return s.m_bAutoPort ? Format("\tAUTO:%d", s.m_nBaudRate)
                         : Format("\tCOM%d:%d", s.m_nPort, s.m_nBaudRate);
}

} // namespace bf::settings
