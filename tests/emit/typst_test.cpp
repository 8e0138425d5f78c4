#include "emit/typst.hpp"
#include "support/documents.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillstone::emit::typst {
namespace {

using namespace quillstone::emit::testing;
using doc::BlockKind;

const std::string import_line = "#import \"@preview/mitex:0.2.4\": mi, mitex\n\n";

TEST(TypstInline, EscapesOutsideDollarSpans) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"a_b #tag <x>", "a\\_b \\#tag \\<x\\>"},
        {"[[3](#ref-3)]", "\\[\\[3\\](\\#ref-3)\\]"},
        {"*bold* @cite a\\b", "\\*bold\\* \\@cite a\\\\b"},
        {"$a_b^{*}$ and c_d", "$a_b^{*}$ and c\\_d"},
        {"cost is $5 #1 [x]", "cost is $5 #1 [x]"}, // an unclosed span runs to the end
        {"$x$$y_1$ z_2", "$x$$y_1$ z\\_2"},
        {"= - + / ~ plain", "= - + / ~ plain"},
        // An unpaired backtick opens raw text, "//" a comment: both would swallow the rest of the
        // text and, inside "#emph[...]", the closing bracket, failing the whole document.
        {"a ` b and ``c``", "a \\` b and \\`\\`c\\`\\`"},
        {"x // y, a/b, https://e.org", "x \\// y, a/b, https:\\//e.org"},
        {"///", "\\/\\//"},
        {"/* c */", "/\\* c \\*/"},
        {"$a // b$ c//", "$a // b$ c\\//"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inline_text(c.in), c.out) << c.in;
}

struct RenderCase {
    const char* name;
    std::vector<doc::Block> blocks;
    std::string expected;
};

TEST(TypstRender, Blocks) {
    const RenderCase cases[] = {
        {"empty", {}, "\n"},
        {"no math, no import", {para("plain text")}, "plain text\n"},
        {"a dollar in any text imports mitex",
         {para("cost is $5 a_b")},
         import_line + "cost is $5 a_b\n"},
        {"math alone imports mitex",
         {equation("E", "E=mc^{2}", "4")},
         import_line + "#mitex(`E=mc^{2}`) <eq-4>\n"},
        {"title and heading clamps",
         {block(BlockKind::Title, "The_Title"), heading(0, "Zero"), heading(1, "One"),
          heading(2, "Two"), heading(5, "Five"), heading(9, "Nine")},
         "= The\\_Title\n\n== Zero\n\n== One\n\n=== Two\n\n====== Five\n\n====== Nine\n"},
        {"caption, footnote, figure without asset",
         {block(BlockKind::Caption, "Figure 1: [a]"), block(BlockKind::Footnote, "1 See #2"),
          figure("", std::nullopt), figure("Figure 2: x", std::nullopt)},
         "#emph[Figure 1: \\[a\\]]\n\n#footnote[1 See \\#2]\n\n#emph[]\n\n#emph[Figure 2: x]\n"},
        {"figure with asset",
         {figure("Figure 3: a_b", "assets/figure-003.png")},
         "#figure(\n  image(\"assets/figure-003.png\"),\n  caption: [Figure 3: a\\_b],\n)\n"},
        {"list items",
         {item(false, "\u2022 point"), item(true, "3. step"), item(false, "(ii) a_b"),
          item(true, "example text")},
         "- point\n\n+ step\n\n- a\\_b\n\n+ example text\n"},
        {"equations",
         {equation("x", "x^{2}", "3", "assets/equation-001.png"), equation("y", "y = 1"),
          equation("z_1", std::nullopt)},
         import_line + "#figure(image(\"assets/equation-001.png\"))\n\n#mitex(`y = 1`)\n\nz\\_1\n"},
        {"table with a shaded header and a short row",
         {table({{"A", "B"}, {"1"}}, 1)},
         "#table(\n  columns: 2,\n"
         "  table.cell(fill: luma(240))[A], table.cell(fill: luma(240))[B], \n"
         "  [1], [], \n)\n"},
        {"header rows stay separate and cells are escaped",
         {table({{"", "Mean"}, {"Model", "a_b"}, {" x ", "[y]"}}, 2)},
         "#table(\n  columns: 2,\n"
         "  table.cell(fill: luma(240))[], table.cell(fill: luma(240))[Mean], \n"
         "  table.cell(fill: luma(240))[Model], table.cell(fill: luma(240))[a\\_b], \n"
         "  [ x ], [\\[y\\]], \n)\n"},
        {"tables without data or cells",
         {para("a"), block(BlockKind::Table, "T"), table({}, 0), table({{}}, 0), para("b")},
         "a\n\n#emph[table]\n\n\n\n\n\nb\n"},
        {"references",
         {reference("Smith J. [x]", "7"), reference("Anon_", std::nullopt)},
         "#label(\"ref-7\")Smith J. \\[x\\]\n\nAnon\\_\n"},
        {"string literals stay closed",
         {figure("F", "my \"figs\"\\/figure-001.png")},
         "#figure(\n  image(\"my \\\"figs\\\"\\\\/figure-001.png\"),\n  caption: [F],\n)\n"},
        {"trailing line feeds trimmed", {para("a\n\n")}, "a\n"},
    };
    for (const RenderCase& c : cases)
        EXPECT_EQ(render(document(c.blocks)), c.expected) << c.name;
}

} // namespace
} // namespace quillstone::emit::typst
