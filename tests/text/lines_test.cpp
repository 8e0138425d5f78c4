#include "text/lines.hpp"

#include "support/synthetic_page.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace quillstone::text::lines {
namespace {

using testing::SyntheticPage;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

std::vector<std::string> texts(const std::vector<Line>& lines) {
    std::vector<std::string> out;
    for (const Line& l : lines) out.push_back(l.text());
    return out;
}

// The line holding a glyph, or nullptr.
const Line* line_of(const std::vector<Line>& lines, std::uint32_t glyph) {
    for (const Line& l : lines)
        for (const Placed& p : l.placed)
            if (p.glyph == glyph) return &l;
    return nullptr;
}

Line line_over(std::initializer_list<std::uint32_t> glyphs) {
    Line line;
    for (const std::uint32_t g : glyphs) line.placed.push_back(Placed{g});
    return line;
}

TEST(BuildLines, EmptyPageHasNoLines) {
    SyntheticPage page;
    EXPECT_TRUE(build_lines(page.page).empty());
}

TEST(BuildLines, KeepsOnlyGlyphsWithinFiveDegreesOfHorizontal) {
    struct Case {
        float degrees;
        bool kept;
    };
    const Case cases[] = {{0, true},      {357, true},   {-3, true},    {183, false},
                          {90, false},    {-90, false},  {180, false},  {4.9f, true},
                          {5.2f, false},  {717, true}};
    for (const Case& c : cases) {
        SyntheticPage page;
        page.glyph(U'x', 100, 100);
        page.page.glyphs.back().angle = c.degrees * std::numbers::pi_v<float> / 180.0f;
        EXPECT_EQ(build_lines(page.page).size(), c.kept ? 1u : 0u) << c.degrees << " degrees";
    }
    for (const float angle : {nan, inf, -inf}) {
        SyntheticPage page;
        page.glyph(U'x', 100, 100);
        page.page.glyphs.back().angle = angle;
        EXPECT_TRUE(build_lines(page.page).empty());
    }
}

TEST(BuildLines, ClustersBaselinesWithinASizeRelativeTolerance) {
    struct Case {
        float size_a, size_b, dy;
        bool same_line;
    };
    const Case cases[] = {
        {10, 10, 2.7f, true},  {10, 10, 2.9f, false}, {10, 10, -2.7f, true},
        {10, 1, 0.5f, true},   {10, 1, 0.6f, false},  {1, 10, 0.5f, true},
        {20, 30, 5.5f, true},  {20, 30, 5.7f, false},
    };
    for (const Case& c : cases) {
        SyntheticPage page;
        // Far apart horizontally, so that script absorption cannot join them either.
        const auto a = page.glyph(U'a', 50, 100, c.size_a);
        const auto b = page.glyph(U'b', 300, 100 + c.dy, c.size_b);
        const auto lines = build_lines(page.page);
        EXPECT_EQ(line_of(lines, a) == line_of(lines, b), c.same_line)
            << c.size_a << " " << c.size_b << " " << c.dy;
    }
}

TEST(BuildLines, LooksBackAtEightClustersOnly) {
    for (const int small_clusters : {7, 8}) {
        SyntheticPage page;
        const auto first = page.glyph(U'A', 0, 100, 20);
        // Tiny glyphs on baselines of their own between the two large ones, far to the right.
        for (int k = 0; k < small_clusters; ++k)
            page.glyph(U'.', 400, 100.6f + 0.6f * static_cast<float>(k), 1);
        const auto second = page.glyph(U'B', 20, 105.5f, 20);
        const auto lines = build_lines(page.page);
        EXPECT_EQ(line_of(lines, first) == line_of(lines, second), small_clusters == 7)
            << small_clusters;
    }
}

TEST(BuildLines, SortsLinesByBaselineThenLeftEdge) {
    SyntheticPage page;
    page.text("right", 300, 100);
    page.text("lower", 50, 200);
    page.text("left", 50, 100.4f);
    page.text("top", 50, 50);
    // "left" shares the cluster anchored at 100, and its glyphs are put in x order.
    EXPECT_EQ(texts(build_lines(page.page)),
              (std::vector<std::string>{"top", "left right", "lower"}));
}

TEST(BuildLines, ExplicitSpacesDecideWordsRegardlessOfGaps) {
    SyntheticPage page;
    // Huge gaps inside the words, a tiny one at the space.
    page.glyph(U'a', 0, 100);
    page.glyph(U'b', 40, 100);
    page.glyph(U' ', 45, 100, 10, 0.1f);
    page.glyph(U'c', 45.1f, 100);
    page.glyph(U'd', 90, 100);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text(), "ab cd");
    ASSERT_EQ(lines[0].placed.size(), 4u);
    EXPECT_TRUE(lines[0].placed[2].space_before);
    EXPECT_EQ(lines[0].words[1].start, 2u);
    EXPECT_EQ(lines[0].words[1].end, 4u);
}

