#pragma once
// Column structure of a page: horizontal bands, each with the x-intervals (gutters) that separate
// its columns.

#include <vector>

namespace quillstone::layout::columns {

// An x-interval between two columns, left edge first.
struct Gutter {
    float lo = 0.0f;
    float hi = 0.0f;
    bool operator==(const Gutter&) const = default;
};

// A horizontal slice of a page and the gutters valid in it, left to right.
struct Band {
    std::vector<Gutter> gutters;
    float top = 0.0f;
    float bottom = 0.0f;
    bool operator==(const Band&) const = default;
};

} // namespace quillstone::layout::columns
