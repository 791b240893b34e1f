#include "core/AsciiCase.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

TEST(AsciiCase, OnlyAsciiLettersPairUp) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"COM", "com", true},
        {"Setup", "sETUP", true},
        {"", "", true},
        {"bin", "bi", false},
        {"bi", "bin", false},
        // Neighbours of the letters differ from each other by the case bit alone, but are no letters.
        {"@", "`", false},
        {"[", "{", false},
        {"]", "}", false},
        // Bytes of UTF-8 letters are compared as they are: no case rule of any locale applies.
        {"\xC3\x84", "\xC3\xA4", false}, // Ä, ä
        {"\xC3\x84", "\xC3\x84", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(EqualNoCase(c.a, c.b), c.equal);
    }
}

TEST(AsciiCase, PrefixIsComparedWithoutRegardToCase) {
    EXPECT_TRUE(StartsWithNoCase("com7", "COM"));
    EXPECT_TRUE(StartsWithNoCase("Com", "COM"));
    EXPECT_FALSE(StartsWithNoCase("CO", "COM"));
    EXPECT_FALSE(StartsWithNoCase("CIM1", "COM"));
    EXPECT_TRUE(StartsWithNoCase("x", ""));
    EXPECT_EQ(AsciiUpper('z'), 'Z');
    EXPECT_EQ(AsciiUpper('a'), 'A');
    EXPECT_EQ(AsciiUpper('{'), '{');
    EXPECT_EQ(AsciiUpper('`'), '`');
}

} // namespace
} // namespace bf
