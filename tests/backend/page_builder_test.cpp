#include "backend/page_builder.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace quillstone::backend {
namespace {

using Op = PathCommand::Op;

PathCommand mv(float x, float y) { return {Op::MoveTo, {{x, y}, {}, {}}}; }
PathCommand ln(float x, float y) { return {Op::LineTo, {{x, y}, {}, {}}}; }
PathCommand cv(float x, float y) { return {Op::CurveTo, {{x, y}, {x, y}, {x, y}}}; }
PathCommand cl() { return {Op::Close, {}}; }

// A letter page, unrotated: user (x, y) lands at (x, 792 - y).
struct Fixture {
    ir::FontTable fonts;
    PageBuilder builder{0, page_matrix({0, 0, 612, 792}, 0), fonts};
};

ReaderGlyph glyph(std::string text, std::string font = "F") {
    ReaderGlyph g;
    g.text = std::move(text);
    g.base_name = std::move(font);
    g.origin = {100, 700};
    g.box = {100, 698, 106, 707};
    g.size = 10;
    return g;
}

TEST(PageBuilderGlyphs, TextRules) {
    Fixture f;
    f.builder.glyph(glyph("\x03"));            // control character only: dropped
    f.builder.glyph(glyph(" "));               // a space is printable
    f.builder.glyph(glyph("\xEF\xAC\x81"));    // U+FB01 expands to "fi"
    f.builder.glyph(glyph("\xC3\xA9"));        // é stays one character
    f.builder.glyph(glyph(""));                // no printable character: dropped
    f.builder.glyph(glyph("\xC2\x85"));        // U+0085 is a C1 control: dropped
    f.builder.glyph(glyph("a\x03"));           // a printable character keeps the whole text
    const ir::PageRaw page = std::move(f.builder).finish();
    ASSERT_EQ(page.glyphs.size(), 4u);
    EXPECT_EQ(page.glyphs[0].text, ir::GlyphText::character(U' '));
    EXPECT_EQ(page.glyphs[1].text, ir::GlyphText::expanded(0));
    EXPECT_EQ(page.glyphs[2].text, ir::GlyphText::character(U'\u00E9'));
    EXPECT_EQ(page.glyphs[3].text, ir::GlyphText::expanded(1));
    EXPECT_EQ(page.expansions, (std::vector<std::string>{"fi", "a\x03"}));
}

TEST(PageBuilderGlyphs, GeometryMapsToPageSpace) {
    Fixture f;
    f.builder.glyph(glyph("A"));
    const ir::Glyph g = std::move(f.builder).finish().glyphs.at(0);
    EXPECT_EQ(g.origin, (ir::Point{100, 92}));
    EXPECT_EQ(g.bbox, (ir::Rect{100, 85, 106, 94}));
    EXPECT_EQ(g.angle, 0.0f);
    EXPECT_EQ(g.size, 10.0f);
}

TEST(PageBuilderGlyphs, SizeFallback) {
    struct Case {
        float size;
        float angle;
        ir::Rect box;
        float expected;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 5, 7}, 10.0f},                  // horizontal: height / 0.7
        {0, 0, {0, 3, 5, 3}, 1.0f},                   // zero height
        {-4, 0, {0, 0, 5, 7}, 10.0f},                 // negative counts as unknown
        {NAN, 0, {0, 0, 5, 7}, 10.0f},                // so does NaN
        {INFINITY, 0, {0, 0, 5, 7}, 10.0f},           // and infinity
        {0, static_cast<float>(M_PI / 2), {0, 0, 7, 5}, 10.0f},  // vertical: width / 0.7
        {12, 0, {0, 0, 5, 7}, 12.0f},                 // a real size is kept
    };
    for (const Case& c : cases) {
        Fixture f;
        ReaderGlyph g = glyph("x");
        g.size = c.size;
        g.angle = c.angle;
        g.box = c.box;
        f.builder.glyph(g);
        EXPECT_FLOAT_EQ(std::move(f.builder).finish().glyphs.at(0).size, c.expected)
            << c.size << " " << c.angle;
    }
}

