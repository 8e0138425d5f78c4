#pragma once
// Character-level helpers over UTF-8 text: stepping through scalar values and the few Unicode
// properties the text stages test (White_Space, Alphabetic, Uppercase, Numeric, full
// lower-casing). The properties come from ICU so that no stage carries a hand-made table.

#include "ir/utf8.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillstone::text::chars {

using ir::Decoded;
using ir::decode_at;

[[nodiscard]] bool is_white_space(char32_t c);
[[nodiscard]] bool is_alphabetic(char32_t c);
[[nodiscard]] bool is_uppercase(char32_t c);
// Any number character (general category Nd, Nl or No): "7", "Ⅻ", "½", "²".
[[nodiscard]] bool is_numeric(char32_t c);

// Full Unicode lower-case mapping (one character may become several), independent of locale.
[[nodiscard]] std::string to_lower(std::string_view text);

// Number of words: maximal runs of characters that are not White_Space.
[[nodiscard]] std::size_t word_count(std::string_view text);

// Number of scalar values in the text.
[[nodiscard]] std::size_t char_count(std::string_view text);

// Slices with leading and/or trailing White_Space characters removed.
[[nodiscard]] std::string_view trim_start(std::string_view text);
[[nodiscard]] std::string_view trim_end(std::string_view text);
[[nodiscard]] std::string_view trim(std::string_view text);

} // namespace quillstone::text::chars
