#pragma once

#include <cstdio>
#include <string>

namespace bf {

// printf-style formatting into a string of whatever length the text needs.
template <typename... Args> std::string Format(const char* format, Args... args) {
    const int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0)
        return {};
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.pop_back();
    return text;
}

} // namespace bf
