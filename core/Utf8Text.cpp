#include "core/Utf8Text.h"

#include "core/System.h"

namespace bf {

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;

// What a lead byte says: the length of its sequence, the value bits it carries, and the smallest
// code point a sequence of that length may encode.
struct Lead {
    int length;
    char32_t value;
    char32_t minimum;
};

// nullopt for a byte that starts no sequence.
std::optional<Lead> ReadLead(unsigned char b) {
    if (b < 0x80)
        return Lead{1, b, 0};
    if ((b & 0xE0) == 0xC0)
        return Lead{2, static_cast<char32_t>(b & 0x1F), 0x80};
    if ((b & 0xF0) == 0xE0)
        return Lead{3, static_cast<char32_t>(b & 0x0F), 0x800};
    if ((b & 0xF8) == 0xF0)
        return Lead{4, static_cast<char32_t>(b & 0x07), 0x10000};
    return std::nullopt;
}

bool IsScalarValue(char32_t c) {
    return c <= kMaxCodePoint && (c < kSurrogateFirst || c > kSurrogateLast);
}

} // namespace

std::optional<std::u32string> DecodeUtf8(std::string_view bytes) {
    std::u32string out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::optional<Lead> read = ReadLead(static_cast<unsigned char>(bytes[i]));
        if (!read || i + static_cast<std::size_t>(read->length) > bytes.size())
            return std::nullopt;
        Lead& lead = *read;
        for (int k = 1; k < lead.length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80)
                return std::nullopt;
            lead.value = (lead.value << 6) | (b & 0x3F);
        }
        if (lead.value < lead.minimum || !IsScalarValue(lead.value))
            return std::nullopt;
        out.push_back(lead.value);
        i += static_cast<std::size_t>(lead.length);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    return DecodeUtf8(bytes).has_value();
}

std::string EncodeUtf8(std::u32string_view codePoints) {
    std::string out;
    for (const char32_t c : codePoints) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string UpperUtf8(std::string_view bytes) {
    std::optional<std::u32string> text = DecodeUtf8(bytes);
    if (!text)
        return std::string(bytes);
    // ASCII by its own rule: a name without other letters never loads the system's case tables.
    for (char32_t& c : *text)
        c = c < 0x80 ? (c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c) : UpperCaseOf(c);
    return EncodeUtf8(*text);
}

} // namespace bf
