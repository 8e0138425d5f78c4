#include "emit/text.hpp"
#include "support/documents.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillstone::emit::text {
namespace {

using namespace quillstone::emit::testing;
using doc::BlockKind;

struct RenderCase {
    const char* name;
    std::vector<doc::Block> blocks;
    std::string expected;
};

TEST(TextRender, Blocks) {
    const RenderCase cases[] = {
        {"empty", {}, "\n"},
        {"heading then paragraph",
         {heading(1, "2 Methods"), para("We # did.")},
         "2 Methods\n\nWe # did.\n"},
        {"other kinds verbatim",
         {block(BlockKind::Title, "# T"), block(BlockKind::Caption, "Figure 1: x"),
          figure("Figure 2: y", "assets/figure-002.png"), block(BlockKind::Footnote, "1 Note"),
          reference("[3] Smith", "3")},
         "# T\n\nFigure 1: x\n\nFigure 2: y\n\n1 Note\n\n[3] Smith\n"},
        {"list item keeps its marker", {item(false, "\u2022 first")}, "  \u2022 first\n"},
        {"equations",
         {equation("x2 (3)", "x^{2}", "3", "assets/equation-001.png"),
          equation("y = 1", std::nullopt)},
         "x^{2}\n\ny = 1\n"},
        {"table rows tab-separated, cells as they are",
         {table({{"a", " b "}, {"c"}}, 1)},
         "a\t b \nc\n"},
        {"tables without data or rows",
         {para("a"), block(BlockKind::Table, "Table 1"), table({}, 0), para("b")},
         "a\n\nb\n"},
        {"inline content unchanged", {para("$x$ and [[1](#ref-1)]")}, "$x$ and [[1](#ref-1)]\n"},
        {"trailing line feeds trimmed", {para("a"), para("")}, "a\n"},
    };
    for (const RenderCase& c : cases)
        EXPECT_EQ(render(document(c.blocks)), c.expected) << c.name;
}

} // namespace
} // namespace quillstone::emit::text
