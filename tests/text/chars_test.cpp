#include "text/chars.hpp"

#include <gtest/gtest.h>

namespace quillstone::text::chars {
namespace {

TEST(Chars, DecodeAdvancesOverDamagedText) {
    EXPECT_EQ(decode_at("\xC3\xA9x", 0), (Decoded{U'\u00E9', 2}));
    EXPECT_EQ(decode_at("\xF0\x9F\x98\x80", 0), (Decoded{U'\U0001F600', 4}));
    // Truncated, overlong, surrogate and stray continuation bytes each read as one U+FFFD byte.
    for (const char* bad : {"\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\x80", "\xFF"})
        EXPECT_EQ(decode_at(bad, 0), (Decoded{U'\uFFFD', 1})) << bad;
    EXPECT_EQ(decode_at("ab", 2), (Decoded{}));
    EXPECT_EQ(char_count("a\xC3\xA9\xE2\x82"), 4u);
}

TEST(Chars, TrimUsesUnicodeWhiteSpace) {
    EXPECT_EQ(trim("\u00A0 \t x y \u3000\n"), "x y");
    EXPECT_EQ(trim_start("\u2003x "), "x ");
    EXPECT_EQ(trim_end(" x\u202F"), " x");
    EXPECT_EQ(trim(" \u00A0 "), "");
    // A zero-width space is not White_Space.
    EXPECT_EQ(trim("\u200Bx"), "\u200Bx");
}

TEST(Chars, FullLowerCasing) {
    EXPECT_EQ(to_lower("Hello-World"), "hello-world");
    EXPECT_EQ(to_lower("\xC3\x89"
                       "COLE"),
              "\xC3\xA9"
              "cole");
    EXPECT_EQ(to_lower("\u0130"), "i\u0307"); // one character becomes two
    EXPECT_EQ(to_lower("\u039F\u0394\u039F\u03A3"), "\u03BF\u03B4\u03BF\u03C2");
}

TEST(Chars, Properties) {
    EXPECT_TRUE(is_alphabetic(U'\u00AA'));
    EXPECT_FALSE(is_alphabetic(U'\u00A9'));
    EXPECT_TRUE(is_uppercase(U'\u00C9'));
    EXPECT_FALSE(is_uppercase(U'\u00E9'));
    EXPECT_TRUE(is_white_space(U'\u0085'));
    for (const char32_t c : {U'7', U'\u0663', U'\u216B', U'\u00BD', U'\u00B2'})
        EXPECT_TRUE(is_numeric(c)) << static_cast<unsigned>(c);
    for (const char32_t c : {U'x', U'-', U'.', U'\u00A9'})
        EXPECT_FALSE(is_numeric(c)) << static_cast<unsigned>(c);
}

} // namespace
} // namespace quillstone::text::chars
