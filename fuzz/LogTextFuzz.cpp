// libFuzzer target: the log pane's text decoding on arbitrary bytes, line by line: a line that is
// valid UTF-8 is shown as it is, any other as Windows-1252.
// Checks, against a plain reading of the UTF-8 rules and of Windows-1252: the result is always
// valid UTF-8; every valid line is kept byte for byte, every other line is its Windows-1252
// reading; the UTF-16 form holds the same text; IsValidUtf8 and DecodeUtf8 agree with the plain
// reading; upper-casing keeps valid text valid and leaves other bytes alone.
#include "core/Utf8Text.h"
#include "fuzz/Violation.h"
#include "tool/TextDecoding.h"

#include <array>
#include <string>
#include <string_view>

namespace {

using bf::fuzz::Require;

// Windows-1252 at 0x80 to 0x9F (the five undefined bytes keep their control code); the rest of
// the bytes are Latin-1.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Windows-1252 reading of every byte, as UTF-8.
std::string Windows1252(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char32_t code = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t{b};
        if (code < 0x80) {
            text.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            text.push_back(static_cast<char>(0xC0 | code >> 6));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xE0 | code >> 12));
            text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return text;
}

// UTF-16 of valid UTF-8: code points beyond 16 bits as surrogate pairs.
std::u16string Utf16(std::string_view utf8) {
    std::u16string text;
    for (const char32_t c : bf::DecodeUtf8(utf8).value_or(std::u32string())) {
        if (c < 0x10000) {
            text.push_back(static_cast<char16_t>(c));
        } else {
            text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return text;
}

// The well-formed UTF-8 sequences, table by table: the length of the one at `at`, 0 for none.
std::size_t SequenceAt(std::string_view s, std::size_t at) {
    auto byte = [&](std::size_t i) {
        return at + i < s.size() ? static_cast<unsigned char>(s[at + i]) : 0x100u;
    };
    auto in = [](unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; };
    const unsigned b0 = byte(0);
    if (b0 <= 0x7F)
        return 1;
    if (in(b0, 0xC2, 0xDF))
        return in(byte(1), 0x80, 0xBF) ? 2 : 0;
    unsigned low = 0x80, high = 0xBF;
    if (b0 == 0xE0 || b0 == 0xF0)
        low = b0 == 0xE0 ? 0xA0 : 0x90;
    if (b0 == 0xED)
        high = 0x9F;
    if (b0 == 0xF4)
        high = 0x8F;
    if (in(b0, 0xE0, 0xEF))
        return in(byte(1), low, high) && in(byte(2), 0x80, 0xBF) ? 3 : 0;
    if (in(b0, 0xF0, 0xF4))
        return in(byte(1), low, high) && in(byte(2), 0x80, 0xBF) && in(byte(3), 0x80, 0xBF) ? 4 : 0;
    return 0;
}

bool PlainValid(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = SequenceAt(s, at);
        if (n == 0)
            return false;
        at += n;
    }
    return true;
}

void CheckLine(std::string_view line) {
    const bool valid = PlainValid(line);
    Require(bf::IsValidUtf8(line) == valid, "IsValidUtf8 differs from the UTF-8 rules");
    Require(bf::DecodeUtf8(line).has_value() == valid, "DecodeUtf8 differs from the UTF-8 rules");
    if (valid)
        Require(bf::EncodeUtf8(*bf::DecodeUtf8(line)) == line, "decoding and encoding changed a valid line");
    const std::string shown = bf::DecodeTextToUtf8(line);
    Require(PlainValid(shown), "the log text is not valid UTF-8");
    Require(shown == (valid ? std::string(line) : Windows1252(line)),
            "a valid UTF-8 line was changed, or another line not read as Windows-1252");
    Require(bf::DecodeTextToUtf16(line) == Utf16(shown), "the UTF-16 form is not the same text");
    const std::string upper = bf::UpperUtf8(line);
    Require(valid ? PlainValid(upper) : upper == line,
            "upper case broke the text, or changed bytes that are no text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        CheckLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return 0;
}
