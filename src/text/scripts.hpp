#pragma once
// Repairs for two typographic features that baseline clustering gets wrong: sub- and
// superscripts, which sit on baselines of their own, and drop capitals, which share their
// baseline with a lower line of the paragraph they begin. Both run inside `build_lines`.

#include "ir/page.hpp"
#include "text/lines.hpp"

#include <cstdint>
#include <vector>

namespace quillstone::text::scripts {

// Moves the glyphs of small raised or lowered candidate lines into the larger line they overlap,
// marking them superscript or subscript, then removes the emptied lines (keeping the order of the
// rest). Hosts are not recomputed: the caller sorts and recomputes every line afterwards.
void absorb_scripts(const ir::PageRaw& page, std::vector<lines::Line>& lines);

struct Move {
    std::uint32_t source = 0;
    std::uint32_t target = 0;
    bool operator==(const Move&) const = default;
};

// For every line that starts with an outsized capital letter, the higher line of the same size
// that the capital really begins: all pairs are found before any is applied.
[[nodiscard]] std::vector<Move> reunite_drop_capitals(const ir::PageRaw& page,
                                                      const std::vector<lines::Line>& lines);

// Moves the first glyph of `move.source` to the front of `move.target` and restores both lines.
void apply_drop_capital(const ir::PageRaw& page, std::vector<lines::Line>& lines, Move move);

} // namespace quillstone::text::scripts
