#include "app/TextDecoding.h"

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

QString FromWindows1252(std::string_view bytes) {
    QString text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool inTable = b >= kTableStart && b < kTableStart + kWindows1252High.size();
        text.append(QChar(inTable ? kWindows1252High[b - kTableStart] : char16_t{b}));
    }
    return text;
}

} // namespace

QString DecodeText(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromWindows1252(bytes);
}

} // namespace bf
