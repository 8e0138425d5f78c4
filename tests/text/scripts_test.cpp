#include "text/scripts.hpp"

#include "support/synthetic_page.hpp"
#include "text/lines.hpp"

#include <gtest/gtest.h>

namespace quillstone::text::scripts {
namespace {

using lines::build_lines;
using lines::Line;
using test_support::SyntheticPage;

std::vector<std::string> texts(const std::vector<Line>& lines) {
    std::vector<std::string> out;
    for (const Line& l : lines) out.push_back(l.text());
    return out;
}

const lines::Placed* placed_of(const std::vector<Line>& lines, std::uint32_t glyph) {
    for (const Line& l : lines)
        for (const lines::Placed& p : l.placed)
            if (p.glyph == glyph) return &p;
    return nullptr;
}

// A mark of the given size right after "word" (10 pt, baseline 100, ink 93..100), raised so
// that its box overlaps the word's by a third of its own height.
std::pair<SyntheticPage, std::uint32_t> footnote_mark(float size, float height_ratio = 0.7f) {
    SyntheticPage page;
    const float end = page.text("word", 50, 100);
    const float h = height_ratio * size;
    const float bottom = 93.0f + h / 3.0f;
    const auto mark =
        page.add(ir::GlyphText::character(U'1'), {end, bottom - h, end + 0.5f * size, bottom},
                 bottom, size);
    return {page, mark};
}

TEST(AbsorbScripts, RaisedSmallMarkJoinsItsLineAsSuperscript) {
    auto [page, mark] = footnote_mark(7);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text(), "word1");
    ASSERT_NE(placed_of(lines, mark), nullptr);
    EXPECT_EQ(placed_of(lines, mark)->script, lines::script::superscript);
    // The host keeps its own baseline and size.
    EXPECT_EQ(lines[0].baseline, 100.0f);
    EXPECT_EQ(lines[0].size, 10.0f);
}

TEST(AbsorbScripts, MarkMustBeClearlySmallerAndHaveHeight) {
    const auto large = footnote_mark(8.6f).first;  // above 0.85 of the host size
    EXPECT_EQ(texts(build_lines(large.page)), (std::vector<std::string>{"1", "word"}));
    const auto flat = footnote_mark(7, 0.0f).first;  // zero height
    EXPECT_EQ(build_lines(flat.page).size(), 2u);
}

TEST(AbsorbScripts, LongRunsMustSitCloseToTheHostBaseline) {
    for (const auto& [count, absorbed] : {std::pair{19, true}, std::pair{25, false}}) {
        SyntheticPage page;
        // Host ink reaching below the baseline, so that a run 7 points lower still overlaps it.
        for (int k = 0; k < 30; ++k) {
            const float x = 50 + 5.0f * static_cast<float>(k);
            page.add(ir::GlyphText::character(U'h'), {x, 92, x + 5, 105}, 100, 10);
        }
        std::vector<std::uint32_t> run;
        for (int k = 0; k < count; ++k)
            run.push_back(page.glyph(U's', 60 + 3.0f * static_cast<float>(k), 107, 6, 3));
        const auto lines = build_lines(page.page);
        EXPECT_EQ(lines.size(), absorbed ? 1u : 2u) << count;
        if (absorbed) {
            for (const auto g : run) EXPECT_EQ(placed_of(lines, g)->script, lines::script::subscript);
        }
    }
}

TEST(AbsorbScripts, BodyLineBesideAHeadingInTheNextColumnStaysItsOwnLine) {
    // A two-column page: the left column's body lines run up to x = 300, a 14-point heading
    // starts the right column at x = 311, its baseline between the two body baselines.
    SyntheticPage page;
    page.text("overfittingwhenonlyafewseasonsofgaugerecordsare", 57, 486.3f, 9.96f);
    page.text("availableOurcontributionisacompromisealatticeover", 57, 498.2f, 9.96f);
    page.text("3Experiments", 311, 494.0f, 14.35f);
    const auto lines = build_lines(page.page);
    EXPECT_EQ(texts(lines),
              (std::vector<std::string>{"overfittingwhenonlyafewseasonsofgaugerecordsare",
                                        "3Experiments",
                                        "availableOurcontributionisacompromisealatticeover"}));
}

TEST(AbsorbScripts, GlyphOnTheHostBaselineIsASubscript) {
    SyntheticPage page;
    page.glyph(U'a', 50, 100);
    page.glyph(U'b', 55, 102);  // same cluster; the upper median makes the baseline 102
    const auto index = page.glyph(U'2', 60, 102, 5);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].baseline, 102.0f);
    EXPECT_EQ(placed_of(lines, index)->script, lines::script::subscript);
}

