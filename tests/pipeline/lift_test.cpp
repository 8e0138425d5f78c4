#include "doc/assemble.hpp"
#include "pipeline/lift.hpp"
#include "support/lines_builder.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace quillstone::pipeline {
namespace {

using doc::Block;
using doc::BlockKind;
using layout::columns::Band;
using text::lines::Line;
using text::lines::testing::line_at;

constexpr float inf = std::numeric_limits<float>::infinity();

// Lines "l0", "l1", ... one leading apart.
PageLines numbered_lines(std::size_t n) {
    PageLines lines;
    for (std::size_t i = 0; i < n; ++i)
        lines.push_back(line_at("l" + std::to_string(i), 100.0f + 12.0f * static_cast<float>(i)));
    return lines;
}

std::vector<std::string> texts(const PageLines& lines) {
    std::vector<std::string> out;
    for (const Line& l : lines)
        out.push_back(l.text());
    return out;
}

std::vector<ir::PageRaw> pages_indexed(std::size_t n) {
    std::vector<ir::PageRaw> pages(n);
    for (std::size_t i = 0; i < n; ++i)
        pages[i].index = i;
    return pages;
}

TEST(LiftTables, WithoutDetectorEveryLineMapsToItself) {
    const auto pages = pages_indexed(2);
    const std::vector<PageLines> lines{numbered_lines(3), {}, numbered_lines(2)};
    const TablesLifted out = lift_tables(pages, lines, {}, 10.0f);
    EXPECT_TRUE(out.tables.empty());
    EXPECT_EQ(out.lines, lines); // the third list has no page and passes through
    EXPECT_EQ(out.source_indices, (std::vector<SourceIndices>{{0, 1, 2}, {}, {0, 1}}));
}

TEST(LiftTables, RemovesTableLinesAndRemembersTheirPlace) {
    const auto pages = pages_indexed(2);
    const std::vector<std::vector<ir::Rect>> figures{{}, {{1, 2, 3, 4}}};
    std::vector<std::vector<ir::Rect>> figures_seen;
    const TableDetector detect = [&](const ir::PageRaw& page, std::span<const Line> lines,
                                     std::span<const ir::Rect> page_figures, float body_size) {
        EXPECT_EQ(body_size, 9.5f);
        figures_seen.emplace_back(page_figures.begin(), page_figures.end());
        std::vector<FoundTable> found;
        if (page.index == 1 && lines.size() == 12) {
            found.push_back({{{"a", "b"}, {"1", "2"}}, {8, 7, 9, 40}, {10, 20, 30, 40}, 1});
            found.push_back({{{"x"}}, {}, {50, 60, 70, 80}, 0});
        }
        return found;
    };
    const TablesLifted out =
        lift_tables(pages, {numbered_lines(3), numbered_lines(12)}, figures, 9.5f, detect);

    EXPECT_EQ(figures_seen, figures);
    ASSERT_EQ(out.tables.size(), 2u);
    EXPECT_EQ(out.tables[0], (LiftedTable{1, 7, {10, 20, 30, 40}, {{{"a", "b"}, {"1", "2"}}, 1}}));
    // A table without member lines goes after everything on its page.
    EXPECT_EQ(out.tables[1].position, 12u);
    EXPECT_EQ(texts(out.lines[1]),
              (std::vector<std::string>{"l0", "l1", "l2", "l3", "l4", "l5", "l6", "l10", "l11"}));
    EXPECT_EQ(out.source_indices[1], (SourceIndices{0, 1, 2, 3, 4, 5, 6, 10, 11}));
    EXPECT_EQ(out.source_indices[0], (SourceIndices{0, 1, 2}));

    // Figure lists are found by the page's index, not its position.
    std::vector<ir::PageRaw> shifted = pages_indexed(1);
    shifted[0].index = 5;
    figures_seen.clear();
    (void)lift_tables(shifted, {numbered_lines(1)}, figures, 9.5f, detect);
    EXPECT_EQ(figures_seen, (std::vector<std::vector<ir::Rect>>{{}}));
}

TEST(ColumnRect, BoundedByTheGuttersOfTheLinesBand) {
    const ir::Rect page_union{50, 40, 550, 760};
    const std::vector<Band> bands{
        {{}, -inf, 200.0f},
        {{{295.0f, 305.0f}}, 200.0f, 400.0f},
        {{{195.0f, 205.0f}, {395.0f, 405.0f}}, 400.0f, inf},
    };
    struct Case {
        const char* name;
        float x0, baseline, x1;
        ir::Rect expected;
    };
    const Case cases[] = {
        {"band without gutters", 60, 100, 290, page_union},
        {"left column", 60, 300, 290, {50, 40, 295, 760}},
        {"right column", 310, 300, 540, {305, 40, 550, 760}},
        {"across the gutter", 60, 300, 540, page_union},
        {"middle of three columns", 210, 500, 390, {205, 40, 395, 760}},
        {"last of three columns", 410, 500, 540, {405, 40, 550, 760}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Line line = line_at("x", c.baseline, {c.x0, c.x1, 10.0f});
        EXPECT_EQ(column_rect(line, bands, page_union), c.expected);
    }
    EXPECT_EQ(column_rect(line_at("x", 300, {60, 290, 10}), {}, page_union), page_union);
}

TEST(LiftEquations, RemovesEquationLinesInStepWithTheirSourceIndices) {
    const auto pages = pages_indexed(1);
    std::vector<PageLines> lines{numbered_lines(6)};
    lines[0][1] = line_at("EQ  x^2  ", 112.0f);
    lines[0][4] = line_at("EQ", 148.0f);
    // Lines 3 and 4 of the reading order already went into a table.
    std::vector<SourceIndices> source{{0, 1, 2, 5, 6, 7}};

    std::vector<std::size_t> asked;
    std::vector<std::size_t> rewritten;
    EquationDetectors detectors;
    detectors.display = [&](const ir::PageRaw&, const ir::FontTable&, std::span<const Line> ls,
                            std::size_t i, const ir::Rect& column,
                            const std::vector<bool>& consumed) -> std::optional<FoundEquation> {
        asked.push_back(i);
        EXPECT_EQ(column, (ir::Rect{72, 92.5f, 300, 162.5f})); // no bands: the page's text
        EXPECT_EQ(consumed.size(), ls.size());
        const std::string text = ls[i].text();
        if (!text.starts_with("EQ"))
            return std::nullopt;
        // The detector returns the body after "EQ" as its LaTeX, spaces and all; an empty body
        // is no equation.
        return FoundEquation{
            {i, i + 1}, ls[i].words.size() > 1 ? "  x^2  " : " ", "(3)", 0.75f, {1, 2, 3, 4}};
    };
    detectors.inline_math = [&](const ir::PageRaw&, const ir::FontTable&, std::span<Line> ls,
                                std::size_t i) {
        rewritten.push_back(i);
        ls[i].words.back().text += "$";
    };

    const std::vector<LiftedEquation> found =
        lift_equations(pages, ir::FontTable{}, {}, lines, source, detectors);

    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], (LiftedEquation{0, 1, {1, 2, 3, 4}, {"x^2", "(3)", 0.75f}}));
    // Lines 1 and 2 were taken, so nobody asked about line 2.
    EXPECT_EQ(asked, (std::vector<std::size_t>{0, 1, 3, 4, 5}));
    EXPECT_EQ(rewritten, (std::vector<std::size_t>{0, 3, 4, 5}));
    EXPECT_EQ(texts(lines[0]), (std::vector<std::string>{"l0$", "l3$", "EQ$", "l5$"}));
    EXPECT_EQ(source[0], (SourceIndices{0, 5, 6, 7}));
}

