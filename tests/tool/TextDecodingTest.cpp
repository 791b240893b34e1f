// Log text as UTF-8 and as UTF-16: valid UTF-8 stays what it is, anything else reads as Windows-1252.
#include "tool/TextDecoding.h"

#include <gtest/gtest.h>

namespace bf::test {
namespace {

struct DecodeCase {
    std::string bytes;
    std::string utf8;
    std::u16string utf16;
};

TEST(TextDecoding, EachLineAsUtf8WhenItIsValidElseAsWindows1252) {
    const DecodeCase cases[] = {
        {"PLAIN 7-BIT", "PLAIN 7-BIT", u"PLAIN 7-BIT"},
        {"", "", u""},
        {"\xC3\x84 20\xC2\xB0", "\xC3\x84 20\xC2\xB0", u"\u00C4 20\u00B0"}, // UTF-8 Ä 20°
        {"\xC4 20\xB0", "\xC3\x84 20\xC2\xB0", u"\u00C4 20\u00B0"},         // Latin-1 Ä 20°
        {"\x80\x9F", "\xE2\x82\xAC\xC5\xB8", u"\u20AC\u0178"},              // € Ÿ
        {"\x81\x9D", "\xC2\x81\xC2\x9D", u"\u0081\u009D"},                  // undefined in 1252
        {"\xE2\x82\xAC\x80", "\xC3\xA2\xE2\x80\x9A\xC2\xAC\xE2\x82\xAC",
         u"\u00E2\u201A\u00AC\u20AC"},                           // one bad byte
        {"\xEF\xBF\xBF", "\xEF\xBF\xBF", u"\uFFFF"},             // the last 16-bit one
        {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80", u"\U00010000"}, // the first beyond them
        {"\xF0\x9F\x9B\x97", "\xF0\x9F\x9B\x97", u"\U0001F6D7"}, // a surrogate pair
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"}, // the last one
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(DecodeTextToUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(DecodeTextToUtf16(c.bytes), c.utf16) << c.bytes;
    }
}

} // namespace
} // namespace bf::test