TEST(BuildLines, WithoutSpaceGlyphsWordsFollowTheGaps) {
    SyntheticPage page;
    page.text("the quick brown fox", 50, 100);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text(), "the quick brown fox");
    ASSERT_EQ(lines[0].words.size(), 4u);
    EXPECT_EQ(lines[0].words[1].text, "quick");
    EXPECT_EQ(lines[0].words[1].bbox.x0, page.page.glyphs[3].bbox.x0);
    EXPECT_EQ(lines[0].words[1].bbox.x1, page.page.glyphs[7].bbox.x1);
}

TEST(BuildLines, LeadingAndTrailingWhitespaceMarksNothing) {
    SyntheticPage page;
    page.text("  ab  cd  ", 50, 100, 10, 3, true);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].placed.size(), 4u);
    EXPECT_FALSE(lines[0].placed[0].space_before);
    EXPECT_TRUE(lines[0].placed[2].space_before);
    EXPECT_EQ(lines[0].text(), "ab cd");
}

TEST(BuildLines, WhitespaceOnlyClusterIsAnEmptyLine) {
    SyntheticPage page;
    page.glyph(U' ', 50, 100, 10, 4);
    page.glyph(U'\u00A0', 60, 100, 10, 4);
    page.text("word", 50, 200);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].placed.empty());
    EXPECT_TRUE(lines[0].words.empty());
    EXPECT_EQ(lines[0].text(), "");
    EXPECT_EQ(lines[0].bbox, (ir::Rect{50, 93, 64, 100}));
    EXPECT_EQ(lines[0].baseline, 100.0f);
}

TEST(BuildLines, ExpandedGlyphsContributeTheirExpansion) {
    SyntheticPage page;
    page.glyph(U'e', 50, 100);
    page.expanded("ffi", 55, 100);
    page.glyph(U'x', 60, 100);
    page.expanded("", 100, 100, 10, true);  // dangling index: no text
    page.expanded("", 105, 100, 10, true);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].placed.size(), 5u);
    ASSERT_EQ(lines[0].words.size(), 1u);
    EXPECT_EQ(lines[0].text(), "effix");
}

TEST(Recompute, SizeIsTheWidthWeightedModeAndLaterBucketsWinTies) {
    struct Case {
        std::vector<std::pair<float, float>> glyphs;  // size, width
        float size;
    };
    const Case cases[] = {
        {{{10, 5}, {12, 5}}, 12},                     // equal weights: the later bucket
        {{{12, 5}, {10, 5}}, 10},
        {{{10, 5}, {12, 4}}, 10},
        {{{10, 3}, {10.2f, 3}, {12, 5}}, 10},         // 10 and 10.2 share a bucket
        {{{10, 3}, {10.25f, 3}, {12, 5}}, 12},        // 0.25 apart: separate buckets
        {{{10, 0}, {12, 0.05f}}, 12},                 // widths below 0.1 weigh 0.1
        {{{nan, 50}, {9, 1}}, 9},                     // non-finite sizes are ignored
        {{{9, inf}, {8, 1}}, 8},                      // so are non-finite widths
    };
    for (const Case& c : cases) {
        SyntheticPage page;
        Line line;
        float x = 0;
        for (const auto& [size, width] : c.glyphs) {
            line.placed.push_back(
                Placed{page.add(ir::GlyphText::character(U'x'), {x, 90, x + width, 100}, 100, size)});
            x += 10;
        }
        recompute(page.page.glyphs, line);
        EXPECT_EQ(line.size, c.size);
    }
    SyntheticPage page;
    Line line = line_over({page.glyph(U'x', 0, 100, nan)});
    recompute(page.page.glyphs, line);
    EXPECT_EQ(line.size, 0.0f);
}

TEST(Recompute, BaselineIsTheUpperMedianOfDominantSizeOrigins) {
    SyntheticPage page;
    Line line = line_over({page.glyph(U'a', 0, 100), page.glyph(U'b', 10, 101),
                           page.glyph(U'2', 20, 95, 6)});
    recompute(page.page.glyphs, line);
    EXPECT_EQ(line.size, 10.0f);
    EXPECT_EQ(line.baseline, 101.0f);

    // No glyph of the dominant size (all ignored sizes): every origin counts.
    SyntheticPage odd;
    Line none = line_over({odd.glyph(U'a', 0, 100, nan), odd.glyph(U'b', 10, 104, nan),
                           odd.glyph(U'c', 20, 102, nan)});
    recompute(odd.page.glyphs, none);
    EXPECT_EQ(none.baseline, 102.0f);
}

TEST(Recompute, StyleNeedsAStrictMajorityAndEmptyLinesStayUntouched) {
    SyntheticPage page;
    const auto a = page.glyph(U'a', 0, 100);
    const auto b = page.glyph(U'b', 5, 100);
    const auto c = page.glyph(U'c', 10, 100);
    page.flags(a, ir::glyph_flags::bold | ir::glyph_flags::italic);
    page.flags(b, ir::glyph_flags::bold);
    Line three = line_over({a, b, c});
    recompute(page.page.glyphs, three);
    EXPECT_TRUE(three.bold);
    EXPECT_FALSE(three.italic);
    Line two = line_over({b, c});
    recompute(page.page.glyphs, two);
    EXPECT_FALSE(two.bold);
    EXPECT_EQ(two.bbox, (ir::Rect{5, 93, 15, 100}));

    Line empty;
    empty.bbox = {1, 2, 3, 4};
    empty.baseline = 7;
    empty.size = 9;
    const Line before = empty;
    recompute(page.page.glyphs, empty);
    EXPECT_EQ(empty, before);
}

