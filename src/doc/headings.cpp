#include "doc/headings.hpp"

#include "ir/geometry.hpp"
#include "text/chars.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace quillstone::doc {

namespace {

namespace chars = quillstone::text::chars;

// Heading sizes closer than this are the same size: font sizes reported by PDFs jitter by a
// fraction of a point between otherwise identical headings.
constexpr float same_size_tolerance_pt = 0.25f;

bool same_size(float a, float b) {
    return std::fabs(a - b) < same_size_tolerance_pt;
}

int roman_digit(char c) {
    switch (c) {
    case 'I':
        return 1;
    case 'V':
        return 5;
    case 'X':
        return 10;
    default:
        return 0;
    }
}

// The first white-space-separated token and the text after it (leading white space removed).
struct Split {
    std::string_view token;
    std::string_view rest;
};

Split first_token(std::string_view text) {
    const std::string_view s = chars::trim_start(text);
    std::size_t pos = 0;
    while (pos < s.size()) {
        const chars::Decoded d = chars::decode_at(s, pos);
        if (chars::is_white_space(d.ch))
            break;
        pos += d.length;
    }
    return {s.substr(0, pos), chars::trim_start(s.substr(pos))};
}

std::string_view strip_trailing_dots(std::string_view token) {
    while (!token.empty() && token.back() == '.')
        token.remove_suffix(1);
    return token;
}

std::vector<std::string_view> split_dots(std::string_view s) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t dot = s.find('.');
        pieces.push_back(s.substr(0, dot));
        if (dot == std::string_view::npos)
            return pieces;
        s.remove_prefix(dot + 1);
    }
}

bool all_ascii_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool starts_with_letter(std::string_view s) {
    if (s.empty())
        return false;
    const char32_t c = chars::decode_at(s, 0).ch;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c >= 0xAA && chars::is_alphabetic(c);
}

// The section-number pieces of a numbered heading, or nothing.
std::optional<std::size_t> number_pieces(std::string_view text) {
    const Split split = first_token(text);
    if (split.token.empty())
        return std::nullopt;
    const std::string_view number = strip_trailing_dots(split.token);
    if (number.empty())
        return std::nullopt;
    const std::vector<std::string_view> pieces = split_dots(number);
    if (pieces.size() > 4)
        return std::nullopt;
    bool needs_dot = false;
    for (const std::string_view piece : pieces) {
        if (piece.empty())
            return std::nullopt;
        if (piece.size() <= 3) {
            if (all_ascii_digits(piece))
                continue;
            if (piece.size() == 1 && piece[0] >= 'A' && piece[0] <= 'Z') {
                needs_dot = true;
                continue;
            }
        }
        if (piece.size() >= 2 && is_roman_numeral(piece)) {
            needs_dot = true;
            continue;
        }
        return std::nullopt;
    }
    // A bare letter or numeral is as likely the first word of a sentence ("A Study of", "IV
    // fluids"); only a dot makes it a section number.
    if (needs_dot && split.token.find('.') == std::string_view::npos)
        return std::nullopt;
    if (!starts_with_letter(split.rest))
        return std::nullopt;
    return pieces.size();
}

} // namespace

bool is_roman_numeral(std::string_view text) {
    if (text.size() < 2)
        return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return roman_digit(c) > 0; }))
        return false;
    int value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int digit = roman_digit(text[i]);
        const bool larger_follows =
            std::any_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1, text.end(),
                        [&](char c) { return roman_digit(c) > digit; });
        value += larger_follows ? -digit : digit;
    }
    if (value < 1 || value >= 40)
        return false;
    std::string canonical(static_cast<std::size_t>(value / 10), 'X');
    const int r = value % 10;
    if (r == 9) {
        canonical += "IX";
    } else if (r >= 5) {
        canonical += 'V';
        canonical.append(static_cast<std::size_t>(r - 5), 'I');
    } else if (r == 4) {
        canonical += "IV";
    } else {
        canonical.append(static_cast<std::size_t>(r), 'I');
    }
    return text == canonical;
}

bool numbered_heading(std::string_view text) {
    return number_pieces(text).has_value();
}

std::optional<std::uint8_t> numbering_depth(std::string_view text) {
    const auto pieces = number_pieces(text);
    if (!pieces)
        return std::nullopt;
    return static_cast<std::uint8_t>(std::min<std::size_t>(*pieces, 6));
}

void assign_heading_levels(std::span<Block> blocks) {
    struct NumberedSize {
        float size;
        std::uint8_t depth;
    };
    const auto is_heading = [](const Block& b) { return b.kind == BlockKind::Heading; };

    // The first numbered heading of each size decides what depth that size stands for.
    std::vector<NumberedSize> numbered;
    std::vector<float> sizes;
    for (const Block& b : blocks) {
        if (!is_heading(b))
            continue;
        sizes.push_back(b.size);
        const auto depth = numbering_depth(b.text);
        if (!depth)
            continue;
        const bool known =
            std::any_of(numbered.begin(), numbered.end(),
                        [&](const NumberedSize& n) { return same_size(n.size, b.size); });
        if (!known)
            numbered.push_back({b.size, *depth});
    }

    // Distinct sizes, largest first, near-duplicates folded into the larger one.
    if (sizes.size() >= 2) {
        std::stable_sort(sizes.begin(), sizes.end(),
                         [](float a, float b) { return ir::total_less(b, a); });
        std::vector<float> distinct;
        for (const float s : sizes)
            if (distinct.empty() || !same_size(s, distinct.back()))
                distinct.push_back(s);
        sizes = std::move(distinct);
    }

    for (Block& b : blocks) {
        if (!is_heading(b))
            continue;
        if (const auto depth = numbering_depth(b.text)) {
            b.level = std::max<std::uint8_t>(*depth, 1);
            continue;
        }
        const auto numbered_match =
            std::find_if(numbered.begin(), numbered.end(),
                         [&](const NumberedSize& n) { return same_size(n.size, b.size); });
        if (numbered_match != numbered.end()) {
            b.level = numbered_match->depth;
            continue;
        }
        const auto rank =
            std::find_if(sizes.begin(), sizes.end(), [&](float s) { return same_size(s, b.size); });
        if (rank != sizes.end()) {
            const auto k = static_cast<std::size_t>(rank - sizes.begin());
            b.level = static_cast<std::uint8_t>(std::min<std::size_t>(k, 5) + 1);
        } else {
            b.level = 1;
        }
    }
}

} // namespace quillstone::doc
