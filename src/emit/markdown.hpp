#pragma once
// GitHub-flavoured Markdown from a finished document: each block by its kind, escaped only where
// Markdown would misread the start of a block. Everything about structure was decided upstream;
// this writer only picks the textual form.

#include "doc/model.hpp"

#include <span>
#include <string>
#include <string_view>

namespace quillstone::emit::markdown {

// The whole document, blocks separated by one blank line, ending in exactly one line feed.
[[nodiscard]] std::string render(const doc::Document& document);

// Escapes a block's first character when Markdown would read it as syntax (#, +, -, =, >, |);
// the leading white space before it is then dropped. Anything else is returned unchanged.
[[nodiscard]] std::string escape(std::string_view text);

// One table cell made safe for a pipe table: bars escaped, white space trimmed.
[[nodiscard]] std::string cell(std::string_view text);

// Appends "| c1 | c2 |" and a line feed.
void write_row(std::string& out, std::span<const std::string> cells);

// A list item's text without its printed marker ("•", "-", "1.", "(iv)", "[12]"). A first token
// of 7 bytes or more is taken for a word and kept.
[[nodiscard]] std::string_view strip_marker(std::string_view text);

} // namespace quillstone::emit::markdown
