#include "backend/page_matrix.hpp"

#include <cmath>

namespace quillstone::backend {

namespace {

// Each coordinate of the rotation table depends on one input coordinate only; skipping the zero
// terms keeps a NaN in the other one from spreading (0 * NaN is NaN).
double term(double coefficient, double v) { return coefficient == 0 ? 0 : coefficient * v; }

} // namespace

ir::Point PageMatrix::point(double x, double y) const {
    return {static_cast<float>(term(a, x) + term(c, y) + e),
            static_cast<float>(term(b, x) + term(d, y) + f)};
}

ir::Point PageMatrix::direction(double dx, double dy) const {
    return {static_cast<float>(term(a, dx) + term(c, dy)),
            static_cast<float>(term(b, dx) + term(d, dy))};
}

ir::Rect PageMatrix::rect(const ir::Rect& user) const {
    const ir::Point p = point(user.x0, user.y0);
    const ir::Point q = point(user.x1, user.y1);
    return {std::fmin(p.x, q.x), std::fmin(p.y, q.y), std::fmax(p.x, q.x), std::fmax(p.y, q.y)};
}

PageMatrix page_matrix(const ir::Rect& box, std::int64_t raw_rotation) {
    const double x0 = box.x0, y0 = box.y0, x1 = box.x1, y1 = box.y1;
    std::int64_t r = raw_rotation % 360;
    if (r < 0) r += 360;

    PageMatrix m;
    m.rotation = static_cast<std::int32_t>(r);
    switch (r) {
    case 90: // X = y - y0, Y = x - x0
        m.a = 0, m.b = 1, m.c = 1, m.d = 0, m.e = -y0, m.f = -x0;
        break;
    case 180: // X = x1 - x, Y = y - y0
        m.a = -1, m.b = 0, m.c = 0, m.d = 1, m.e = x1, m.f = -y0;
        break;
    case 270: // X = y1 - y, Y = x1 - x
        m.a = 0, m.b = -1, m.c = -1, m.d = 0, m.e = y1, m.f = x1;
        break;
    default: // X = x - x0, Y = y1 - y
        m.a = 1, m.b = 0, m.c = 0, m.d = -1, m.e = -x0, m.f = y1;
        break;
    }
    const auto w = static_cast<float>(x1 - x0);
    const auto h = static_cast<float>(y1 - y0);
    const bool upright = raw_rotation % 180 == 0;
    m.width = upright ? w : h;
    m.height = upright ? h : w;
    return m;
}

} // namespace quillstone::backend
