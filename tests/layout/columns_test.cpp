#include "layout/columns.hpp"

#include "support/synthetic_page.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace quillstone::layout::columns {
namespace {

using test_support::SyntheticPage;
using text::lines::build_lines;
using text::lines::Line;

constexpr float inf = std::numeric_limits<float>::infinity();

struct Span {
    std::size_t count;
    float x0, x1;
};

// `count` boxes spanning [x0, x1] for every span.
std::vector<ir::Rect> boxes(std::initializer_list<Span> spans) {
    std::vector<ir::Rect> out;
    for (const Span& s : spans)
        for (std::size_t i = 0; i < s.count; ++i) out.push_back({s.x0, 0, s.x1, 10});
    return out;
}

TEST(Gutters, NeedTwoHundredBoxes) {
    EXPECT_TRUE(gutters(boxes({{99, 60, 290}, {100, 300, 550}}), 612).empty());
    EXPECT_EQ(gutters(boxes({{100, 60, 290}, {100, 300, 550}}), 612),
              (std::vector<Gutter>{{290, 300}}));
}

TEST(Gutters, ValleyMustBeNinePointsWide) {
    EXPECT_TRUE(gutters(boxes({{100, 60, 290}, {100, 298, 550}}), 612).empty());
    EXPECT_EQ(gutters(boxes({{100, 60, 290}, {100, 299, 550}}), 612),
              (std::vector<Gutter>{{290, 299}}));
    // Fractional edges widen the covered range to whole points.
    EXPECT_TRUE(gutters(boxes({{100, 60, 290.2f}, {100, 299.5f, 550}}), 612).empty());
}

TEST(Gutters, TwoValleysMakeThreeColumnsButThreeMakeNone) {
    EXPECT_EQ(gutters(boxes({{100, 40, 200}, {100, 212, 400}, {100, 412, 580}}), 612),
              (std::vector<Gutter>{{200, 212}, {400, 412}}));
    EXPECT_TRUE(gutters(boxes({{100, 20, 150}, {100, 162, 300}, {100, 312, 450}, {100, 462, 600}}),
                        612)
                    .empty());
}

TEST(Gutters, FlanksMustCarryHalfTheMedianCoverage) {
    // Columns of coverage 100, thinning to `flank` within 24 points of the valley.
    for (const auto& [flank, found] : {std::pair{40u, false}, std::pair{50u, true}}) {
        const auto rects = boxes({{100, 60, 250},
                                  {flank, 250, 290},
                                  {flank, 300, 340},
                                  {100, 340, 550}});
        EXPECT_EQ(gutters(rects, 612).size(), found ? 1u : 0u) << flank;
    }
    // Thin flanks further than 24 points away do not matter.
    EXPECT_EQ(gutters(boxes({{100, 60, 250}, {40, 250, 265}, {100, 265, 290}, {100, 300, 550}}),
                      612)
                  .size(),
              1u);
}

TEST(Gutters, ValleyMustBeDeeperThanHalfTheLowerFlank) {
    // A spike of 200 raises the threshold to 50 while the median stays 100; flanks of 60.
    for (const auto& [inner, found] : {std::pair{30u, true}, std::pair{31u, false}}) {
        const auto rects = boxes({{100, 60, 250},
                                  {100, 100, 110},
                                  {60, 250, 290},
                                  {inner, 290, 300},
                                  {60, 300, 340},
                                  {100, 340, 550}});
        EXPECT_EQ(gutters(rects, 612).size(), found ? 1u : 0u) << inner;
    }
}

TEST(Gutters, DeepestStretchOfAWideRunIsTheGutter) {
    // A low shoulder (coverage 20, under the threshold of 25) beside an empty valley: the gutter
    // is the empty stretch only.
    EXPECT_EQ(gutters(boxes({{100, 60, 280}, {20, 280, 290}, {100, 300, 550}}), 612),
              (std::vector<Gutter>{{290, 300}}));
}

TEST(Gutters, DegenerateInputGivesNone) {
    const auto two_columns = boxes({{100, 60, 290}, {100, 300, 550}});
    for (const float width : {0.0f, -5.0f, std::numeric_limits<float>::quiet_NaN(), inf})
        EXPECT_TRUE(gutters(two_columns, width).empty()) << width;
    auto odd = boxes({{300, std::numeric_limits<float>::quiet_NaN(), 10}});
    EXPECT_TRUE(gutters(odd, 612).empty());
    // A damaged page size does not make the histogram huge; the columns are still found.
    EXPECT_EQ(gutters(two_columns, 1e30f), (std::vector<Gutter>{{290, 300}}));
    // Boxes beyond the page are cut at its edge.
    EXPECT_EQ(gutters(boxes({{100, -50, 290}, {100, 300, 5000}}), 612),
              (std::vector<Gutter>{{290, 300}}));
}

TEST(PushGutter, ExaminesOneRunAndClampsItsWindows) {
    std::vector<std::uint32_t> histogram(40, 100);
    for (std::size_t i = 0; i < 10; ++i) histogram[i] = 0;
    std::vector<Gutter> out;
    // No left flank at the page edge: nothing.
    push_gutter(out, histogram, 100, 100, 0, 10);
    EXPECT_TRUE(out.empty());
    // An end past the histogram is limited to it; an empty run adds nothing.
    push_gutter(out, histogram, 100, 100, 30, 30);
    push_gutter(out, histogram, 100, 100, 35, 99);
    EXPECT_TRUE(out.empty());
}

TEST(DocumentSpine, NeedsThreeSingleGutterPagesMostlyAgreeing) {
    const std::vector<Gutter> g300{{295, 305}}, g305{{300, 310}}, g400{{395, 405}},
        g200{{195, 205}}, two{{100, 110}, {300, 310}}, none;
    using Pages = std::vector<std::vector<Gutter>>;
    EXPECT_EQ(document_spine(Pages{g300, g300}), std::nullopt);
    EXPECT_EQ(document_spine(Pages{g300, g300, two, none}), std::nullopt);
    EXPECT_EQ(document_spine(Pages{g300, g305, g300}), (Gutter{295, 305}));
    // Sorted centres 300, 305, 400: the median 305 has 300 within 12 points.
    EXPECT_EQ(document_spine(Pages{g400, g300, g305}), (Gutter{300, 310}));
    EXPECT_EQ(document_spine(Pages{g200, g300, g400}), std::nullopt);
    // Four entries, two agreeing with the upper median: exactly half is enough.
    EXPECT_EQ(document_spine(Pages{g200, g300, g305, g400}), (Gutter{300, 310}));
}

// A page of two columns (x 72..300 and 312..540), `count` lines each, from y = 100 + offset.
void two_columns(SyntheticPage& page, float top, std::size_t count) {
    test_support::prose_column(page, 72, top, 228, count);
    test_support::prose_column(page, 312, top, 228, count);
}

// The first page of a paper: full-width title and abstract lines above two columns.
SyntheticPage abstract_page() {
    SyntheticPage page;
    for (int i = 0; i < 16; ++i) {
        // Stagger the word positions so that no blank runs down the abstract.
        const float x = 72 + static_cast<float>((i * 7) % 28);
        test_support::prose_column(page, x, 80 + 12.0f * static_cast<float>(i), 460, 1);
    }
    two_columns(page, 300, 36);
    return page;
}

TEST(DocumentBands, FullWidthAbstractAboveTwoColumnsGetsABandOfItsOwn) {
    std::vector<ir::PageRaw> pages;
    pages.push_back(abstract_page().page);
    for (int i = 0; i < 3; ++i) {
        SyntheticPage column_page;
        two_columns(column_page, 80, 50);
        pages.push_back(column_page.page);
    }
    std::vector<std::vector<Line>> lines;
    for (const auto& p : pages) lines.push_back(build_lines(p));

    // The first page's own histogram sees no gutter through the abstract.
    EXPECT_TRUE(page_gutters(pages[0], lines[0]).empty());
    const auto spine_page = page_gutters(pages[1], lines[1]);
    ASSERT_EQ(spine_page.size(), 1u);

    const auto bands = document_bands(pages, lines);
    ASSERT_EQ(bands.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(bands[i], (std::vector<Band>{Band{spine_page, -inf, inf}}));
    ASSERT_EQ(bands[0].size(), 2u);
    EXPECT_TRUE(bands[0][0].gutters.empty());
    ASSERT_EQ(bands[0][1].gutters.size(), 1u);
    EXPECT_LE(std::abs((bands[0][1].gutters[0].lo + bands[0][1].gutters[0].hi) / 2 - 306), 12.0f);
    EXPECT_EQ(bands[0][0].top, -inf);
    EXPECT_EQ(bands[0][1].bottom, inf);
    // The boundary sits in the middle of the blank between the abstract and the columns.
    const float abstract_bottom = 80 + 12.0f * 15;
    const float columns_top = 300 - 7;
    EXPECT_EQ(bands[0][0].bottom, (abstract_bottom + columns_top) / 2);
    EXPECT_EQ(bands[0][1].top, bands[0][0].bottom);

    const auto cut = apply_bands(pages[0], lines[0], bands[0]);
    std::size_t full_width = 0, left = 0, right = 0;
    for (const Line& line : cut) {
        if (line.bbox.x1 - line.bbox.x0 > 300) ++full_width;
        else if (line.bbox.x1 <= 306) ++left;
        else if (line.bbox.x0 >= 306) ++right;
    }
    EXPECT_EQ(full_width, 16u);
    EXPECT_EQ(left, 36u);
    EXPECT_EQ(right, 36u);
    EXPECT_EQ(cut.size(), 16u + 72u);
}

TEST(DocumentBands, WithoutSpineEveryPageKeepsItsOwnGutters) {
    std::vector<ir::PageRaw> pages;
    pages.push_back(abstract_page().page);
    SyntheticPage column_page;
    two_columns(column_page, 80, 50);
    pages.push_back(column_page.page);
    pages.push_back(column_page.page);
    std::vector<std::vector<Line>> lines;
    for (const auto& p : pages) lines.push_back(build_lines(p));
    // Pages and line lists pair by position; the shorter list wins.
    lines.pop_back();
    const auto bands = document_bands(pages, lines);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0], (std::vector<Band>{Band{}}));
    EXPECT_EQ(bands[1], (std::vector<Band>{Band{page_gutters(pages[1], lines[1])}}));
}