TEST(PageBuilderGlyphs, FontsAreInternedAndFlagsFollowTheFirstGlyphOfARun) {
    Fixture f;
    ReaderGlyph a = glyph("a", "ABCDEF+CMR10");
    a.style.bold = true;
    a.style.italic = true;
    f.builder.glyph(a);
    ReaderGlyph b = glyph("b", "ABCDEF+CMR10");  // same name: flags reused from the run
    f.builder.glyph(b);
    ReaderGlyph c = glyph("c", "");
    c.resource_name = "F7";  // no declared name: the resource name stands in
    c.style.fixed_pitch = true;
    c.style.serif = true;
    c.style.symbolic = true;
    f.builder.glyph(c);
    const ir::PageRaw page = std::move(f.builder).finish();
    EXPECT_EQ(f.fonts.names, (std::vector<std::string>{"ABCDEF+CMR10", "F7"}));
    EXPECT_EQ(page.glyphs[0].flags, 0x101);
    EXPECT_EQ(page.glyphs[1].flags, 0x101);
    EXPECT_EQ(page.glyphs[2].font, 1u);
    EXPECT_EQ(page.glyphs[2].flags, 0x01A);
}

TEST(PageBuilderGlyphs, AngleOfTextRunningUp) {
    Fixture f;
    ReaderGlyph g = glyph("x");
    g.angle = static_cast<float>(M_PI / 2);
    f.builder.glyph(g);
    EXPECT_NEAR(std::move(f.builder).finish().glyphs.at(0).angle, -M_PI / 2, 1e-6);
}

ReaderPath stroked(std::vector<PathCommand> cmds, float width) {
    ReaderPath p;
    p.commands = std::move(cmds);
    p.stroked = true;
    p.line_width = width;
    return p;
}

TEST(PageBuilderPaths, StrokedHorizontalLineIsARule) {
    Fixture f;
    f.builder.path(stroked({mv(100, 400), ln(300, 400)}, 0.4f));
    const auto paths = std::move(f.builder).finish().paths;
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].kind, ir::PathKind::HorizontalRule);
    EXPECT_NEAR(paths[0].thickness, 0.4f, 1e-4);
    EXPECT_NEAR(paths[0].bbox.width(), 200.4f, 1e-4);
    EXPECT_TRUE(paths[0].stroked);
    EXPECT_FALSE(paths[0].filled);
}

TEST(PageBuilderPaths, StrokeOnlyPathSplitsIntoSubPathsButFilledDoesNot) {
    const std::vector<PathCommand> three = {mv(100, 400), ln(300, 400), mv(100, 300),
                                            ln(300, 300), mv(100, 200), ln(300, 200)};
    {
        Fixture f;
        f.builder.path(stroked(three, 0.5f));
        const auto paths = std::move(f.builder).finish().paths;
        ASSERT_EQ(paths.size(), 3u);
        for (const auto& p : paths) EXPECT_EQ(p.kind, ir::PathKind::HorizontalRule);
    }
    {
        Fixture f;
        ReaderPath p = stroked(three, 0.5f);
        p.filled = true;
        f.builder.path(p);
        EXPECT_EQ(std::move(f.builder).finish().paths.size(), 1u);
    }
    {
        // Commands before the first move-to are a piece of their own.
        Fixture f;
        f.builder.path(stroked({ln(100, 100), ln(200, 100), mv(100, 50), ln(200, 50)}, 0.5f));
        EXPECT_EQ(std::move(f.builder).finish().paths.size(), 2u);
    }
}

TEST(PageBuilderPaths, StrokedRectangleIsABoxAndACurveMakesItOther) {
    Fixture f;
    f.builder.path(stroked({mv(100, 100), ln(200, 100), ln(200, 150), ln(100, 150), cl()}, 1));
    f.builder.path(stroked({mv(100, 100), ln(200, 100), cv(200, 150), ln(100, 150), cl()}, 1));
    const auto paths = std::move(f.builder).finish().paths;
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].kind, ir::PathKind::Box);
    EXPECT_FLOAT_EQ(paths[0].thickness, 51.0f);
    EXPECT_EQ(paths[1].kind, ir::PathKind::Other);
}

