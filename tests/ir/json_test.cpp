#include "ir/page_json.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillstone::ir {
namespace {

std::string floats(float v) {
    std::string out;
    json::append_float(out, v);
    return out;
}

TEST(JsonNumbers, ShortestRoundTripWithWholeNumbersKeepingPointZero) {
    EXPECT_EQ(floats(612.0f), "612.0");
    EXPECT_EQ(floats(0.1f), "0.1");
    EXPECT_EQ(floats(-0.0f), "-0.0");
    EXPECT_EQ(floats(595.276f), "595.276");
    EXPECT_EQ(floats(std::numeric_limits<float>::quiet_NaN()), "null");
    EXPECT_EQ(floats(std::numeric_limits<float>::infinity()), "null");
    // Exponent forms must still read back as the same float.
    for (float v : {1e20f, 3.5e-12f, std::numeric_limits<float>::max()}) {
        const std::string s = floats(v);
        EXPECT_EQ(std::stof(s), v) << s;
    }
}

TEST(JsonStrings, Escaping) {
    std::string out;
    json::append_escaped(out, "q\"b\\\b\t\n\f\r\x01\x1f\x7f\xC3\xA9/");
    EXPECT_EQ(out, "\"q\\\"b\\\\\\b\\t\\n\\f\\r\\u0001\\u001f\x7f\xC3\xA9/\"");
}

TEST(FontTable, InternReturnsExistingIds) {
    FontTable t;
    EXPECT_EQ(t.intern("A"), 0u);
    EXPECT_EQ(t.intern("B"), 1u);
    EXPECT_EQ(t.intern("A"), 0u);
    EXPECT_EQ(t.names, (std::vector<std::string>{"A", "B"}));
}

TEST(PageRaw, AddExpansion) {
    PageRaw page;
    EXPECT_EQ(page.add_expansion("x"), GlyphText::character(U'x'));
    EXPECT_EQ(page.add_expansion("\xF0\x9D\x91\x8E"), GlyphText::character(U'\U0001D44E'));
    EXPECT_TRUE(page.expansions.empty());
    EXPECT_EQ(page.add_expansion(""), GlyphText::expanded(0));
    EXPECT_EQ(page.add_expansion("fi"), GlyphText::expanded(1));
    EXPECT_EQ(page.expansions, (std::vector<std::string>{"", "fi"}));
    Glyph g;
    g.text = GlyphText::expanded(7);
    EXPECT_FALSE(glyph_text(page, g).has_value());
}

TEST(Rgba, Packing) {
    EXPECT_EQ(pack_rgba(0, 0, 0, 1), 4278190080u);
    EXPECT_EQ(pack_rgba(1, 0, 0, 0), 16711680u);
    EXPECT_EQ(pack_rgba(2, -1, NAN, 0.5f), 0x80FF0000u);  // clamped; NaN is 0; 127.5 rounds up
}

PageRaw sample_page() {
    PageRaw page;
    page.index = 3;
    page.width = 612;
    page.height = 792.5f;
    page.rotation = 90;
    Glyph fi;
    fi.text = page.add_expansion("fi");
    fi.bbox = {1, 2, 3, 4};
    fi.origin = {1, 4};
    fi.size = 10;
    fi.angle = NAN;
    fi.flags = 0x102;
    page.glyphs.push_back(fi);
    Glyph e = fi;
    e.text = GlyphText::character(U'\u00E9');
    e.angle = 0;
    e.generated = true;
    page.glyphs.push_back(e);
    page.paths.push_back(PathItem{{0, 1, 100, 1.5f}, PathKind::HorizontalRule, 0.5f, 0xFF000000u,
                                  false, true});
    page.images.push_back(ImageItem{{0, 0, 10, 10}, 2, 640, 480});
    return page;
}

TEST(PageJson, CompactKeyOrderAndValues) {
    FontTable fonts;
    fonts.intern("ABC+CMR10");
    DocRaw doc{fonts, {sample_page()}};
    EXPECT_EQ(
        doc_to_json(doc, json::Layout::Compact),
        R"({"fonts":{"names":["ABC+CMR10"]},"pages":[{"index":3,"width":612.0,"height":792.5,)"
        R"("rotation":90,"glyphs":[{"text":{"Expanded":0},"bbox":{"x0":1.0,"y0":2.0,"x1":3.0,)"
        R"("y1":4.0},"origin":{"x":1.0,"y":4.0},"font":0,"size":10.0,"angle":null,"flags":258,)"
        R"("color":4278190080,"generated":false},{"text":{"Char":"é"},"bbox":{"x0":1.0,"y0":2.0,)"
        R"("x1":3.0,"y1":4.0},"origin":{"x":1.0,"y":4.0},"font":0,"size":10.0,"angle":0.0,)"
        R"("flags":258,"color":4278190080,"generated":true}],"paths":[{"bbox":{"x0":0.0,"y0":1.0,)"
        R"("x1":100.0,"y1":1.5},"kind":"HorizontalRule","thickness":0.5,"color":4278190080,)"
        R"("filled":false,"stroked":true}],"images":[{"bbox":{"x0":0.0,"y0":0.0,"x1":10.0,)"
        R"("y1":10.0},"object_index":2,"pixel_width":640,"pixel_height":480}],)"
        R"("expansions":["fi"]}]})");
}

TEST(PageJson, PrettyEmptyPageSinglePageForm) {
    FontTable fonts;
    PageRaw page;
    page.width = 612;
    page.height = 792;
    EXPECT_EQ(page_to_json(fonts, page, json::Layout::Pretty),
              "[\n"
              "  {\n"
              "    \"names\": []\n"
              "  },\n"
              "  {\n"
              "    \"index\": 0,\n"
              "    \"width\": 612.0,\n"
              "    \"height\": 792.0,\n"
              "    \"rotation\": 0,\n"
              "    \"glyphs\": [],\n"
              "    \"paths\": [],\n"
              "    \"images\": [],\n"
              "    \"expansions\": []\n"
              "  }\n"
              "]");
}

TEST(PageJson, PrettyNesting) {
    std::string out;
    json::Writer w(out, json::Layout::Pretty);
    w.begin_object();
    w.key("a");
    w.begin_array();
    w.number(std::uint64_t{1});
    w.begin_object();
    w.end_object();
    w.end_array();
    w.key("b");
    w.boolean(true);
    w.end_object();
    EXPECT_EQ(out, "{\n  \"a\": [\n    1,\n    {}\n  ],\n  \"b\": true\n}");
}

} // namespace
} // namespace quillstone::ir
