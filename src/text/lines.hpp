#pragma once
// Text lines and words rebuilt from a page's unordered glyphs. Every later stage works on these
// lines; after any stage edits a line's glyphs it calls `recompute` and `segment_words` to restore
// the line's geometry and words.

#include "ir/geometry.hpp"
#include "ir/page.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillstone::text::lines {

namespace script {
inline constexpr std::uint8_t none = 0;
inline constexpr std::uint8_t superscript = 1;
inline constexpr std::uint8_t subscript = 2;
} // namespace script

// One glyph inside a line. Lines refer to glyphs by index so that they never copy glyph data; a
// line is meaningful only together with the page it came from.
struct Placed {
    std::uint32_t glyph = 0;
    std::uint8_t script = script::none;
    // A whitespace glyph stood between this glyph and the previous kept glyph of the line.
    bool space_before = false;
    bool operator==(const Placed&) const = default;
};

// A word covering placed[start, end) of its line.
struct Word {
    std::string text;
    ir::Rect bbox;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool operator==(const Word&) const = default;
};

struct Line {
    std::vector<Placed> placed;  // left to right (a reunited drop capital comes first)
    std::vector<Word> words;     // disjoint, in order; need not cover every glyph
    ir::Rect bbox;
    float baseline = 0.0f;
    float size = 0.0f;  // dominant font size
    bool bold = false;
    bool italic = false;

    // The words joined by single spaces; empty for a line without words.
    [[nodiscard]] std::string text() const;
    bool operator==(const Line&) const = default;
};

// The page's lines sorted by (baseline, left edge): upright glyphs clustered on their baselines,
// sub- and superscripts absorbed into their lines, whitespace folded into word boundaries, and
// drop capitals moved to the line they begin.
[[nodiscard]] std::vector<Line> build_lines(const ir::PageRaw& page);

// Restores bbox, size, baseline, bold and italic from `line.placed`. A line without glyphs is
// left untouched.
void recompute(std::span<const ir::Glyph> glyphs, Line& line);

// Cuts `line.words` afresh from `line.placed`.
void segment_words(const ir::PageRaw& page, Line& line);

// The normalised gap above which a line's glyphs belong to different words: 0.19 font sizes, or
// lower (never below 0.1) when the line's gaps fall clearly into narrow and wide ones.
[[nodiscard]] float word_gap_threshold(std::vector<float> gaps);

// Appends a word covering placed[start, end), unless the range or the text is empty.
void push_word(std::span<const ir::Glyph> glyphs, Line& line, std::uint32_t start,
               std::uint32_t end, std::string text);

// Whether a scalar value has the Unicode White_Space property.
[[nodiscard]] bool is_white_space(char32_t c);

// Stable sort of lines by (baseline, bbox.x0) in the IEEE total order.
void sort_by_baseline(std::vector<Line>& lines);

} // namespace quillstone::text::lines
