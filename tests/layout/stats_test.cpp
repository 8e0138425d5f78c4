#include "layout/stats.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace quillstone::layout::stats {
namespace {

using text::lines::Line;

Line line(float size, std::size_t glyphs, float baseline = 0) {
    Line l;
    l.size = size;
    l.baseline = baseline;
    l.placed.resize(glyphs);
    return l;
}

using Pages = std::vector<std::vector<Line>>;

TEST(StatsMeasure, BodySizeIsTheGlyphWeightedModeOfLineSizes) {
    struct Case {
        Pages pages;
        float body_size;
    };
    const Case cases[] = {
        {{{line(10, 50), line(12, 30)}}, 10},
        {{{line(12, 30)}, {line(10, 20), line(10.2f, 20)}}, 10},      // 10.2 joins the 10 bucket
        {{{line(10, 30), line(12, 30)}}, 12},                         // ties: the later bucket
        {{{line(10, 3), line(std::numeric_limits<float>::infinity(), 90)}}, 10},
        {{{line(0, 50), line(9, 10)}}, 10.0f},                        // a size of 0 wins: default
        {{}, 10.0f},
        {{{}, {}}, 10.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(Stats::measure(c.pages).body_size, c.body_size);
}

TEST(StatsMeasure, LeadingIsTheUpperMedianOfBodyBaselineSteps) {
    // Page 1: body lines 12 apart, a heading (size 14) in between that is skipped, two columns
    // at the same heights (a step of 0 is dropped); page 2: steps of 13 and a paragraph gap of
    // 30 (dropped, not below 2.5 × 10).
    const Pages pages{
        {line(10, 40, 100), line(14, 10, 106), line(10, 40, 112), line(10, 40, 112),
         line(10, 40, 124)},
        {line(10, 40, 300), line(10, 40, 313), line(10, 40, 343), line(10, 40, 356)},
    };
    const Stats s = Stats::measure(pages);
    EXPECT_EQ(s.body_size, 10.0f);
    // Kept steps: 12, 12 (page 1), 13, 13 (page 2): the upper median is 13.
    EXPECT_EQ(s.leading, 13.0f);
    EXPECT_EQ(measure_leading(pages, 10), 13.0f);
}

TEST(StatsMeasure, LeadingBoundsAreStrict) {
    for (const auto& [step, kept] : {std::pair{5.0f, false}, std::pair{5.01f, true},
                                     std::pair{25.0f, false}, std::pair{24.99f, true}}) {
        const Pages pages{{line(10, 40, 100), line(10, 40, 100 + step)}};
        EXPECT_EQ(measure_leading(pages, 10), kept ? (100 + step) - 100 : 12.0f) << step;
    }
}

TEST(StatsMeasure, DefaultsWithoutLinesOrPairs) {
    EXPECT_EQ(Stats::measure(Pages{}), (Stats{10.0f, 12.0f}));
    const Stats single = Stats::measure(Pages{{line(9, 40, 100)}});
    EXPECT_EQ(single.body_size, 9.0f);
    EXPECT_EQ(single.leading, 1.2f * 9.0f);
}

} // namespace
} // namespace quillstone::layout::stats
