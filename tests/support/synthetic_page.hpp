#pragma once
// Small pages built in code for the text and layout stages: glyphs placed at chosen baselines and
// x positions, with simple boxes (ink from 0.7 of the size above the baseline down to it).

#include "ir/page.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillstone::testing {

class SyntheticPage {
  public:
    explicit SyntheticPage(float width = 612.0f, float height = 792.0f);

    // One glyph with an explicit box; the origin is (box.x0, baseline). Returns its index.
    std::uint32_t add(ir::GlyphText text, ir::Rect box, float baseline, float size);

    // One character whose box is [x, x + width] wide and 0.7 × size tall, resting on the
    // baseline. A width of 0 means half the size.
    std::uint32_t glyph(char32_t c, float x, float baseline, float size = 10.0f,
                        float width = 0.0f);

    // A glyph whose text is `text` stored as an expansion (or an index past the expansions when
    // `dangling`).
    std::uint32_t expanded(std::string_view text, float x, float baseline, float size = 10.0f,
                           bool dangling = false);

    // Sets text left to right from x, glyphs half the size wide and touching. A space advances by
    // `word_gap` (0.3 × size by default) and, with `space_glyphs`, also places a space glyph.
    // Returns the x after the last glyph.
    float text(std::string_view utf8, float x, float baseline, float size = 10.0f,
               float word_gap = -1.0f, bool space_glyphs = false);

    // Glyphs of size `size` and width half of it separated by the given gaps, each in units of
    // the size (so the normalised gaps of word cutting are exactly these).
    void gapped(const std::vector<float>& gaps, float x, float baseline, float size = 10.0f);

    // Sets flags on a glyph already added.
    void flags(std::uint32_t glyph, std::uint16_t value);

    ir::PageRaw page;
};

// A column of `count` lines of prose, one every `leading` points from `top`, each `width` points
// wide starting at x: words of five letters separated by 0.3 × size.
void prose_column(SyntheticPage& page, float x, float top, float width, std::size_t count,
                  float size = 10.0f, float leading = 12.0f);

} // namespace quillstone::testing
