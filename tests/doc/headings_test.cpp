#include "doc/headings.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillstone::doc {
namespace {

TEST(RomanNumeral, CanonicalFormsFromTwoToThirtyNine) {
    for (const char* yes : {"II", "III", "IV", "VI", "IX", "XIV", "XIX", "XXXIX"})
        EXPECT_TRUE(is_roman_numeral(yes)) << yes;
    for (const char* no : {"", "I", "V", "X", "IIII", "VV", "IIX", "VX", "XL", "XXXX", "ii", "IVX",
                           "IL", "XIIII", "IV.", " II"})
        EXPECT_FALSE(is_roman_numeral(no)) << no;
}

TEST(NumberedHeading, Cases) {
    struct Case {
        const char* text;
        bool numbered;
        int depth; // 0: none
    };
    const Case cases[] = {
        {"1 Introduction", true, 1},
        {"2.3 Results", true, 2},
        {"3.1.4. Proof of the lemma", true, 3},
        {"A. Appendix", true, 1},
        {"IV. Experiments", true, 1},
        {"B.2 Details", true, 2},
        {"A.1.2 Deep", true, 3},
        {"1.2.3.4 Deep", true, 4},
        {"1.2.3.4.5 Deeper", false, 0},
        {"XIV. Late chapter", true, 1},
        {"1 \xC3\x89tude", true, 1},   // a non-ASCII letter starts the title
        {"2\u00A0Methods", true, 1},   // no-break space separates the number
        {"2019 was a year", false, 0}, // four digits
        {"1234 Words", false, 0},
        {"1) Introduction", false, 0},
        {"1 2 3", false, 0},
        {"Introduction", false, 0},
        {"A Study of", false, 0}, // a bare letter needs a dot
        {"IV Experiments", false, 0},
        {"A. Study", true, 1},
        {"1.", false, 0}, // no word after the number
        {"3 (see below)", false, 0},
        {"1..2 Gap", false, 0},
        {". Dots", false, 0},
        {"AB. Two letters", false, 0},
        {"IIII. Not canonical", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(numbered_heading(c.text), c.numbered) << c.text;
        const auto depth = numbering_depth(c.text);
        if (c.depth == 0) {
            EXPECT_FALSE(depth.has_value()) << c.text;
        } else {
            ASSERT_TRUE(depth.has_value()) << c.text;
            EXPECT_EQ(*depth, c.depth) << c.text;
        }
    }
}

struct H {
    std::string text;
    float size;
};

std::vector<int> levels(const std::vector<H>& headings) {
    std::vector<Block> blocks;
    for (const H& h : headings) {
        Block b;
        b.kind = BlockKind::Heading;
        b.text = h.text;
        b.size = h.size;
        blocks.push_back(b);
        // Interleaved paragraphs never take part, whatever their size or text.
        Block p;
        p.text = "2.1 Not a heading";
        p.size = 30.0f;
        blocks.push_back(p);
    }
    assign_heading_levels(blocks);
    std::vector<int> out;
    for (const Block& b : blocks) {
        if (b.kind == BlockKind::Heading) {
            out.push_back(b.level);
        } else {
            EXPECT_EQ(b.level, 0);
        }
    }
    return out;
}

TEST(HeadingLevels, UnnumberedRankBySize) {
    EXPECT_EQ(levels({{"Intro", 14.0f}, {"Methods", 12.0f}, {"Data", 12.1f}, {"Notes", 10.9f}}),
              (std::vector<int>{1, 2, 2, 3}));
}

TEST(HeadingLevels, UnnumberedBorrowTheLevelOfANumberedSize) {
    EXPECT_EQ(levels({{"2.1 Data", 11.0f}, {"Discussion", 11.1f}}), (std::vector<int>{2, 2}));
    EXPECT_EQ(levels({{"1 Introduction", 12.0f},
                      {"1.1 Setup", 11.0f},
                      {"Acknowledgements", 11.1f},
                      {"Appendix notes", 9.0f}}),
              (std::vector<int>{1, 2, 2, 3}));
}

TEST(HeadingLevels, FirstNumberedHeadingOfASizeDecides) {
    // The 12 pt size stands for depth 1 because "1 Intro" came first; the later "2.1" keeps its
    // own numbering, and the unnumbered 12 pt heading follows the first.
    EXPECT_EQ(levels({{"1 Intro", 12.0f}, {"2.1 Odd", 12.0f}, {"Summary", 12.2f}}),
              (std::vector<int>{1, 2, 1}));
}

TEST(HeadingLevels, SizeRankStopsAtSix) {
    std::vector<H> hs;
    for (int i = 0; i < 8; ++i)
        hs.push_back({"Level", 20.0f - static_cast<float>(i)});
    EXPECT_EQ(levels(hs), (std::vector<int>{1, 2, 3, 4, 5, 6, 6, 6}));
}

TEST(HeadingLevels, OddSizesAndNoHeadings) {
    // A single heading takes the top level, whatever its size.
    EXPECT_EQ(levels({{"Only", 7.0f}}), (std::vector<int>{1}));
    std::vector<Block> none(3);
    assign_heading_levels(none);
    EXPECT_EQ(none, std::vector<Block>(3));
}

} // namespace
} // namespace quillstone::doc