TEST(LiftEquations, WithoutDetectorsNothingChanges) {
    const auto pages = pages_indexed(2);
    std::vector<PageLines> lines{numbered_lines(3), numbered_lines(2)};
    const std::vector<PageLines> before = lines;
    std::vector<SourceIndices> source{{0, 1, 4}};
    EXPECT_TRUE(lift_equations(pages, ir::FontTable{}, {}, lines, source).empty());
    EXPECT_EQ(lines, before);
    // The second list had no source indices; it maps to itself.
    EXPECT_EQ(source, (std::vector<SourceIndices>{{0, 1, 4}, {0, 1}}));
}

TEST(LiftEquations, BandsAreFoundByPageIndex) {
    std::vector<ir::PageRaw> pages = pages_indexed(1);
    pages[0].index = 1;
    const std::vector<std::vector<Band>> bands{{}, {{{{295.0f, 305.0f}}, -inf, inf}}};
    std::vector<PageLines> lines{
        {line_at("left", 100, {60, 290, 10}), line_at("right", 100, {310, 540, 10})}};
    std::vector<SourceIndices> source;
    std::vector<ir::Rect> columns;
    EquationDetectors detectors;
    detectors.display = [&](const ir::PageRaw&, const ir::FontTable&, std::span<const Line>,
                            std::size_t, const ir::Rect& column,
                            const std::vector<bool>&) -> std::optional<FoundEquation> {
        columns.push_back(column);
        return std::nullopt;
    };
    (void)lift_equations(pages, ir::FontTable{}, bands, lines, source, detectors);
    EXPECT_EQ(columns,
              (std::vector<ir::Rect>{{60, 92.5f, 295, 102.5f}, {305, 92.5f, 540, 102.5f}}));
}

