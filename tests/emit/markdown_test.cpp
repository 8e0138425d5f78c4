#include "emit/markdown.hpp"
#include "support/documents.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillstone::emit::markdown {
namespace {

using namespace quillstone::emit::testing;
using doc::BlockKind;

TEST(MarkdownEscape, OnlyTheBlockStart) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"  - not a list", "\\- not a list"}, // the white space goes with the escape
        {"  plain", "  plain"},
        {"| pipe", "\\| pipe"},
        {"=== rule", "\\=== rule"},
        {"+ plus", "\\+ plus"},
        {"# hash", "\\# hash"},
        {"> quote", "\\> quote"},
        {"\u00A0\t#tag", "\\#tag"},
        {"* star", "* star"},
        {"1. First", "1. First"},
        {"_a_ [b] `c` $d$", "_a_ [b] `c` $d$"},
        {"a - b # c", "a - b # c"},
        {"", ""},
        {"   ", "   "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(escape(c.in), c.out) << c.in;
}

TEST(MarkdownStripMarker, Cases) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"\u2022 first point", "first point"},
        {"\u25E6\u00A0 nested", "nested"},
        {"-tight", "tight"}, // a bullet needs no space after it
        {"\u2022", ""},
        {"12. twelfth", "twelfth"},
        {"(iii) third", "third"},
        {"[12]\tSmith", "Smith"},
        {"abcdef  six", "six"},             // a 6-byte token is a marker
        {"abcdefg seven", "abcdefg seven"}, // a 7-byte one is a word
        {"\xC3\xA9"
         "1234 x",
         "x"}, // bytes, not characters
        {"\xC3\xA9"
         "12345 x",
         "\xC3\xA9"
         "12345 x"},
        {"example text", "example text"},
        {"nowhitespace", "nowhitespace"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(strip_marker(c.in), c.out) << c.in;
}

TEST(MarkdownCell, EscapesBarsAndTrims) {
    EXPECT_EQ(cell("a|b"), "a\\|b");
    EXPECT_EQ(cell(" \u00A0x y\t"), "x y");
    EXPECT_EQ(cell(" | "), "\\|");
    EXPECT_EQ(cell(""), "");
}

TEST(MarkdownRow, Form) {
    std::string out;
    write_row(out, std::vector<std::string>{"a", "", "c"});
    write_row(out, std::vector<std::string>{});
    EXPECT_EQ(out, "| a |  | c |\n|\n");
}

struct RenderCase {
    const char* name;
    std::vector<doc::Block> blocks;
    std::string expected;
};

TEST(MarkdownRender, Blocks) {
    const RenderCase cases[] = {
        {"empty", {}, "\n"},
        {"title and heading clamps",
         {block(BlockKind::Title, "- Title"), heading(0, "Zero"), heading(1, "One"),
          heading(2, "Two"), heading(5, "Five"), heading(7, "Seven")},
         "# \\- Title\n\n## Zero\n\n## One\n\n### Two\n\n###### Five\n\n###### Seven\n"},
        {"caption and footnote",
         {block(BlockKind::Caption, "Figure 1: x"), block(BlockKind::Caption, "> y"),
          block(BlockKind::Footnote, "1 See")},
         "*Figure 1: x*\n\n*\\> y*\n\n> 1 See\n"},
        {"list items",
         {item(false, "\u2022 first point"), item(true, "12. twelfth"), item(false, "(iii) third"),
          item(true, "(iii) third"), item(false, "example text"), item(false, "- # raw")},
         "- first point\n\n1. twelfth\n\n- third\n\n1. third\n\n- example text\n\n- # raw\n"},
        {"figures",
         {figure("Figure 2: [a] model", "assets/figure-2.png"), figure("", std::nullopt),
          figure("Figure 3: plot", std::nullopt), figure(" [x] ", "a/f.png")},
         "![Figure 2: a model](assets/figure-2.png)\n\n*[figure]*\n\n*Figure 3: plot*\n\n"
         "![x](a/f.png)\n"},
        {"equations",
         {equation("x2", "x^{2}", "3", "assets/equation-001.png"), equation("x2", "x^{2}", "3"),
          equation("y", "y = 1"), equation("- z", std::nullopt)},
         "![equation](assets/equation-001.png)\n\n$$\nx^{2} \\tag{3}\n$$\n\n$$\ny = 1\n$$\n\n"
         "\\- z\n"},
        {"short row padded",
         {table({{"A", "B"}, {"1"}}, 1)},
         "| A | B |\n| --- | --- |\n| 1 |  |\n"},
        {"header rows merged",
         {table({{"", "Mean"}, {"Model", "a|b"}, {" x ", "y"}}, 2)},
         "| Model | Mean a\\|b |\n| --- | --- |\n| x | y |\n"},
        {"no header rows", {table({{"a", "b"}}, 0)}, "|  |  |\n| --- | --- |\n| a | b |\n"},
        {"more header rows than rows", {table({{"A"}, {"B"}}, 5)}, "| A B |\n| --- |\n"},
        {"table without data", {block(BlockKind::Table, "Table 1")}, "*[table]*\n"},
        {"table without cells leaves an extra blank line",
         {para("a"), table({}, 0), table({{}, {}}, 1), para("b")},
         "a\n\n\n\n\n\nb\n"},
        {"references",
         {reference("Smith J. ...", "12"), reference("# Odd", "1"),
          reference("- Anon", std::nullopt)},
         "<a id=\"ref-12\"></a>Smith J. ...\n\n<a id=\"ref-1\"></a>\\# Odd\n\n\\- Anon\n"},
        {"inline content passes through",
         {para("*a* $x_1$ [[1](#ref-1)] `c`")},
         "*a* $x_1$ [[1](#ref-1)] `c`\n"},
        {"trailing line feeds trimmed", {para("a\n\n\n")}, "a\n"},
    };
    for (const RenderCase& c : cases)
        EXPECT_EQ(render(document(c.blocks)), c.expected) << c.name;
}

TEST(MarkdownRender, IgnoresTitleFieldAndOutline) {
    doc::Document d = document({para("body")});
    d.title = "Not written";
    EXPECT_EQ(render(d), "body\n");
}

} // namespace
} // namespace quillstone::emit::markdown
