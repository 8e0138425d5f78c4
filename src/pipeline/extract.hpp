#pragma once
// Reads a whole document through a page source and rejects scanned (image-only) documents.

#include "backend/page_source.hpp"
#include "error/error.hpp"
#include "ir/page.hpp"

#include <string>

namespace quillstone::pipeline {

[[nodiscard]] Result<ir::DocRaw> extract_from(backend::PageSource& source, const std::string& path);

// A page with no glyphs, a positive area and one image covering more than half of it.
[[nodiscard]] bool is_scanned_page(const ir::PageRaw& page);

} // namespace quillstone::pipeline
