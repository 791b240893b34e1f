#include "core/System.h"

#include <cstdlib>
#include <locale.h>
#include <pwd.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <wctype.h>

namespace bf {

namespace {

// The C library's own UTF-8 locale carries the full case tables; it is part of every glibc
// system, unlike the user's locale, which may be "C".
constexpr char kCaseLocale[] = "C.UTF-8";

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // Started without HOME (from a service, or with a cleared environment): the user's home folder
    // from the password database.
    const passwd* user = getpwuid(getuid());
    return user ? user->pw_dir : "";
}

} // namespace

std::string SettingsFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative XDG_CONFIG_HOME.
    if (xdg && xdg[0] == '/')
        return xdg;
    return HomeFolder() + "/.config";
}

std::string SharedSettingsFolder() {
    return {};
}

std::int64_t UtcOffsetAt(std::time_t utc) {
    tzset();
    std::tm local{};
    return localtime_r(&utc, &local) != nullptr ? local.tm_gmtoff : 0;
}

char32_t UpperCaseOf(char32_t c) {
    static const locale_t caseLocale = newlocale(LC_CTYPE_MASK, kCaseLocale, static_cast<locale_t>(nullptr));
    if (caseLocale == static_cast<locale_t>(nullptr))
        return c; // a system without the tables shows names as they are
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), caseLocale));
}

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::uint32_t ProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

} // namespace bf
