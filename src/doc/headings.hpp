#pragma once
// What makes a heading: recognising a leading section number ("2.3", "A.", "IV."), how deep that
// number is, and the level every heading block ends up with. Numbered headings take their level
// from their numbering; unnumbered ones borrow it from a numbered heading of the same size or
// are ranked by size.

#include "doc/model.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillstone::doc {

// Upper-case roman numerals of value 1 to 39 in canonical form, at least two characters long:
// "II", "IV", "XIV" are numerals; "I", "IIII", "VX", "XL", "ii" are not.
[[nodiscard]] bool is_roman_numeral(std::string_view text);

// True when the text starts with a section number followed by a word: "1 Introduction",
// "3.1.4. Proof", "A. Appendix", "IV. Experiments". Letters and roman numerals need a dot
// ("A Study of" is prose). Callers pass trimmed text.
[[nodiscard]] bool numbered_heading(std::string_view text);

// The number of parts in the section number of a numbered heading ("2.3 Results" is 2), capped
// at 6; nothing for text that is not a numbered heading.
[[nodiscard]] std::optional<std::uint8_t> numbering_depth(std::string_view text);

// Sets the level (1 to 6) of every Heading block in place; other blocks are left alone.
void assign_heading_levels(std::span<Block> blocks);

} // namespace quillstone::doc