TEST(PageBuilderPaths, RectangleTest) {
    struct Case {
        const char* name;
        std::vector<PathCommand> cmds;
        bool rect;
    };
    const Case cases[] = {
        {"closed by close", {mv(0, 0), ln(10, 0), ln(10, 5), ln(0, 5), cl()}, true},
        {"closed by returning", {mv(0, 0), ln(10, 0), ln(10, 5), ln(0, 5), ln(0, 0)}, true},
        {"duplicate points folded", {mv(0, 0), ln(10, 0), ln(10.005f, 0), ln(10, 5), ln(0, 5)}, true},
        {"within tolerance", {mv(0, 0), ln(10, 0.01f), ln(10, 5), ln(0, 5)}, true},
        {"slanted edge", {mv(0, 0), ln(10, 1), ln(10, 5), ln(0, 5)}, false},
        {"triangle", {mv(0, 0), ln(10, 0), ln(10, 5), cl()}, false},
        {"no move-to first", {ln(0, 0), ln(10, 0), ln(10, 5), ln(0, 5)}, false},
        {"second sub-path", {mv(0, 0), ln(10, 0), ln(10, 5), ln(0, 5), mv(1, 1)}, false},
        {"curve", {mv(0, 0), cv(10, 0), ln(10, 5), ln(0, 5)}, false},
        {"six points", {mv(0, 0), ln(5, 0), ln(10, 0), ln(10, 5), ln(5, 5), ln(0, 5)}, false},
        {"one point", {mv(0, 0), cl()}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_rectangle(c.cmds), c.rect) << c.name;
}

TEST(PageBuilderPaths, ClippingAndDropping) {
    Fixture f;
    ReaderPath off;
    off.filled = true;
    off.commands = {mv(700, 100), ln(800, 100), ln(800, 200), ln(700, 200), cl()};
    f.builder.path(off);  // wholly off the page: dropped
    ReaderPath half = off;
    half.commands = {mv(500, 100), ln(800, 100), ln(800, 200), ln(500, 200), cl()};
    f.builder.path(half);  // clipped at the right edge
    ReaderPath nan = off;
    nan.commands = {mv(NAN, NAN)};
    f.builder.path(nan);   // no finite box: dropped
    ReaderPath empty;
    empty.filled = true;
    f.builder.path(empty);  // no points: a zero box, dropped by the area test
    const auto paths = std::move(f.builder).finish().paths;
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].bbox, (ir::Rect{500, 592, 612, 692}));
    EXPECT_EQ(paths[0].kind, ir::PathKind::Box);
}

TEST(PageBuilderPaths, ColourComesFromFillThenStroke) {
    Fixture f;
    ReaderPath p;
    p.commands = {mv(10, 10), ln(100, 10), ln(100, 100), ln(10, 100), cl()};
    p.filled = true;
    p.fill_rgb[0] = 1;
    p.fill_alpha = 0;
    p.stroked = true;
    p.stroke_rgb[2] = 1;
    p.line_width = 2;
    f.builder.path(p);
    p.filled = false;
    p.stroke_alpha = 1;
    f.builder.path(p);
    const auto paths = std::move(f.builder).finish().paths;
    EXPECT_EQ(paths[0].color, 0x00FF0000u);  // transparent red fill
    EXPECT_EQ(paths[1].color, 0xFF0000FFu);  // opaque blue stroke
}

TEST(PageBuilderImages, ObjectIndexCountsDroppedImages) {
    Fixture f;
    f.builder.image({{-100, -100, -50, -50}, 10, 10});  // off the page
    f.builder.image({{NAN, 0, 10, 10}, 10, 10});       // not finite
    f.builder.image({{0, 0, 612, 396}, 640, 480});
    const auto images = std::move(f.builder).finish().images;
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].object_index, 2u);
    EXPECT_EQ(images[0].bbox, (ir::Rect{0, 396, 612, 792}));
    EXPECT_EQ(images[0].pixel_width, 640u);
}

} // namespace
} // namespace quillstone::backend
