#pragma once
// Typst markup from a finished document: headings, lists, figures with images, shaded-header
// tables, labelled references, and display equations handed to the "mitex" package, which
// typesets LaTeX. The package is imported only when the document holds mathematics.

#include "doc/model.hpp"

#include <string>
#include <string_view>

namespace quillstone::emit::typst {

// The line that brings in mitex, written first when any block has math or a "$" in its text.
inline constexpr std::string_view mitex_import = "#import \"@preview/mitex:0.2.4\": mi, mitex";

// The whole document, blocks separated by one blank line, ending in exactly one line feed.
[[nodiscard]] std::string render(const doc::Document& document);

// Escapes Typst markup characters (# * < > @ [ \ ] _ `, and a "/" that starts "//") outside "$"
// spans; inside them, where the inline formulas live, the text is copied unchanged. Every "$"
// toggles the span.
[[nodiscard]] std::string inline_text(std::string_view text);

} // namespace quillstone::emit::typst
