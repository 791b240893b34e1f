#include "core/Utf8Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace bf {
namespace {

TEST(Utf8Text, OnlyStrictUtf8IsValid) {
    using Decoded = std::optional<std::u32string>;
    const struct {
        std::string bytes;
        Decoded decoded;
    } cases[] = {
        {"", U""},
        {std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
        {"\x7F", U"\x7F"},                   // the last one-byte form
        {"\xC2\x80", U"\u0080"},             // the first two-byte form
        {"\xDF\xBF", U"\u07FF"},             // the last two-byte form
        {"\xE0\xA0\x80", U"\u0800"},         // the first three-byte form
        {"\xE1\x80\x80", U"\u1000"},         // a lead with its low bit set
        {"\xE2\x82\xAC", U"\u20AC"},         // €
        {"\xED\x9F\xBF", U"\uD7FF"},         // just below the surrogates
        {"\xEE\x80\x80", U"\uE000"},         // just above them
        {"\xEF\xBF\xBF", U"\uFFFF"},         // the last three-byte form
        {"\xF0\x90\x80\x80", U"\U00010000"}, // the first four-byte form
        {"\xF1\x80\x80\x80", U"\U00040000"}, // a lead with its low bit set
        {"\xF0\x9F\x98\x80", U"\U0001F600"}, // every group of bits different
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"}, // the last code point
        {"\xC3\xBC"
         "bung",
         U"\u00FCbung"},
        {"\xFC"
         "bung",
         Decoded{}},                         // Latin-1 ü
        {"\x80", Decoded{}},                 // continuation byte without a lead
        {"\xC3", Decoded{}},                 // sequence cut short
        {"\xC3\x28", Decoded{}},             // lead followed by no continuation
        {"\xC0\xAF", Decoded{}},             // overlong "/"
        {"\xC1\xBF", Decoded{}},             // overlong U+007F
        {"\xE0\x9F\xBF", Decoded{}},         // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", Decoded{}},     // overlong U+FFFF
        {"\xED\xA0\x80", Decoded{}},         // surrogate U+D800
        {"\xED\xBF\xBF", Decoded{}},         // surrogate U+DFFF
        {"\xF4\x90\x80\x80", Decoded{}},     // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", Decoded{}}, // five-byte form
        {"\xFF", Decoded{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeUtf8(c.bytes), c.decoded) << c.bytes;
        EXPECT_EQ(IsValidUtf8(c.bytes), c.decoded.has_value()) << c.bytes;
        if (c.decoded) {
            EXPECT_EQ(EncodeUtf8(*c.decoded), c.bytes);
        }
    }
}

TEST(Utf8Text, UpperCaseIsTheWholeTextOrNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"\xC3\xBC"
         "bung.hex",
         "\xC3\x9C"
         "BUNG.HEX"},                                                             // übung -> ÜBUNG
        {"\xC3\xA5\xC3\xA4\xC3\xB6\xC2\xB0", "\xC3\x85\xC3\x84\xC3\x96\xC2\xB0"}, // åäö° -> ÅÄÖ°
        {"\xCE\xB1\xCE\xB2", "\xCE\x91\xCE\x92"},                                 // Greek αβ -> ΑΒ
        {"\xC4\xB1", "I"},                                                        // dotless ı gets shorter
        {"\xC3\x9F", "\xC3\x9F"},                                                 // ß has no single capital
        {"\xE2\x82\xAC-1.bin", "\xE2\x82\xAC-1.BIN"},                             // no case: kept
        {"\xFC"
         "bung.hex",
         "\xFC"
         "bung.hex"}, // not UTF-8: byte for byte
        {"ab\xC0\xAF", "ab\xC0\xAF"},
        {"`az{@AZ[~\x7F", "`AZ{@AZ[~\x7F"}, // ASCII: only a to z change
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(UpperUtf8(in), out) << in;
}

} // namespace
} // namespace bf
