#include "layout/furniture.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace quillstone::layout::furniture {
namespace {

using text::lines::Line;

constexpr float page_height = 1000.0f;
constexpr float header_y = 50.0f;   // top 12 %
constexpr float body_y = 500.0f;
constexpr float footer_y = 950.0f;  // bottom 12 %

Line line(const std::string& text, float baseline) {
    Line l;
    l.baseline = baseline;
    std::istringstream words(text);
    for (std::string w; words >> w;) {
        text::lines::Word word;
        word.text = w;
        l.words.push_back(word);
    }
    return l;
}

using Pages = std::vector<std::vector<Line>>;

// `count` pages, each with a body line; `decorate` adds margin lines per page index.
template <class Fn>
Pages document(std::size_t count, Fn decorate) {
    Pages pages(count);
    for (std::size_t i = 0; i < count; ++i) {
        pages[i].push_back(line("body text of page " + std::to_string(i), body_y));
        decorate(i, pages[i]);
    }
    return pages;
}

std::vector<float> heights(std::size_t count) { return std::vector<float>(count, page_height); }

std::size_t lines_left(const Pages& pages) {
    std::size_t n = 0;
    for (const auto& p : pages) n += p.size();
    return n;
}

TEST(Signature, NumbersAreWildcardsAndCaseAndSpaceVanish) {
    struct Case {
        const char* text;
        const char* signature;
    };
    const Case cases[] = {
        {"Page 12 of 30", "page#of#"},
        {"42", "#"},
        {"1 2", "##"},
        {"A1.2b", "a#.#b"},
        {"ÀÉ Straße", "àéstraße"},
        {"İstanbul", "i̇stanbul"},  // full mapping: i and a combining dot
        {"ΣΟΦΙΑ", "σοφια"},
        {"\u00B2\u0661", "\u00B2\u0661"},  // not ASCII digits: kept as they are
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(signature(line(c.text, 0)), c.signature) << c.text;
}

TEST(EdgeOf, MarginsAreTheOuterTwelvePercent) {
    EXPECT_EQ(edge_of(120, 1000), Edge::Top);
    EXPECT_EQ(edge_of(120.1f, 1000), std::nullopt);
    EXPECT_EQ(edge_of(880, 1000), Edge::Bottom);
    EXPECT_EQ(edge_of(879.9f, 1000), std::nullopt);
    EXPECT_EQ(edge_of(std::numeric_limits<float>::quiet_NaN(), 1000), std::nullopt);
}

TEST(Strip, PageNumbersGoFromFourPagesOn) {
    for (const std::size_t count : {3u, 4u}) {
        auto pages = document(count, [](std::size_t i, std::vector<Line>& p) {
            p.push_back(line(std::to_string(i + 1), footer_y));
        });
        const std::size_t removed = strip(pages, heights(count));
        EXPECT_EQ(removed, count == 4 ? 4u : 0u);
        EXPECT_EQ(lines_left(pages), count == 4 ? 4u : 6u);
    }
}

TEST(Strip, FooterOnHalfThePagesGoes) {
    // Six pages: a footer on three of them reaches half and is removed.
    auto three = document(6, [](std::size_t i, std::vector<Line>& p) {
        if (i < 3) p.push_back(line("Preprint", footer_y));
    });
    EXPECT_EQ(strip(three, heights(6)), 3u);
    // On two pages of different parity it stays.
    auto two = document(6, [](std::size_t i, std::vector<Line>& p) {
        if (i < 2) p.push_back(line("Preprint", footer_y));
    });
    EXPECT_EQ(strip(two, heights(6)), 0u);
}

TEST(Strip, AlternatingMarginsAreJudgedPerParity) {
    // Footer X on pages 0 and 2, footer Y on pages 1 and 3: neither reaches half of six pages,
    // but each recurs on two of the three pages of its parity and the two parities differ.
    auto pages = document(6, [](std::size_t i, std::vector<Line>& p) {
        if (i == 0 || i == 2) p.push_back(line("Even footer", footer_y));
        if (i == 1 || i == 3) p.push_back(line("Odd footer", footer_y));
    });
    EXPECT_EQ(strip(pages, heights(6)), 4u);

    // Different parities carry the same set: not alternating.
    auto same = document(6, [](std::size_t i, std::vector<Line>& p) {
        if (i < 4) p.push_back(line("Common footer", i < 2 ? footer_y : footer_y + 1));
        if (i == 0 || i == 2) p.push_back(line("Even", footer_y));
        if (i == 1) p.push_back(line("Odd", footer_y));
    });
    // "common footer" is on four pages (half of six is three): removed; "even" alone on parity 0
    // with nothing distinct on parity 1 does not alternate, so it stays.
    EXPECT_EQ(strip(same, heights(6)), 4u);
    EXPECT_EQ(lines_left(same), 6u + 3u);
}

TEST(Strip, RunningHeadsOfAuthorsAndTitleAlternate) {
    const auto heads = [](std::size_t i, std::vector<Line>& p) {
        p.push_back(line(i % 2 == 0 ? "A. Author and B. Author" : "A Title About Things", header_y));
    };
    // Ten pages: each head on five, which is half.
    auto ten = document(10, heads);
    EXPECT_EQ(strip(ten, heights(10)), 10u);
    // Nine pages: authors on five (half), title on four, removed because the top alternates.
    auto nine = document(9, heads);
    const Tally t = tally(nine, heights(9));
    EXPECT_EQ(alternates(t, Edge::Top, 0), (std::vector<std::string>{"a.authorandb.author"}));
    EXPECT_EQ(alternates(t, Edge::Top, 1), (std::vector<std::string>{"atitleaboutthings"}));
    EXPECT_EQ(alternates(t, Edge::Bottom, 0), std::nullopt);
    EXPECT_EQ(strip(nine, heights(9)), 9u);
}

TEST(Strip, AlternatesNeedsMoreThanTwoPagesOfTheParity) {
    // Five pages: parity 1 has only two pages, so no edge can alternate.
    auto pages = document(5, [](std::size_t i, std::vector<Line>& p) {
        p.push_back(line(i % 2 == 0 ? "even head" : "odd head", header_y));
    });
    const Tally t = tally(pages, heights(5));
    EXPECT_EQ(alternates(t, Edge::Top, 1), std::nullopt);
    // "even head" on three of five pages is half; "odd head" on two stays.
    EXPECT_EQ(strip(pages, heights(5)), 3u);
}

TEST(Strip, OnlyMarginLinesOfPagesWithAHeightAreTouched) {
    auto pages = document(4, [](std::size_t i, std::vector<Line>& p) {
        p.push_back(line("Journal", header_y));
        if (i == 0) p.push_back(line("Journal", body_y));  // same text, not in a margin
    });
    // Page 2 has no usable height and page 3 none at all: both are left alone, and the header
    // still counts twice out of four pages, which is half.
    std::vector<float> h{page_height, page_height, 0.0f};
    EXPECT_EQ(strip(pages, h), 2u);
    EXPECT_EQ(pages[0].size(), 2u);
    EXPECT_EQ(pages[2].size(), 2u);
    EXPECT_EQ(pages[3].size(), 2u);
}

TEST(Strip, EmptyLinesShareTheEmptySignature) {
    auto pages = document(4, [](std::size_t i, std::vector<Line>& p) {
        if (i < 2) p.push_back(line("", footer_y));
    });
    EXPECT_EQ(strip(pages, heights(4)), 2u);
}

TEST(Strip, AHighHeadingStaysUnlessItRecurs) {
    auto pages = document(4, [](std::size_t i, std::vector<Line>& p) {
        if (i == 0) p.push_back(line("Introduction", header_y));
        p.push_back(line(std::to_string(i + 1), footer_y));
    });
    EXPECT_EQ(strip(pages, heights(4)), 4u);
    EXPECT_EQ(pages[0].size(), 2u);
}

} // namespace
} // namespace quillstone::layout::furniture