TEST(WordGapThreshold, SeparatesTwoClearlyDifferentGapSizes) {
    struct Case {
        std::vector<float> gaps;
        float threshold;
    };
    const Case cases[] = {
        {{0, 0.01f, 0, 0.2f, 0.25f}, (0.01f + 0.2f) / 2},
        {{0.25f, 0, 0.2f, 0.01f, 0}, (0.01f + 0.2f) / 2},       // order does not matter
        {{nan, 0, inf, 0.01f, 0, 0.2f, 0.25f}, (0.01f + 0.2f) / 2},  // non-finite gaps left out
        {{0, 0.02f, 0.01f, 0.14f, 0.16f}, 0.1f},               // clamped up
        {{0, 0, 0, 0.5f, 0.6f}, 0.19f},                        // clamped down
        {{0.05f, 0.06f, 0.05f, 0.12f, 0.13f}, 0.19f},          // not clearly two-sized
        {{0.3f, 0.31f, 0.3f, 0.32f}, 0.19f},
        {{0, 0, 0, 0.09f, 0.09f}, 0.19f},                      // wide gaps below 0.1
        {{0, 0.5f, 0.6f}, 0.19f},                              // fewer than four gaps
        {{0.2f, 0.2f, 0.2f, 0.2f}, 0.19f},                     // all alike
        {{}, 0.19f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(word_gap_threshold(c.gaps), c.threshold) << ::testing::PrintToString(c.gaps);
    }
}

TEST(SegmentWords, ClampedThresholdSplitsGapsThatPlainLinesWouldJoin) {
    SyntheticPage page;
    page.gapped({0, 0.02f, 0.01f, 0.14f, 0.16f}, 0, 100);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text(), "abcd e f");

    // Widely spaced letters: every glyph a word of its own.
    SyntheticPage wide;
    wide.gapped({0.3f, 0.31f, 0.3f, 0.32f}, 0, 100);
    EXPECT_EQ(build_lines(wide.page)[0].text(), "a b c d e");
}

TEST(SegmentWords, ShortLinesUseTheDefaultThresholdStrictly) {
    for (const auto& [gap, words] : {std::pair{0.19f, 1u}, std::pair{0.1901f, 2u}}) {
        SyntheticPage page;
        // Size 1 so that the gap is the normalised gap without rounding.
        page.add(ir::GlyphText::character(U'a'), {-0.5f, 99, 0, 100}, 100, 1);
        page.add(ir::GlyphText::character(U'b'), {gap, 99, gap + 0.5f, 100}, 100, 1);
        Line line = line_over({0, 1});
        recompute(page.page.glyphs, line);
        segment_words(page.page, line);
        EXPECT_EQ(line.words.size(), words) << gap;
    }
}

TEST(SegmentWords, GapsAreMeasuredInTheSmallerSizeButNeverBelowOnePoint) {
    SyntheticPage page;
    // A 0.15-point gap between glyphs of size 0.5: divided by 1, not by 0.5, so one word.
    page.add(ir::GlyphText::character(U'a'), {0, 99, 0.25f, 100}, 100, 0.5f);
    page.add(ir::GlyphText::character(U'b'), {0.4f, 99, 0.65f, 100}, 100, 0.5f);
    // A 2.5-point gap between a 20-point and a 10-point glyph: 2.5 / 10 separates, where
    // 2.5 / 20 would not.
    page.add(ir::GlyphText::character(U'C'), {10, 80, 20, 100}, 100, 20);
    page.add(ir::GlyphText::character(U'd'), {22.5f, 93, 27.5f, 100}, 100, 10);
    Line line = line_over({0, 1, 2, 3});
    recompute(page.page.glyphs, line);
    segment_words(page.page, line);
    EXPECT_EQ(line.text(), "ab C d");
}

TEST(PushWord, IgnoresEmptyRangesAndEmptyTexts) {
    SyntheticPage page;
    Line line = line_over({page.glyph(U'a', 0, 100), page.glyph(U'b', 5, 100)});
    push_word(page.page.glyphs, line, 1, 1, "x");
    push_word(page.page.glyphs, line, 1, 0, "x");
    push_word(page.page.glyphs, line, 0, 2, "");
    EXPECT_TRUE(line.words.empty());
    push_word(page.page.glyphs, line, 0, 2, "ab");
    ASSERT_EQ(line.words.size(), 1u);
    EXPECT_EQ(line.words[0].bbox, (ir::Rect{0, 93, 10, 100}));
}

TEST(LineText, JoinsWordsWithSingleSpaces) {
    Line line;
    EXPECT_EQ(line.text(), "");
    for (const char* t : {"α", "β,", "γ"}) {
        Word w;
        w.text = t;
        line.words.push_back(w);
    }
    EXPECT_EQ(line.text(), "α β, γ");
}

} // namespace
} // namespace quillstone::text::lines