TEST(SearchBands, StopsTwoLevelsDownAndSpansItsLines) {
    SyntheticPage page;
    for (int i = 0; i < 6; ++i) page.text("short line", 72, 100 + 30.0f * static_cast<float>(i));
    const auto lines = build_lines(page.page);
    std::vector<const Line*> refs;
    for (const Line& l : lines) refs.push_back(&l);
    std::vector<Band> out;
    search_bands(page.page, Gutter{300, 310}, refs, 0, out);
    // Equal gaps: the first split wins, so the parts are {0} and {1..5}, then {1} and {2..5}.
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].top, 93.0f);
    EXPECT_EQ(out[0].bottom, 100.0f);
    EXPECT_EQ(out[2].top, 153.0f);
    EXPECT_EQ(out[2].bottom, 250.0f);

    std::vector<Band> empty;
    search_bands(page.page, Gutter{300, 310}, {}, 0, empty);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].top, inf);
    EXPECT_EQ(empty[0].bottom, -inf);
}

TEST(ApplyBands, LinesGoToTheBandHoldingTheirCentre) {
    SyntheticPage page;
    page.text("alpha beta gamma delta", 100, 100);
    page.text("alpha beta gamma delta", 100, 200);
    const auto lines = build_lines(page.page);
    // Upper band without gutters, lower band with a gutter through the text.
    const std::vector<Band> bands{Band{{}, -inf, 150}, Band{{{146, 152}}, 150, inf}};
    const auto out = apply_bands(page.page, lines, bands);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].text(), "alpha beta gamma delta");
    EXPECT_EQ(out[1].text(), "alpha beta");
    EXPECT_EQ(out[2].text(), "gamma delta");

    // A line whose centre is not a number belongs to no band.
    auto odd = lines;
    odd[1].bbox.y0 = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(apply_bands(page.page, odd, bands).size(), 1u);
}

