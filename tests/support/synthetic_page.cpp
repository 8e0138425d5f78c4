#include "support/synthetic_page.hpp"

namespace quillstone::testing {

SyntheticPage::SyntheticPage(float width, float height) {
    page.width = width;
    page.height = height;
}

std::uint32_t SyntheticPage::add(ir::GlyphText text, ir::Rect box, float baseline, float size) {
    ir::Glyph g;
    g.text = text;
    g.bbox = box;
    g.origin = {box.x0, baseline};
    g.size = size;
    page.glyphs.push_back(g);
    return static_cast<std::uint32_t>(page.glyphs.size() - 1);
}

std::uint32_t SyntheticPage::glyph(char32_t c, float x, float baseline, float size, float width) {
    const float w = width > 0 ? width : 0.5f * size;
    return add(ir::GlyphText::character(c), {x, baseline - 0.7f * size, x + w, baseline},
               baseline, size);
}

std::uint32_t SyntheticPage::expanded(std::string_view text, float x, float baseline, float size,
                                      bool dangling) {
    ir::GlyphText t = ir::GlyphText::expanded(static_cast<std::uint32_t>(page.expansions.size()));
    if (dangling) {
        t.index += 1000;
    } else {
        page.expansions.emplace_back(text);
    }
    return add(t, {x, baseline - 0.7f * size, x + 0.5f * size, baseline}, baseline, size);
}

float SyntheticPage::text(std::string_view utf8, float x, float baseline, float size,
                          float word_gap, bool space_glyphs) {
    const float gap = word_gap >= 0 ? word_gap : 0.3f * size;
    for (const char32_t c : ir::decode_utf8(utf8)) {
        if (c == U' ') {
            if (space_glyphs) glyph(U' ', x, baseline, size, gap);
            x += gap;
            continue;
        }
        glyph(c, x, baseline, size);
        x += 0.5f * size;
    }
    return x;
}

void SyntheticPage::gapped(const std::vector<float>& gaps, float x, float baseline, float size) {
    char32_t c = U'a';
    glyph(c++, x, baseline, size);
    for (const float g : gaps) {
        x += 0.5f * size + g * size;
        glyph(c++, x, baseline, size);
    }
}

void SyntheticPage::flags(std::uint32_t glyph_index, std::uint16_t value) {
    page.glyphs.at(glyph_index).flags = value;
}

void prose_column(SyntheticPage& page, float x, float top, float width, std::size_t count,
                  float size, float leading) {
    for (std::size_t i = 0; i < count; ++i) {
        const float baseline = top + static_cast<float>(i) * leading;
        float cx = x;
        while (cx + 2.5f * size <= x + width) {
            cx = page.text("lorem", cx, baseline, size);
            cx += 0.3f * size;
        }
    }
}

} // namespace quillstone::testing
