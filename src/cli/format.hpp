#pragma once
// Locale-free number formatting for the command line's listings ({:.1}, {:>7} and the like).
// A Python host may change the C locale, so nothing here goes through printf or iostreams.

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace quillstone::cli {

// `value` with exactly `decimals` digits after the point, rounded half to even as to_chars does.
[[nodiscard]] inline std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "inf" : "-inf");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, res.ptr);
}

[[nodiscard]] inline std::string right(std::string_view text, std::size_t width) {
    std::string out;
    if (text.size() < width) out.assign(width - text.size(), ' ');
    out += text;
    return out;
}

[[nodiscard]] inline std::string left(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

} // namespace quillstone::cli