Block text_block(std::size_t page, const char* text) {
    Block b;
    b.text = text;
    b.page = page;
    return b;
}

std::vector<std::string> labels(const doc::Document& d) {
    std::vector<std::string> out;
    for (const Block& b : d.blocks) {
        if (b.kind == BlockKind::Table)
            out.push_back("T" + b.table->rows[0][0]);
        else if (b.kind == BlockKind::Equation)
            out.push_back("E" + b.math->latex);
        else
            out.push_back(b.text);
    }
    return out;
}

LiftedTable table_at(std::size_t page, std::size_t position, std::string name) {
    return {page, position, {1, 2, 3, 4}, {{{std::move(name)}}, 0}};
}

LiftedEquation equation_at(std::size_t page, std::size_t position, std::string name) {
    return {page, position, {5, 6, 7, 8}, {std::move(name), std::nullopt, 0.5f}};
}

TEST(PlaceLifted, BetweenTheBlocksAroundItsReadingPosition) {
    doc::Document d;
    d.blocks = {text_block(0, "a"), text_block(0, "b"), text_block(0, "c"), text_block(0, "x"),
                text_block(2, "d")};
    // Page 0 lost lines 7 to 9 to a table; the blocks start at lines 0, 3 and 10. Block "x" has
    // an anchor outside its page's list and "d" none at all: each goes after everything else on
    // its page.
    const std::vector<std::size_t> anchors{0, 3, 7, 99};
    const std::vector<SourceIndices> source{{0, 1, 2, 3, 4, 5, 6, 10, 11}, {}, {0, 1}};
    place_lifted(d, anchors, source,
                 {table_at(1, 0, "next page"), table_at(0, 7, "7"), table_at(0, 12, "12"),
                  table_at(0, 7, "7 again"), table_at(3, 0, "end")},
                 {equation_at(0, 7, "7"), equation_at(0, 0, "0")});
    EXPECT_EQ(labels(d), (std::vector<std::string>{"E0", "a", "b", "T7", "T7 again", "E7", "c",
                                                   "T12", "x", "Tnext page", "d", "Tend"}));
    const Block& table = d.blocks[3];
    EXPECT_EQ(table.page, 0u);
    EXPECT_EQ(table.bbox, (ir::Rect{1, 2, 3, 4}));
    EXPECT_EQ(table.size, 0.0f);
    EXPECT_TRUE(table.text.empty());
    EXPECT_FALSE(table.math);
    const Block& equation = d.blocks[0];
    EXPECT_EQ(equation.math, (doc::MathData{"0", std::nullopt, 0.5f}));
    EXPECT_EQ(equation.bbox, (ir::Rect{5, 6, 7, 8}));
}

TEST(PlaceLifted, BlocksAssembledFromTheRemainingLines) {
    // A paragraph, a three-row table and another paragraph: after lifting, the table lands
    // between the paragraphs although assembly never saw its lines.
    PageLines page{line_at("the first paragraph runs on", 100.0f),
                   line_at("and ends right here today", 112.0f),
                   line_at("row one of table", 140.0f),
                   line_at("row two of table", 152.0f),
                   line_at("row three of table", 164.0f),
                   line_at("the second paragraph follows", 200.0f),
                   line_at("the table and closes it", 212.0f)};
    const auto pages = pages_indexed(1);
    const TableDetector detect = [](const ir::PageRaw&, std::span<const Line>,
                                    std::span<const ir::Rect>, float) {
        return std::vector<FoundTable>{{{{"grid"}}, {2, 3, 4}, {72, 130, 300, 170}, 0}};
    };
    TablesLifted lifted = lift_tables(pages, {page}, {}, 10.0f, detect);
    doc::Assembled assembled =
        doc::assemble_placed(lifted.lines, {}, text::vocab::Vocabulary{}, 10.0f, 12.0f);
    place_lifted(assembled.document, assembled.line_anchors, lifted.source_indices,
                 std::move(lifted.tables), {});
    EXPECT_EQ(
        labels(assembled.document),
        (std::vector<std::string>{"the first paragraph runs on and ends right here today", "Tgrid",
                                  "the second paragraph follows the table and closes it"}));
}

Block caption(std::size_t page, ir::Rect box) {
    Block b = text_block(page, "Figure 1: A caption");
    b.kind = BlockKind::Caption;
    b.bbox = box;
    return b;
}

