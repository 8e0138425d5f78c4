#include "text/vocab.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quillstone::text::vocab {
namespace {

// The vocabulary needs only each line's word texts.
struct FakeWord {
    std::string text;
};
struct FakeLine {
    std::vector<FakeWord> words;
};
using Pages = std::vector<std::vector<FakeLine>>;

FakeLine line(const std::string& text) {
    FakeLine l;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        l.words.push_back({w});
    return l;
}

TEST(Vocabulary, CountsOnlyInteriorWords) {
    const Pages pages{
        {line("alpha beta"), line("one two three"), line("x Well-known 3D don't y")},
        {line("a TWO two b"), line("solo")},
        {},
    };
    const auto v = Vocabulary::build(pages);
    EXPECT_EQ(v.count("alpha"), 0u);
    EXPECT_EQ(v.count("beta"), 0u);
    EXPECT_EQ(v.count("one"), 0u);
    EXPECT_EQ(v.count("three"), 0u);
    EXPECT_EQ(v.count("two"), 3u); // case-insensitive
    EXPECT_EQ(v.count("Two"), 3u);
    EXPECT_EQ(v.count("well-known"), 1u);
    EXPECT_EQ(v.count("3D"), 0u);
    EXPECT_EQ(v.count("3d"), 0u);
    EXPECT_EQ(v.count("don't"), 0u);
    EXPECT_EQ(v.count(""), 0u);
}

TEST(Vocabulary, NonAsciiWords) {
    const auto v = Vocabulary::build(
        Pages{{line("a \xC3\x89TUDE b"), line("a \xC2\xAA b"), line("a \xC2\xA9x b")}});
    EXPECT_EQ(v.count("\xC3\xA9tude"), 1u); // full lower-casing
    EXPECT_EQ(v.count("\xC2\xAA"), 1u);     // U+00AA is the first letter admitted
    EXPECT_EQ(v.count("\xC2\xA9x"), 0u);    // U+00A9 never is
    EXPECT_EQ(v.count("ab\xFF"), 0u);       // damaged UTF-8
}

Vocabulary with_counts(const std::vector<std::pair<std::string, int>>& counts) {
    std::vector<FakeLine> lines;
    for (const auto& [word, n] : counts)
        for (int i = 0; i < n; ++i)
            lines.push_back(FakeLine{{{"x"}, {word}, {"y"}}});
    return Vocabulary::build(Pages{lines});
}

TEST(Vocabulary, Rejoin) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, int>> counts;
        const char* head;
        const char* tail;
        const char* joined; // nullptr: refused
    };
    const Case cases[] = {
        {"supported join", {{"algorithm", 3}}, "algo", "rithm", "algorithm"},
        {"tail too common", {{"algorithm", 3}, {"rithm", 2}}, "algo", "rithm", nullptr},
        {"exactly twice the tail", {{"algorithm", 4}, {"rithm", 2}}, "algo", "rithm", "algorithm"},
        {"joined never seen", {{"rithm", 0}}, "algo", "rithm", nullptr},
        {"capital continuation", {{"research", 5}}, "re", "Search", nullptr},
        {"accented capital", {{"re\xC3\xA9tude", 5}}, "re", "\xC3\x89tude", nullptr},
        {"one-character tail", {{"abc", 5}}, "ab", "c", nullptr},
        {"joined too short", {{"abcd", 5}}, "ab", "cd", nullptr},
        {"five characters in seven bytes",
         {{"\xC3\xA9t\xC3\xA9sa", 5}},
         "\xC3\xA9t",
         "\xC3\xA9sa",
         nullptr},
        {"six characters",
         {{"\xC3\xA9t\xC3\xA9sab", 5}},
         "\xC3\xA9t",
         "\xC3\xA9sab",
         "\xC3\xA9t\xC3\xA9sab"},
        {"empty head", {{"rithm", 0}, {"rhythm", 3}}, "", "rhythm", nullptr},
        {"digit in head", {{"ab3cdef", 5}}, "ab3", "cdef", nullptr},
        {"case kept", {{"experiment", 2}}, "Experi", "ment", "Experiment"},
        {"compound kept apart", {{"self", 4}, {"esteem", 4}}, "self", "esteem", nullptr},
        {"hyphenated compound",
         {{"state-of-the-art", 2}},
         "state-",
         "of-the-art",
         "state-of-the-art"},
    };
    for (const Case& c : cases) {
        const auto got = with_counts(c.counts).rejoin(c.head, c.tail);
        if (c.joined == nullptr) {
            EXPECT_FALSE(got.has_value()) << c.name << ": " << *got;
        } else {
            EXPECT_EQ(got, std::optional<std::string>(c.joined)) << c.name;
        }
    }
}

} // namespace
} // namespace quillstone::text::vocab