TEST(SplitAtGutters, ProseIsCutWhereAWideBlankHoldsTheGutterCentre) {
    const Gutter gutter{300, 312};  // centre 306
    struct Case {
        const char* left;
        float left_end;   // right edge of the last glyph before the blank
        float right_start;
        const char* right;
        std::size_t pieces;
    };
    const Case cases[] = {
        // Four prose words, a 20-point blank around 306, last glyph centre inside the gutter.
        {"alpha beta gamma", 305, 325, "delta", 2},
        // Only three prose words: the centres do not straddle the gutter, so no cut.
        {"alpha beta", 305, 325, "gamma", 1},
        // Three prose words whose glyph centres straddle the whole gutter: cut.
        {"alpha beta", 295, 315, "gamma", 2},
        // Four prose words but a blank narrower than twice the size: no cut.
        {"alpha beta gamma", 305, 324, "delta", 1},
        // Numbers and short words are not prose.
        {"12345 67890 ab cd", 305, 325, "x1y2z", 1},
    };
    for (const Case& c : cases) {
        SyntheticPage page;
        const std::string left = c.left;
        const float left_width = 5.0f * static_cast<float>(left.size()) -
                                 2.0f * static_cast<float>(std::count(left.begin(), left.end(), ' '));
        page.text(c.left, c.left_end - left_width, 100);
        page.text(c.right, c.right_start, 100);
        auto lines = build_lines(page.page);
        ASSERT_EQ(lines.size(), 1u);
        ASSERT_EQ(lines[0].bbox.x0 + left_width, c.left_end) << c.left;
        EXPECT_EQ(split_at_gutters(page.page, lines, {gutter}).size(), c.pieces)
            << c.left << " | " << c.right;
    }
}