TEST(CaptionFor, NearestCaptionWithinReach) {
    const ir::Rect figure{100, 100, 300, 300};
    struct Case {
        const char* name;
        std::vector<Block> blocks;
        std::optional<std::size_t> found;
    };
    Block paragraph = text_block(0, "Figure 2: not a caption block");
    paragraph.bbox = {100, 310, 300, 320};
    const Case cases[] = {
        {"80 points below", {caption(0, {100, 380, 300, 390})}, 0},
        {"95 points below", {caption(0, {100, 395, 300, 405})}, std::nullopt},
        {"above", {caption(0, {100, 60, 300, 70})}, 0},
        {"nearer wins", {caption(0, {100, 350, 300, 360}), caption(0, {100, 60, 300, 80})}, 1},
        {"overlapping beats outside",
         {caption(0, {100, 300, 300, 310}), caption(0, {120, 280, 280, 295})},
         1},
        {"earliest on ties", {caption(0, {100, 320, 300, 330}), caption(0, {100, 70, 300, 80})}, 0},
        {"other page", {caption(1, {100, 310, 300, 320})}, std::nullopt},
        {"beside, not under", {caption(0, {300, 310, 400, 320})}, std::nullopt},
        {"only captions", {paragraph}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(caption_for(c.blocks, 0, figure), c.found);
    }
}

TEST(InsertFigure, AfterTheTextAboveIt) {
    auto at = [](std::size_t page, ir::Rect box, const char* text) {
        Block b = text_block(page, text);
        b.bbox = box;
        return b;
    };
    const std::vector<Block> blocks{
        at(0, {100, 50, 300, 90}, "above"),
        at(0, {320, 50, 500, 90}, "right column"),
        at(0, {100, 320, 300, 400}, "below"),
        at(1, {100, 50, 300, 90}, "next page"),
    };
    struct Case {
        const char* name;
        std::size_t page;
        ir::Rect figure;
        std::size_t index;
    };
    const Case cases[] = {
        {"under the text above", 0, {100, 100, 300, 300}, 1},
        {"under the right column", 0, {350, 100, 450, 300}, 2},
        {"top of a page", 1, {100, 10, 300, 40}, 3},
        {"page without text", 2, {100, 10, 300, 40}, 4},
        {"top of the first page", 0, {100, 0, 300, 40}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Block> edited = blocks;
        EXPECT_EQ(insert_figure(edited, c.page, c.figure, "assets/figure-001.png"), c.index);
        ASSERT_EQ(edited.size(), blocks.size() + 1);
        const Block& f = edited[c.index];
        EXPECT_EQ(f.kind, BlockKind::Figure);
        EXPECT_EQ(f.page, c.page);
        EXPECT_EQ(f.bbox, c.figure);
        EXPECT_EQ(f.asset, "assets/figure-001.png");
        EXPECT_TRUE(f.text.empty());
        EXPECT_EQ(f.size, 0.0f);
    }
}

TEST(DropTextInsideFigures, ShortTextsNearAFigureGo) {
    const std::vector<FigurePlacement> figures{{0, {100, 100, 300, 300}}};
    auto near = [](const char* text, float centre_x, BlockKind kind = BlockKind::Paragraph) {
        Block b = text_block(0, text);
        b.kind = kind;
        b.bbox = {centre_x - 5, 195, centre_x + 5, 205};
        return b;
    };
    const std::string five = "one two three four five";
    const std::string twelve = "a b c d e f g h i j k l";
    const std::string thirteen = twelve + " m";
    std::vector<Block> blocks{
        near(five.c_str(), 310),                      // 10 points outside: a legend
        near(thirteen.c_str(), 310),                  // a sentence
        near(twelve.c_str(), 318),                    // on the margin's edge
        near(five.c_str(), 318.5f),                   // just past it
        near("Figure 1: x", 310, BlockKind::Caption), // captions always stay
        near("a heading", 200, BlockKind::Heading),   // any other short text goes
        near("x", 200, BlockKind::Equation),
    };
    Block elsewhere = near(five.c_str(), 200);
    elsewhere.page = 1;
    blocks.push_back(elsewhere);

    std::vector<Block> untouched = blocks;
    drop_text_inside_figures(untouched, {});
    EXPECT_EQ(untouched, blocks);

    drop_text_inside_figures(blocks, figures);
    std::vector<std::string> kept;
    for (const Block& b : blocks)
        kept.push_back(b.text + "@" + std::to_string(static_cast<int>(b.bbox.x0 + 5)));
    EXPECT_EQ(kept, (std::vector<std::string>{thirteen + "@310", five + "@318", "Figure 1: x@310",
                                              "x@200", five + "@200"}));
}

} // namespace
} // namespace quillstone::pipeline
