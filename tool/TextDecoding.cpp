#include "tool/TextDecoding.h"

#include "core/Utf8Text.h"

#include <array>

namespace bf {

namespace {

// Windows-1252 at 0x80 to 0x9F; the five bytes it leaves undefined keep their Latin-1 control
// code, as Windows itself converts them. 0xA0 to 0xFF are Latin-1.
constexpr unsigned char kTableStart = 0x80;
constexpr auto kWindows1252High = std::to_array<char16_t>(
    {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
     0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
     0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178});

std::u32string FromWindows1252(std::string_view bytes) {
    std::u32string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool inTable = b >= kTableStart && b < kTableStart + kWindows1252High.size();
        text.push_back(inTable ? kWindows1252High[b - kTableStart] : char32_t{b});
    }
    return text;
}

// Code points beyond the 16-bit range become a surrogate pair.
std::u16string ToUtf16(std::u32string_view codePoints) {
    constexpr char32_t kFirstSupplementary = 0x10000;
    std::u16string text;
    for (const char32_t c : codePoints) {
        if (c < kFirstSupplementary) {
            text.push_back(static_cast<char16_t>(c));
            continue;
        }
        const char32_t offset = c - kFirstSupplementary;
        text.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    }
    return text;
}

} // namespace

std::string DecodeTextToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return EncodeUtf8(FromWindows1252(bytes));
}

std::u16string DecodeTextToUtf16(std::string_view bytes) {
    const std::optional<std::u32string> utf8 = DecodeUtf8(bytes);
    return ToUtf16(utf8 ? *utf8 : FromWindows1252(bytes));
}

} // namespace bf
