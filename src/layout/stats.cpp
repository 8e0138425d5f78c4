#include "layout/stats.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillstone::layout::stats {

namespace {

using text::lines::Line;

constexpr float default_body_size = 10.0f;
constexpr float size_tolerance = 0.25f;
constexpr float default_leading_ratio = 1.2f;
// Baseline distances outside this range (in body sizes) are column neighbours at the same
// height or gaps between paragraphs, not the leading.
constexpr float min_leading_ratio = 0.5f;
constexpr float max_leading_ratio = 2.5f;

float body_size_of(std::span<const std::vector<Line>> pages_lines) {
    struct Bucket {
        float size;
        float weight;
    };
    std::vector<Bucket> buckets;
    for (const auto& lines : pages_lines) {
        for (const Line& line : lines) {
            if (!std::isfinite(line.size)) continue;
            const auto weight = static_cast<float>(line.placed.size());
            auto it = std::find_if(buckets.begin(), buckets.end(), [&](const Bucket& b) {
                return std::abs(b.size - line.size) < size_tolerance;
            });
            if (it == buckets.end()) {
                buckets.push_back({line.size, weight});
            } else {
                it->weight += weight;
            }
        }
    }
    if (buckets.empty()) return default_body_size;
    const Bucket* best = &buckets.front();
    for (const Bucket& b : buckets)
        if (ir::total_cmp(b.weight, best->weight) >= 0) best = &b;
    return best->size > 0 ? best->size : default_body_size;
}

} // namespace

float measure_leading(std::span<const std::vector<Line>> pages_lines, float body_size) {
    std::vector<float> distances;
    for (const auto& lines : pages_lines) {
        std::vector<float> baselines;
        for (const Line& line : lines)
            if (std::abs(line.size - body_size) < size_tolerance) baselines.push_back(line.baseline);
        std::stable_sort(baselines.begin(), baselines.end(), ir::total_less);
        for (std::size_t i = 1; i < baselines.size(); ++i) {
            const float d = baselines[i] - baselines[i - 1];
            if (min_leading_ratio * body_size < d && d < max_leading_ratio * body_size)
                distances.push_back(d);
        }
    }
    if (distances.empty()) return default_leading_ratio * body_size;
    return ir::median(std::move(distances));
}

Stats Stats::measure(std::span<const std::vector<Line>> pages_lines) {
    Stats stats;
    stats.body_size = body_size_of(pages_lines);
    stats.leading = measure_leading(pages_lines, stats.body_size);
    return stats;
}

} // namespace quillstone::layout::stats