TEST(SplitAtGutters, PiecesAreRebuiltAndSortedAndEmptyLinesDisappear) {
    SyntheticPage page;
    page.text("right side", 320, 100);
    page.text("left side", 100, 100.5f);
    page.text("next", 100, 120);
    page.glyph(U' ', 100, 200);
    auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 3u);

    // Without gutters nothing changes, not even the empty line.
    EXPECT_EQ(split_at_gutters(page.page, lines, {}), lines);

    const auto out = split_at_gutters(page.page, lines, {{200, 300}});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].text(), "right side");  // baseline 100 before 100.5
    EXPECT_EQ(out[0].baseline, 100.0f);
    EXPECT_EQ(out[1].text(), "left side");
    EXPECT_EQ(out[1].baseline, 100.5f);
    EXPECT_EQ(out[1].bbox.x1, 143.0f);
    EXPECT_EQ(out[2].text(), "next");
}

TEST(ProseWords, TrimAsciiPunctuationAndNeedThreeLetters) {
    Line line;
    for (const char* t : {"(alpha),", "ab.", "a1bc", "“quoted”", "x--y", "...", "naïve"}) {
        text::lines::Word w;
        w.text = t;
        line.words.push_back(w);
    }
    // alpha and naïve; curly quotes are not ASCII punctuation and are not letters either.
    EXPECT_EQ(prose_words(line), 2u);
}

} // namespace
} // namespace quillstone::layout::columns