TEST(AbsorbScripts, AnAbsorbedLineHostsNothing) {
    SyntheticPage page;
    page.add(ir::GlyphText::character(U'B'), {50, 80, 60, 100}, 100, 20);
    // Overlaps the big glyph and hangs below it; absorbed into it.
    page.add(ir::GlyphText::character(U'm'), {60, 96, 65, 108}, 106, 10);
    // Overlaps only the medium glyph, which is no host once absorbed.
    const auto small = page.add(ir::GlyphText::character(U's'), {65, 106.5f, 67, 109.3f}, 110, 4);
    const auto lines = build_lines(page.page);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(placed_of(lines, small)->script, lines::script::none);
}

// A 30-point capital whose baseline is that of the paragraph's third line.
struct DropCapital {
    char32_t letter = U'T';
    float size = 30;
    bool expanded = false;
    bool alone = false;
};

std::vector<Line> drop_capital_page(const DropCapital& c) {
    SyntheticPage page;
    page.text("he quick brown fox jumps over", 77, 100);
    // A capital alone on its line stands beside only the first line here: a long line passing
    // through its height would become its superscript instead.
    if (!c.alone) {
        page.text("the lazy dog and runs far away", 78, 112);
        page.text("from here", 78, 124);
    }
    const ir::Rect box{52, 124 - 31, 76, 124};
    if (c.expanded) {
        page.page.expansions.push_back("Th");
        page.add(ir::GlyphText::expanded(0), box, 124, c.size);
    } else {
        page.add(ir::GlyphText::character(c.letter), box, 124, c.size);
    }
    return build_lines(page.page);
}

TEST(ReuniteDropCapitals, CapitalMovesToTheFirstLineOfItsParagraph) {
    EXPECT_EQ(texts(drop_capital_page({})),
              (std::vector<std::string>{"The quick brown fox jumps over",
                                        "the lazy dog and runs far away", "from here"}));
    EXPECT_EQ(texts(drop_capital_page({.letter = U'É'}))[0], "Éhe quick brown fox jumps over");
}

TEST(ReuniteDropCapitals, OnlyOutsizedCapitalLettersMove) {
    const DropCapital cases[] = {
        {.letter = U'1'}, {.letter = U't'}, {.expanded = true}, {.size = 61}, {.alone = true}};
    for (const DropCapital& c : cases) {
        const auto lines = drop_capital_page(c);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0].text(), "he quick brown fox jumps over")
            << c.size << " " << c.alone;
    }
}

TEST(ReuniteDropCapitals, TargetMustStartNearTheCapitalAndBelowItsTop) {
    struct Case {
        float first_x, cap_top;
        bool moves;
    };
    const Case cases[] = {
        {73.5f, 93, true},  // capital's right edge - 2.5
        {73.4f, 93, false},
        {96, 93, true},     // right edge + 20
        {96.1f, 93, false},
        {77, 100, false},   // first baseline not below the capital's top: the second line wins
    };
    for (const Case& c : cases) {
        SyntheticPage page;
        page.text("first line of text here", c.first_x, 100);
        page.text("second line of text", 78, 112);
        page.text("third line here", 78, 124);
        page.add(ir::GlyphText::character(U'W'), {52, c.cap_top, 76, 124}, 124, 30);
        const auto lines = build_lines(page.page);
        ASSERT_EQ(lines.size(), 3u);
        const bool first_moved = !lines[0].text().starts_with("first");
        const bool second_moved = !lines[1].text().starts_with("second");
        EXPECT_EQ(first_moved, c.moves) << c.first_x << " " << c.cap_top;
        if (c.cap_top == 100) {
            EXPECT_TRUE(second_moved);
        }
    }
}

TEST(ReuniteDropCapitals, PairsAreFoundBeforeAnyIsApplied) {
    SyntheticPage page;
    page.text("alpha beta gamma", 77, 100);
    page.text("delta", 78, 124);
    page.add(ir::GlyphText::character(U'Q'), {52, 93, 76, 124}, 124, 30);
    auto built = build_lines(page.page);
    // Already reunited: nothing further to do.
    EXPECT_TRUE(reunite_drop_capitals(page.page, built).empty());
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[0].placed.front().glyph, page.page.glyphs.size() - 1);

    // A pair within one line, or from a line down to its last glyph, changes nothing.
    Line single;
    single.placed.push_back(built[1].placed.front());
    lines::recompute(page.page.glyphs, single);
    lines::segment_words(page.page, single);
    std::vector<Line> lines{single, built[0]};
    const std::vector<Line> before = lines;
    apply_drop_capital(page.page, lines, Move{0, 1});
    apply_drop_capital(page.page, lines, Move{1, 1});
    EXPECT_EQ(lines, before);
}

} // namespace
} // namespace quillstone::text::scripts
