#pragma once
// Rectangles and the ordering rules every geometric stage shares: sorts compare floats by the
// IEEE-754 total order so that a NaN can never break a sort, and a median is the upper median.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace quillstone::ir {

struct Rect {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    [[nodiscard]] float width() const { return x1 - x0; }
    [[nodiscard]] float height() const { return y1 - y0; }
    bool operator==(const Rect&) const = default;
};

// Maps a float onto a signed integer whose ordering is the IEEE-754 totalOrder predicate:
// -NaN < -inf < ... < -0 < +0 < ... < +inf < +NaN.
[[nodiscard]] constexpr std::int32_t total_order_key(float f) {
    const auto bits = std::bit_cast<std::int32_t>(f);
    return bits < 0 ? static_cast<std::int32_t>(bits ^ 0x7fffffff) : bits;
}

[[nodiscard]] constexpr bool total_less(float a, float b) {
    return total_order_key(a) < total_order_key(b);
}

// Three-way comparison on the total order, for chained tie-breaks.
[[nodiscard]] constexpr int total_cmp(float a, float b) {
    const auto ka = total_order_key(a), kb = total_order_key(b);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

// The element at index size / 2 of the ascending list (the upper median), or `empty` for none.
[[nodiscard]] inline float median(std::vector<float> values, float empty = 0.0f) {
    if (values.empty()) return empty;
    std::stable_sort(values.begin(), values.end(), total_less);
    return values[values.size() / 2];
}

} // namespace quillstone::ir
