#include "core/System.h"

#include "core/WideText_win.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <system_error>

namespace bf {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;         // FILETIME counts 100 ns
constexpr std::int64_t kUnixEpochTicks = 116444736000000000; // 1970-01-01 as a FILETIME

std::wstring Variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::int64_t TicksOf(const SYSTEMTIME& time) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file))
        return 0;
    return static_cast<std::int64_t>((std::uint64_t{file.dwHighDateTime} << 32) | file.dwLowDateTime);
}

} // namespace

std::string SettingsFolder() {
    if (const std::wstring appData = Variable(L"APPDATA"); !appData.empty())
        return Utf8FromWide(appData);
    PWSTR folder = nullptr;
    std::string path;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder) == S_OK)
        path = Utf8FromWide(folder);
    CoTaskMemFree(folder);
    return path;
}

std::string SharedSettingsFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = GetWindowsDirectoryW(folder.data(), MAX_PATH);
    folder.resize(length < MAX_PATH ? length : 0);
    return Utf8FromWide(folder);
}

std::int64_t UtcOffsetAt(std::time_t utc) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(utc * kTicksPerSecond + kUnixEpochTicks);
    const FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    // The time zone's rules for that date, daylight saving included.
    if (!FileTimeToSystemTime(&file, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return 0;
    return (TicksOf(local) - TicksOf(universal)) / kTicksPerSecond;
}

char32_t UpperCaseOf(char32_t c) {
    std::wstring text;
    if (c >= 0x10000) {
        text.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
        text.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        text.push_back(static_cast<wchar_t>(c));
    }
    wchar_t upper[2] = {};
    // The invariant locale, the same whatever the user's language, with the Unicode case tables
    // (linguistic casing) rather than the file system's, which leave letters such as the dotless i.
    const int length =
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE | LCMAP_LINGUISTIC_CASING, text.c_str(),
                      static_cast<int>(text.size()), upper, 2, nullptr, nullptr, 0);
    if (length == 1 && (upper[0] < 0xD800 || upper[0] > 0xDFFF))
        return upper[0];
    if (length == 2 && upper[0] >= 0xD800 && upper[0] < 0xDC00)
        return 0x10000 + ((char32_t{upper[0]} - 0xD800) << 10) + (char32_t{upper[1]} - 0xDC00);
    return c;
}

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::uint32_t ProcessId() {
    return GetCurrentProcessId();
}

} // namespace bf
