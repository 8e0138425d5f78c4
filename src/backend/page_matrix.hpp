#pragma once
// The transformation from PDF user space (y up, page box anywhere) to the system's page space:
// origin at the top-left of the displayed, rotated page, y down, page box offset removed.

#include "ir/geometry.hpp"
#include "ir/page.hpp"

#include <cstdint>

namespace quillstone::backend {

struct PageMatrix {
    // X = a*x + c*y + e, Y = b*x + d*y + f
    double a = 1, b = 0, c = 0, d = -1, e = 0, f = 0;
    float width = 0;
    float height = 0;
    std::int32_t rotation = 0;  // normalised into 0..359

    [[nodiscard]] ir::Point point(double x, double y) const;
    [[nodiscard]] ir::Point direction(double dx, double dy) const;
    // Maps two opposite corners and takes the component-wise min and max (ignoring a NaN).
    [[nodiscard]] ir::Rect rect(const ir::Rect& user) const;
};

// `box` is the page box in user space; `raw_rotation` the page's rotation in degrees as stored.
[[nodiscard]] PageMatrix page_matrix(const ir::Rect& box, std::int64_t raw_rotation);

} // namespace quillstone::backend
