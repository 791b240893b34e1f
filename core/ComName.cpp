#include "core/ComName.h"

#include "core/AsciiCase.h"

namespace bf {

namespace {
constexpr std::string_view kComPrefix = "COM";
constexpr std::size_t kMaxDigits = 3;
} // namespace

std::string ComName(int port) {
    return std::string(kComPrefix) + std::to_string(port);
}

std::optional<int> ComNumber(std::string_view text) {
    if (!StartsWithNoCase(text, kComPrefix))
        return std::nullopt;
    const std::string_view digits = text.substr(kComPrefix.size());
    if (digits.empty() || digits.size() > kMaxDigits || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace bf
