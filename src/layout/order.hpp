#pragma once
// Reading order of one page: a recursive XY-cut over line boxes. A set of lines is split at wide
// vertical white strips into columns (read left to right) or, failing that, at wide horizontal
// strips into blocks (read top to bottom); sets that cannot be split are read by baseline.

#include "text/lines.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillstone::layout::order {

enum class Axis { Vertical, Horizontal };

// The page's lines reordered for reading; the result is a permutation of the input.
[[nodiscard]] std::vector<text::lines::Line> reading_order(std::vector<text::lines::Line> lines);

// Orders the subset `indices` of `lines`, appending its indices to `output`.
void cut(std::vector<std::uint32_t> indices, const std::vector<text::lines::Line>& lines,
         std::vector<std::uint32_t>& output, unsigned depth);

// Splits `indices` at white strips across `axis` (Vertical: strips between columns, from each
// line's x0..x1; Horizontal: strips between blocks, from y0..y1) wider than `minimum_gap`. Every
// strip of at least 0.85 of the widest one splits. Nothing when fewer than two groups result.
[[nodiscard]] std::optional<std::vector<std::vector<std::uint32_t>>> split_on_axis(
    std::span<const std::uint32_t> indices, const std::vector<text::lines::Line>& lines, Axis axis,
    float minimum_gap);

} // namespace quillstone::layout::order
