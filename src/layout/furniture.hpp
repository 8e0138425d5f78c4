#pragma once
// Page furniture: running headers, running footers and page numbers. Lines near the top and
// bottom of the pages are reduced to signatures in which numbers are wildcards; a signature that
// recurs on enough pages (or, where odd and even pages carry different running heads, on enough
// pages of the same parity) marks furniture, which is removed.

#include "text/lines.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillstone::layout::furniture {

enum class Edge : std::uint8_t { Top, Bottom };

// The margin a baseline sits in on a page `height` tall: the top or bottom 12 %, or neither.
[[nodiscard]] std::optional<Edge> edge_of(float baseline, float height);

// The line's text lower-cased, without whitespace, every run of ASCII digits replaced by "#":
// "Page 12 of 30" gives "page#of#".
[[nodiscard]] std::string signature(const text::lines::Line& line);

using Counts = std::unordered_map<std::string, std::uint32_t>;

// How often signatures occur in the margins, counting each page once per signature.
struct Tally {
    std::size_t pages = 0;  // number of pages of the document, tallied or not
    Counts any_edge;
    // by_parity[edge][parity]: pages of that parity carrying the signature in that margin.
    std::array<std::array<Counts, 2>, 2> by_parity;
};

// Tallies the margin lines of every page that has a positive height.
[[nodiscard]] Tally tally(std::span<const std::vector<text::lines::Line>> pages_lines,
                          std::span<const float> page_heights);

// The signatures recurring in `edge` on at least half (and at least two) of the pages of
// `parity`, sorted; nothing when that parity has two pages or fewer or no margin lines there.
[[nodiscard]] std::optional<std::vector<std::string>> alternates(const Tally& tally, Edge edge,
                                                                 std::size_t parity);

// Removes running headers and footers in place and returns how many lines went. Documents of
// fewer than four pages are left alone: too few pages to tell furniture from content.
std::size_t strip(std::span<std::vector<text::lines::Line>> pages_lines,
                  std::span<const float> page_heights);

} // namespace quillstone::layout::furniture
