#pragma once
// Hand-built text lines for the stages after line building: words with boxes spread over the
// line's width and one placed glyph per character, without any page behind them. Only what
// those stages read is realistic: word texts, boxes, baseline, size and the bold flag.

#include "ir/geometry.hpp"
#include "text/chars.hpp"
#include "text/lines.hpp"
#include "text/vocab.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillstone::text::lines::testing {

struct LineSpec {
    float x0 = 72.0f;
    float x1 = 300.0f;
    float size = 10.0f;
    bool bold = false;
};

// A line whose words are the space-separated pieces of `text`, set on `baseline` between x0
// and x1. The box reaches 0.75 of the size above the baseline and 0.25 below.
inline Line line_at(std::string_view text, float baseline, LineSpec layout = {}) {
    Line line;
    line.baseline = baseline;
    line.size = layout.size;
    line.bold = layout.bold;
    line.bbox = {layout.x0, baseline - 0.75f * layout.size, layout.x1, baseline + 0.25f * layout.size};

    std::vector<std::string> pieces;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos)
            pieces.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    std::size_t total_chars = 0;
    for (const std::string& p : pieces)
        total_chars += chars::char_count(p) + 1;
    const float per_char =
        total_chars > 1 ? (layout.x1 - layout.x0) / static_cast<float>(total_chars - 1) : 0.0f;

    float x = layout.x0;
    std::uint32_t glyph = 0;
    for (std::string& piece : pieces) {
        const std::size_t n = chars::char_count(piece);
        const auto start = static_cast<std::uint32_t>(line.placed.size());
        for (std::size_t k = 0; k < n; ++k)
            line.placed.push_back({glyph++, script::none, k == 0 && start > 0});
        const float width = per_char * static_cast<float>(n);
        line.words.push_back({std::move(piece),
                              {x, line.bbox.y0, x + width, line.bbox.y1},
                              start,
                              static_cast<std::uint32_t>(line.placed.size())});
        x += width + per_char;
    }
    return line;
}

// A vocabulary in which each word occurs the given number of times inside lines.
inline vocab::Vocabulary vocabulary_of(const std::vector<std::pair<std::string, int>>& counts) {
    std::vector<Line> lines;
    for (const auto& [word, n] : counts)
        for (int i = 0; i < n; ++i)
            lines.push_back(line_at("x " + word + " y", 0.0f));
    return vocab::Vocabulary::build(std::vector<std::vector<Line>>{lines});
}

} // namespace quillstone::text::lines::testing
