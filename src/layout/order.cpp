#include "layout/order.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillstone::layout::order {

namespace {

using text::lines::Line;

// Pathological pages must not exhaust the stack.
constexpr unsigned max_depth = 32;
// Columns are judged on absolute white space, blocks relative to the line height.
constexpr float column_gap_pt = 9.0f;
constexpr float block_gap_ratio = 0.15f;
constexpr float default_unit_height = 10.0f;
// Strips nearly as wide as the widest split together, so three columns come out of one cut.
constexpr float similar_gap_ratio = 0.85f;
constexpr std::size_t min_lines_for_columns = 4;

float lo_of(const Line& line, Axis axis) {
    return axis == Axis::Vertical ? line.bbox.x0 : line.bbox.y0;
}
float hi_of(const Line& line, Axis axis) {
    return axis == Axis::Vertical ? line.bbox.x1 : line.bbox.y1;
}

void leaf(std::vector<std::uint32_t> indices, const std::vector<Line>& lines,
          std::vector<std::uint32_t>& output) {
    std::stable_sort(indices.begin(), indices.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (const int c = ir::total_cmp(lines[a].baseline, lines[b].baseline)) return c < 0;
        return ir::total_less(lines[a].bbox.x0, lines[b].bbox.x0);
    });
    output.insert(output.end(), indices.begin(), indices.end());
}

} // namespace

std::optional<std::vector<std::vector<std::uint32_t>>> split_on_axis(
    std::span<const std::uint32_t> indices, const std::vector<Line>& lines, Axis axis,
    float minimum_gap) {
    if (indices.empty()) return std::nullopt;
    std::vector<std::uint32_t> sorted(indices.begin(), indices.end());
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
        return ir::total_less(lo_of(lines[a], axis), lo_of(lines[b], axis));
    });

    // gap[k]: the white space between line k and everything that starts before it.
    std::vector<float> gap(sorted.size(), -std::numeric_limits<float>::infinity());
    float reach = hi_of(lines[sorted[0]], axis);
    float widest = -std::numeric_limits<float>::infinity();
    for (std::size_t k = 1; k < sorted.size(); ++k) {
        gap[k] = lo_of(lines[sorted[k]], axis) - reach;
        reach = std::fmax(reach, hi_of(lines[sorted[k]], axis));
        if (std::isfinite(gap[k]) && gap[k] > widest) widest = gap[k];
    }
    if (!std::isfinite(widest) || widest <= minimum_gap) return std::nullopt;

    std::vector<std::vector<std::uint32_t>> groups(1);
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        if (gap[k] >= similar_gap_ratio * widest && !groups.back().empty()) groups.emplace_back();
        groups.back().push_back(sorted[k]);
    }
    if (groups.size() < 2) return std::nullopt;
    return groups;
}

void cut(std::vector<std::uint32_t> indices, const std::vector<Line>& lines,
         std::vector<std::uint32_t>& output, unsigned depth) {
    if (depth >= max_depth || indices.size() < 2) {
        leaf(std::move(indices), lines, output);
        return;
    }
    // Two or three lines side by side are more likely a split line than columns.
    if (indices.size() >= min_lines_for_columns) {
        if (auto groups = split_on_axis(indices, lines, Axis::Vertical, column_gap_pt)) {
            for (auto& group : *groups) cut(std::move(group), lines, output, depth + 1);
            return;
        }
    }
    std::vector<float> heights;
    for (const std::uint32_t i : indices) {
        const float h = std::fmax(lines[i].bbox.y1 - lines[i].bbox.y0, lines[i].size);
        if (h > 0) heights.push_back(h);
    }
    const float unit = ir::median(std::move(heights), default_unit_height);
    if (auto groups = split_on_axis(indices, lines, Axis::Horizontal, block_gap_ratio * unit)) {
        for (auto& group : *groups) cut(std::move(group), lines, output, depth + 1);
        return;
    }
    leaf(std::move(indices), lines, output);
}

std::vector<Line> reading_order(std::vector<Line> lines) {
    std::vector<std::uint32_t> indices(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) indices[i] = static_cast<std::uint32_t>(i);
    std::vector<std::uint32_t> output;
    output.reserve(lines.size());
    cut(std::move(indices), lines, output, 0);
    std::vector<Line> ordered;
    ordered.reserve(lines.size());
    for (const std::uint32_t i : output) ordered.push_back(std::move(lines[i]));
    return ordered;
}

} // namespace quillstone::layout::order
