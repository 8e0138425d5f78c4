#include "doc/assemble.hpp"
#include "support/lines_builder.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quillstone::doc {
namespace {

using text::lines::Line;
using text::lines::testing::line_at;
using text::lines::testing::LineSpec;
using text::lines::testing::vocabulary_of;
using text::vocab::Vocabulary;
using Pages = std::vector<std::vector<Line>>;

constexpr float body_size = 10.0f;
constexpr float leading = 12.0f;
constexpr LineSpec wide{};                       // 72..300, the widest line of every test page
constexpr LineSpec narrow{72.0f, 150.0f, 10.0f}; // about a third of it

Assembled assemble(const Pages& pages, const Vocabulary& vocabulary = {},
                   float leading_pt = leading,
                   std::vector<float> heights = {792.0f, 792.0f, 792.0f}) {
    return assemble_placed(pages, heights, vocabulary, body_size, leading_pt);
}

std::vector<std::string> texts(const Assembled& a) {
    std::vector<std::string> out;
    for (const Block& b : a.document.blocks)
        out.push_back(b.text);
    return out;
}

LineSpec sized(LineSpec layout, float size, bool bold = false) {
    layout.size = size;
    layout.bold = bold;
    return layout;
}

TEST(AssemblePlaced, DegenerateInput) {
    EXPECT_EQ(assemble({}), Assembled{});
    EXPECT_EQ(assemble({{}, {}}), Assembled{});
    // A line without words makes no block and no anchor; the next group's anchor is its own
    // index in the page's list.
    const Assembled a = assemble({{line_at("", 100.0f), line_at("four words in here", 200.0f)}});
    EXPECT_EQ(texts(a), (std::vector<std::string>{"four words in here"}));
    EXPECT_EQ(a.line_anchors, (std::vector<std::size_t>{1}));
}

TEST(AssemblePlaced, GroupsConsecutiveLinesOfOneSize) {
    struct Case {
        const char* name;
        float first_size;
        float second_baseline;
        float second_size;
        std::vector<std::size_t> anchors;
    };
    // With a leading of 10 the gap limit is 14.5 points.
    const Case cases[] = {
        {"exactly 1.45 leadings", 10.0f, 114.5f, 10.0f, {0}},
        {"1.46 leadings", 10.0f, 114.6f, 10.0f, {0, 1}},
        {"same baseline", 10.0f, 100.0f, 10.0f, {0, 1}},
        {"above", 10.0f, 90.0f, 10.0f, {0, 1}},
        {"size step of 0.5", 10.5f, 112.0f, 10.0f, {0, 1}},
        {"size step of 0.4", 10.4f, 112.0f, 10.0f, {0}},
        // Larger type spreads its lines further: 17-point title lines 21 points apart are one
        // group (the limit grows to 14.5 x 1.7 = 24.65), 25 points apart they are not.
        {"large type, its own spacing", 17.0f, 121.0f, 17.0f, {0}},
        {"large type, a gap", 17.0f, 125.0f, 17.0f, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Assembled a = assemble(
            {{line_at("one two three four", 100.0f, sized(wide, c.first_size)),
              line_at("five six seven eight", c.second_baseline, sized(wide, c.second_size))}},
            {}, 10.0f);
        EXPECT_EQ(a.line_anchors, c.anchors);
        ASSERT_EQ(a.document.blocks.size(), c.anchors.size());
        if (c.anchors.size() == 1) {
            const Block& b = a.document.blocks[0];
            EXPECT_EQ(b.text, "one two three four five six seven eight");
            EXPECT_EQ(b.size, c.first_size);
            EXPECT_EQ(b.bbox.y0, 100.0f - 0.75f * c.first_size);
            EXPECT_EQ(b.bbox.y1, c.second_baseline + 0.25f * c.second_size);
        }
    }
}

TEST(AssemblePlaced, JoinsLinesMendingBrokenWords) {
    struct Case {
        const char* name;
        const char* first;
        float first_x1;
        const char* second;
        bool vocabulary;
        const char* joined;
    };
    const Case cases[] = {
        {"known word", "we use a multi-", 300.0f, "column layout here", true,
         "we use a multicolumn layout here"},
        {"unknown word keeps the hyphen", "we use a multi-", 300.0f, "column layout here", false,
         "we use a multi-column layout here"},
        {"short line", "we use a multi-", 289.0f, "column layout here", true,
         "we use a multi- column layout here"},
        {"short by exactly one size", "we use a multi-", 290.0f, "column layout here", true,
         "we use a multicolumn layout here"},
        {"lone hyphen", "values run to -", 300.0f, "column layout here", true,
         "values run to - column layout here"},
        {"compound", "the state-", 300.0f, "of-the-art method", false,
         "the state-of-the-art method"},
        {"digits after the hyphen", "the COVID-", 300.0f, "19 cases rose", false,
         "the COVID-19 cases rose"},
        {"punctuation after the hyphen", "the multi-", 300.0f, "(x) case here", true,
         "the multi- (x) case here"},
        {"unicode hyphen", "we use a multi\u2010", 300.0f, "column layout here", true,
         "we use a multicolumn layout here"},
        {"split without hyphen", "we use a multi", 300.0f, "column layout here", true,
         "we use a multicolumn layout here"},
        {"plain line break", "we use a", 300.0f, "column layout here", true,
         "we use a column layout here"},
        {"capital after the hyphen", "the multi-", 300.0f, "Column case here", true,
         "the multi-Column case here"},
    };
    const Vocabulary known = vocabulary_of({{"multicolumn", 2}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineSpec first = wide;
        first.x1 = c.first_x1;
        const Assembled a =
            assemble({{line_at(c.first, 100.0f, first), line_at(c.second, 112.0f, wide)}},
                     c.vocabulary ? known : Vocabulary{});
        EXPECT_EQ(texts(a), (std::vector<std::string>{c.joined}));
    }
}

TEST(AssemblePlaced, LineWithoutWordsAddsNoSpace) {
    const Assembled a = assemble({{line_at("alpha beta gamma delta", 100.0f), line_at("", 112.0f),
                                   line_at("epsilon zeta eta theta", 124.0f)}});
    EXPECT_EQ(texts(a),
              (std::vector<std::string>{"alpha beta gamma delta epsilon zeta eta theta"}));
}

TEST(AssemblePlaced, ClassifiesGroups) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        LineSpec layout;
        BlockKind kind;
        bool ordered = false;
        float baseline = 200.0f;
    };
    const LineSpec narrow_bold = sized(narrow, 10.0f, true);
    const Case cases[] = {
        {"caption", {"Figure 3: Results"}, wide, BlockKind::Caption},
        {"caption word without number", {"Figure shows that"}, wide, BlockKind::Paragraph},
        {"abbreviated caption", {"Fig. 2"}, wide, BlockKind::Caption},
        {"roman table number", {"TABLE IV"}, wide, BlockKind::Paragraph},
        {"digit past 24 characters", {"Figure shows the following 3"}, wide, BlockKind::Paragraph},
        {"numbered heading in body size", {"1 Introduction"}, narrow, BlockKind::Heading},
        {"numbered heading as wide as the text", {"1 Introduction"}, wide, BlockKind::Paragraph},
        {"numbered heading with full stop", {"2.1 Setup."}, narrow, BlockKind::Heading},
        {"sentence in large type",
         {"Results were good."},
         sized(narrow, 12.0f),
         BlockKind::Paragraph},
        {"larger type", {"Results"}, sized(narrow, 10.7f), BlockKind::Heading},
        {"barely larger type", {"Results"}, sized(narrow, 10.5f), BlockKind::Paragraph},
        {"bold", {"Results"}, narrow_bold, BlockKind::Heading},
        {"two bold lines", {"Related", "Work"}, narrow_bold, BlockKind::Heading},
        {"three bold lines", {"Related", "Prior", "Work"}, narrow_bold, BlockKind::Paragraph},
        {"14 words", {"a b c d e f g", "h i j k l m n"}, narrow_bold, BlockKind::Heading},
        {"15 words", {"a b c d e f g", "h i j k l m n o"}, narrow_bold, BlockKind::Paragraph},
        {"bullet", {"\u2022 Item"}, wide, BlockKind::ListItem, false},
        {"en dash bullet", {"\u2013 an item"}, wide, BlockKind::ListItem, false},
        {"bullet glued to its word", {"\u2022Item"}, wide, BlockKind::Paragraph},
        {"negative number", {"-5 degrees"}, wide, BlockKind::Paragraph},
        {"lettered item", {"(a) first case"}, wide, BlockKind::ListItem, true},
        {"roman item", {"iv. fourth"}, wide, BlockKind::ListItem, true},
        {"numbered item", {"12) twelve"}, wide, BlockKind::ListItem, true},
        {"capital letter item", {"B. second"}, wide, BlockKind::ListItem, true},
        {"six-byte marker", {"(1234) fits"}, wide, BlockKind::ListItem, true},
        {"seven-byte marker", {"(12345) too long"}, wide, BlockKind::Paragraph},
        {"upper-case roman", {"IV. Results"}, wide, BlockKind::Paragraph},
        {"bracketed label", {"[1] Smith"}, wide, BlockKind::Paragraph},
        {"bare number", {"1 apple"}, wide, BlockKind::Paragraph},
        {"marker alone", {"1."}, wide, BlockKind::Paragraph},
        {"footnote",
         {"This work was supported by a grant."},
         sized(wide, 9.0f),
         BlockKind::Footnote,
         false,
         562.0f},
        {"small type mid-page",
         {"This work was supported by a grant."},
         sized(wide, 9.0f),
         BlockKind::Paragraph,
         false,
         400.0f},
        {"at the footnote size limit",
         {"This work was supported by a grant."},
         sized(wide, 9.2f),
         BlockKind::Paragraph,
         false,
         562.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Between two bullet items, so that a list item here is never isolated; on the second
        // page, so that nothing becomes the title.
        std::vector<Line> page{line_at("\u2022 first item here", 100.0f)};
        float baseline = c.baseline;
        for (const std::string& text : c.lines) {
            page.push_back(line_at(text, baseline, c.layout));
            baseline += leading;
        }
        page.push_back(line_at("\u2022 last item here", 760.0f));
        const Assembled a = assemble({{}, page});
        ASSERT_EQ(a.document.blocks.size(), 3u);
        const Block& b = a.document.blocks[1];
        EXPECT_EQ(b.kind, c.kind);
        EXPECT_EQ(b.ordered, c.ordered);
        EXPECT_EQ(b.page, 1u);
        EXPECT_EQ(a.line_anchors, (std::vector<std::size_t>{0, 1, 1 + c.lines.size()}));
    }
}

TEST(AssemblePlaced, FootnotesNeedAPageHeight) {
    const LineSpec small = sized(wide, 9.0f);
    const std::vector<Line> page{line_at("This work was supported by a grant.", 562.0f, small)};
    // The first page has no height; the second is past the list and counts as 792 points.
    const Assembled a = assemble({page, page}, {}, leading, {0.0f});
    ASSERT_EQ(a.document.blocks.size(), 2u);
    EXPECT_EQ(a.document.blocks[0].kind, BlockKind::Paragraph);
    EXPECT_EQ(a.document.blocks[1].kind, BlockKind::Footnote);
}

TEST(AssemblePlaced, MergesParagraphFragments) {
    struct Case {
        const char* name;
        const char* last_line;
        const char* fragment;
        float fragment_baseline;
        LineSpec fragment_spec;
        bool merged;
    };
    // The paragraph's last baseline is 112; a fragment 28 points lower starts 1.5 leadings
    // below the paragraph's box.
    const LineSpec right_column{320.0f, 400.0f, 10.0f};
    const LineSpec small_beside{310.0f, 350.0f, 8.0f};
    const Case cases[] = {
        {"fragment below", "and found consistent results", "and more", 140.0f, wide, true},
        {"capital after a full stop", "and found consistent results.", "The end", 140.0f, wide,
         false},
        {"capital without a full stop", "and found consistent results", "The end", 140.0f, wide,
         true},
        {"four words", "and found consistent results", "and a bit more", 140.0f, wide, false},
        {"1.7 leadings below", "and found consistent results", "and more", 142.4f, wide, false},
        {"another column", "and found consistent results", "and more", 140.0f, right_column, false},
        {"beside the last line", "and found consistent results", "and more", 112.0f, small_beside,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Assembled a = assemble({{},
                                      {line_at("we measured the effect of the method on", 100.0f),
                                       line_at(c.last_line, 112.0f),
                                       line_at(c.fragment, c.fragment_baseline, c.fragment_spec)}});
        const std::string paragraph =
            std::string("we measured the effect of the method on ") + c.last_line;
        if (c.merged) {
            EXPECT_EQ(texts(a), (std::vector<std::string>{paragraph + " " + c.fragment}));
            EXPECT_EQ(a.line_anchors, (std::vector<std::size_t>{0}));
            const Block& b = a.document.blocks[0];
            EXPECT_EQ(b.bbox.x1, std::max(300.0f, c.fragment_spec.x1));
            EXPECT_EQ(b.bbox.y1,
                      std::max(114.5f, c.fragment_baseline + 0.25f * c.fragment_spec.size));
            EXPECT_EQ(b.size, 10.0f);
        } else {
            EXPECT_EQ(texts(a), (std::vector<std::string>{paragraph, c.fragment}));
            EXPECT_EQ(a.line_anchors, (std::vector<std::size_t>{0, 2}));
        }
    }

    // Never across a page break.
    const Assembled a = assemble({{line_at("we measured the effect of the method on", 700.0f)},
                                  {line_at("and more", 100.0f)}});
    EXPECT_EQ(a.document.blocks.size(), 2u);
}

TEST(AssemblePlaced, DemotesIsolatedListItems) {
    struct Case {
        const char* pattern; // per page, '|' between pages: L a list item, P a paragraph
        const char* kinds;   // the kinds after assembly, pages run together
    };
    const Case cases[] = {
        {"L", "P"},       {"LP", "PP"},       {"LL", "LL"},  {"LPL", "LPL"},
        {"LPPL", "PPPP"}, {"LPPLL", "PPPLL"}, {"L|L", "PP"}, {"PL|LP", "PPPP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        Pages pages{{}, {}}; // the first page stays empty, away from the title choice
        float baseline = 100.0f;
        for (const char* p = c.pattern; *p != '\0'; ++p) {
            if (*p == '|') {
                pages.emplace_back();
                baseline = 100.0f;
                continue;
            }
            pages.back().push_back(
                line_at(*p == 'L' ? "1. a list item" : "a paragraph of some words", baseline));
            baseline += 40.0f;
        }
        const Assembled a = assemble(pages);
        std::string kinds;
        for (const Block& b : a.document.blocks) {
            kinds += b.kind == BlockKind::ListItem    ? 'L'
                     : b.kind == BlockKind::Paragraph ? 'P'
                                                      : '?';
            if (b.kind == BlockKind::Paragraph) {
                EXPECT_FALSE(b.ordered);
            }
        }
        EXPECT_EQ(kinds, c.kinds);
    }
}

TEST(AssemblePlaced, ChoosesTheTitle) {
    struct Entry {
        const char* text;
        float size;
        std::size_t page = 0;
    };
    struct Case {
        const char* name;
        std::vector<Entry> blocks;
        std::optional<std::size_t> title;
    };
    const Case cases[] = {
        {"largest candidate",
         {{"Preprint under review", 9.0f},
          {"A Study of Things", 17.0f},
          {"Ann Author and Bob Author", 11.0f}},
         1},
        {"only the first four blocks",
         {{"small print one", 9.0f},
          {"small print two", 9.0f},
          {"small print three", 9.0f},
          {"Modest Title Here", 12.0f},
          {"Huge Fifth Block", 20.0f}},
         3},
        {"equal size, more words later",
         {{"First Title", 14.0f}, {"Second Longer Title", 14.0f}},
         1},
        {"equal size, fewer words later",
         {{"First Longer Title", 14.0f}, {"Second Title", 14.0f}},
         0},
        {"full tie goes to the later block", {{"First Title", 14.0f}, {"Second Title", 14.0f}}, 1},
        {"not a title",
         {{"Ends with a stop.", 14.0f},
          {"1 Introduction here", 14.0f},
          {"Word", 14.0f},
          {"body size is enough", 10.0f}},
         3},
        {"never below body size", {{"smaller than body text", 9.5f}}, std::nullopt},
        {"never after the first page", {{"A Study of Things", 17.0f, 1}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pages pages(2);
        float baseline = 100.0f;
        for (const Entry& e : c.blocks) {
            pages[e.page].push_back(line_at(e.text, baseline, sized(wide, e.size)));
            baseline += 60.0f;
        }
        const Assembled a = assemble(pages);
        ASSERT_EQ(a.document.blocks.size(), c.blocks.size());
        for (std::size_t i = 0; i < c.blocks.size(); ++i)
            EXPECT_EQ(a.document.blocks[i].kind == BlockKind::Title, c.title == i) << i;
        EXPECT_EQ(a.document.title,
                  c.title ? std::optional<std::string>(c.blocks[*c.title].text) : std::nullopt);
    }
}

TEST(AssemblePlaced, LevelsHeadingsAfterTakingOutTheTitle) {
    // The title is set like a heading but is no longer one when levels are assigned, so the
    // largest remaining heading size is level 1.
    const Assembled a = assemble({{line_at("Big Title Words", 100.0f, sized(narrow, 20.0f, true)),
                                   line_at("Methods", 200.0f, sized(narrow, 14.0f)),
                                   line_at("Results", 300.0f, sized(narrow, 12.0f)),
                                   line_at("Discussion", 400.0f, sized(narrow, 14.0f)),
                                   line_at("what we did and why it matters", 500.0f)}});
    const auto& blocks = a.document.blocks;
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0].kind, BlockKind::Title);
    EXPECT_EQ(a.document.title, "Big Title Words");
    for (std::size_t i = 1; i <= 3; ++i)
        EXPECT_EQ(blocks[i].kind, BlockKind::Heading) << i;
    EXPECT_EQ(blocks[1].level, 1);
    EXPECT_EQ(blocks[2].level, 2);
    EXPECT_EQ(blocks[3].level, 1);
    EXPECT_EQ(blocks[4].kind, BlockKind::Paragraph);
}

} // namespace
} // namespace quillstone::doc
