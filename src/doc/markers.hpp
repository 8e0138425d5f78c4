#pragma once
// The characters that open a bulleted list item. Block assembly uses them to recognise list items
// and the writers to strip the printed bullet before writing their own, so both must agree.

namespace quillstone::doc {

[[nodiscard]] constexpr bool is_bullet(char32_t c) {
    switch (c) {
    case U'*':
    case U'-':
    case U'\u00B7':
    case U'\u2013':
    case U'\u2014':
    case U'\u2022':
    case U'\u2023':
    case U'\u2217':
    case U'\u25AA':
    case U'\u25E6':
        return true;
    default:
        return false;
    }
}

} // namespace quillstone::doc
