#pragma once
// Plain text from a finished document, for indexing and search: block texts as they are, tables
// as tab-separated lines, display equations as bare LaTeX. No markup and no escaping.

#include "doc/model.hpp"

#include <string>

namespace quillstone::emit::text {

// The whole document, blocks separated by one blank line, ending in exactly one line feed.
[[nodiscard]] std::string render(const doc::Document& document);

} // namespace quillstone::emit::text
