#include "text/vocab.hpp"

#include "text/chars.hpp"

#include <algorithm>
#include <limits>

namespace quillstone::text::vocab {

namespace {

bool is_word_char(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-')
        return true;
    // U+0080 to U+00A9 are controls, symbols and punctuation, never letters of a word.
    return c >= 0xAA && chars::is_alphabetic(c);
}

bool all_word_chars(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const chars::Decoded d = chars::decode_at(text, pos);
        if (!is_word_char(d.ch))
            return false;
        pos += d.length;
    }
    return true;
}

bool starts_upper_case(std::string_view text) {
    const char32_t c = chars::decode_at(text, 0).ch;
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && chars::is_uppercase(c));
}

// Shorter joins are too often two real words that happen to meet at a line end.
constexpr std::size_t min_joined_chars = 6;
constexpr std::size_t min_tail_chars = 2;

} // namespace

void Vocabulary::add(std::string_view word) {
    if (word.empty() || !all_word_chars(word))
        return;
    std::uint32_t& n = counts_[chars::to_lower(word)];
    if (n < std::numeric_limits<std::uint32_t>::max())
        ++n;
}

std::uint32_t Vocabulary::count(std::string_view word) const {
    if (word.empty() || !all_word_chars(word))
        return 0;
    const auto it = counts_.find(chars::to_lower(word));
    return it == counts_.end() ? 0 : it->second;
}

std::optional<std::string> Vocabulary::rejoin(std::string_view head, std::string_view tail) const {
    if (!all_word_chars(head) || !all_word_chars(tail))
        return std::nullopt;
    const std::size_t tail_chars = chars::char_count(tail);
    if (tail_chars < min_tail_chars)
        return std::nullopt;
    // A capital after the break starts a new name or sentence, not the rest of a word.
    if (starts_upper_case(tail))
        return std::nullopt;
    if (chars::char_count(head) + tail_chars < min_joined_chars)
        return std::nullopt;
    std::string joined;
    joined.reserve(head.size() + tail.size());
    joined += head;
    joined += tail;
    const std::uint32_t cj = count(joined);
    if (cj == 0)
        return std::nullopt;
    // The joined form must occur at least twice as often as the tail on its own; a tail that
    // is common by itself is more likely a word in its own right.
    const std::uint32_t ct = count(tail);
    const std::uint32_t twice_tail = ct > std::numeric_limits<std::uint32_t>::max() / 2
                                         ? std::numeric_limits<std::uint32_t>::max()
                                         : 2 * ct;
    if (cj < std::max<std::uint32_t>(twice_tail, 1))
        return std::nullopt;
    return joined;
}

} // namespace quillstone::text::vocab
