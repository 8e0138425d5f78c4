#pragma once
// Document-wide text statistics: the body font size and the leading of body text, which block
// assembly uses as its yardsticks for headings, paragraph breaks and spacing.

#include "text/lines.hpp"

#include <span>
#include <vector>

namespace quillstone::layout::stats {

struct Stats {
    float body_size = 10.0f;
    float leading = 12.0f;

    // From the lines of all pages, in page order. Sequential: the result must not depend on the
    // order in which floats are added.
    [[nodiscard]] static Stats measure(std::span<const std::vector<text::lines::Line>> pages_lines);
    bool operator==(const Stats&) const = default;
};

// The upper median distance between consecutive baselines of body-size lines, page by page;
// 1.2 × body size when no pair of lines qualifies.
[[nodiscard]] float measure_leading(std::span<const std::vector<text::lines::Line>> pages_lines,
                                    float body_size);

} // namespace quillstone::layout::stats
