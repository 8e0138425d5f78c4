#pragma once
// Column structure. A gutter is a long, deep valley in the coverage of glyph boxes along x,
// between two well-filled flanks. Pages without a clean gutter of their own (a full-width title
// block or figure above two columns) are divided into horizontal bands using the document's
// spine, the gutter most single-gutter pages agree on. Lines that run across a gutter are cut so
// that every line belongs to one column.

#include "ir/page.hpp"
#include "text/lines.hpp"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace quillstone::layout::columns {

// An x interval [lo, hi) separating two columns.
struct Gutter {
    float lo = 0.0f;
    float hi = 0.0f;
    bool operator==(const Gutter&) const = default;
};

// A horizontal slice of a page and the gutters (at most two, left to right) valid inside it.
struct Band {
    std::vector<Gutter> gutters;
    float top = -std::numeric_limits<float>::infinity();
    float bottom = std::numeric_limits<float>::infinity();
    bool operator==(const Band&) const = default;
};

// Gutters narrower than this are word or figure gaps, not column gutters.
inline constexpr std::size_t gutter_width_pt = 9;
// Both sides of a gutter must carry text within this distance.
inline constexpr std::size_t gutter_flank_pt = 24;
// Histograms are never wider than this many points, whatever a damaged page claims.
inline constexpr std::size_t max_histogram_width_pt = 1u << 16;

// The column gutters of a set of glyph boxes on a page `page_width` wide: none for fewer than
// 200 boxes, and none when more than two valleys qualify.
[[nodiscard]] std::vector<Gutter> gutters(std::span<const ir::Rect> rects, float page_width);

// Examines the low run [start, end) of a coverage histogram (one counter per point) and appends
// at most one gutter to `out`.
void push_gutter(std::vector<Gutter>& out, std::span<const std::uint32_t> histogram,
                 std::uint32_t max_count, std::uint32_t median_count, std::size_t start,
                 std::size_t end);

// The gutters of all glyphs placed in the page's lines.
[[nodiscard]] std::vector<Gutter> page_gutters(const ir::PageRaw& page,
                                               const std::vector<text::lines::Line>& lines);

// The gutter most single-gutter pages share, if at least three pages have exactly one gutter
// and at least half of those lie within 12 points of their median.
[[nodiscard]] std::optional<Gutter> document_spine(
    std::span<const std::vector<Gutter>> pages_gutters);

// Appends the bands of a subset of a page's lines, sorted by top edge: cuts at the widest
// horizontal gap (two levels deep at most) until a part shows a gutter near the spine.
void search_bands(const ir::PageRaw& page, Gutter spine,
                  std::span<const text::lines::Line* const> lines, unsigned depth,
                  std::vector<Band>& out);

// One page's bands given its own gutters and the document's spine: the page's own gutters when
// it has any or when there is no spine, bands from `search_bands` otherwise. The bands cover the
// whole page, top to bottom.
[[nodiscard]] std::vector<Band> page_bands(const ir::PageRaw& page,
                                           const std::vector<text::lines::Line>& lines,
                                           const std::vector<Gutter>& own,
                                           const std::optional<Gutter>& spine);

// The bands of every page; pages and line lists are paired by position. The per-page phases
// (`page_gutters`, `page_bands`) are independent and may be run in parallel by the caller; this
// function runs them one after another.
[[nodiscard]] std::vector<std::vector<Band>> document_bands(
    std::span<const ir::PageRaw> pages, std::span<const std::vector<text::lines::Line>> pages_lines);

// The page's lines cut at the gutters of the band each line's vertical centre falls in, band
// after band.
[[nodiscard]] std::vector<text::lines::Line> apply_bands(const ir::PageRaw& page,
                                                         std::vector<text::lines::Line> lines,
                                                         const std::vector<Band>& bands);

// Cuts every line where a gutter lies between two neighbouring glyphs, then sorts the pieces by
// (baseline, left edge). Without gutters the lines come back untouched.
[[nodiscard]] std::vector<text::lines::Line> split_at_gutters(
    const ir::PageRaw& page, std::vector<text::lines::Line> lines,
    const std::vector<Gutter>& gutters);

// Words that look like running prose: at least three letters once ASCII punctuation is trimmed
// from both ends.
[[nodiscard]] std::size_t prose_words(const text::lines::Line& line);

} // namespace quillstone::layout::columns
