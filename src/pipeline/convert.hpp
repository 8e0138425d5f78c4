#pragma once
// The conversion driver: the one function that turns a PDF path into a Document. It fixes the
// order of the stages, runs the per-page ones on the task pool, and applies the caller's options.

#include "backend/page_source.hpp"
#include "compress/level.hpp"
#include "doc/model.hpp"
#include "error/error.hpp"
#include "ir/page.hpp"
#include "layout/columns.hpp"
#include "text/lines.hpp"

#include <optional>
#include <string>
#include <vector>

namespace quillstone::pipeline {

struct ConvertOptions {
    // Where figure and equation images go; absent: no image is written.
    std::optional<std::string> assets;
    float figure_dpi = 150.0f;
    std::optional<compress::Caveman> caveman;
};

// Every page's lines, cut at its column gutters, and every page's column bands.
struct BuiltPages {
    std::vector<std::vector<text::lines::Line>> lines;
    std::vector<std::vector<layout::columns::Band>> bands;
};

// Lines of each page (in parallel), the document's column bands, and the lines cut at them.
[[nodiscard]] BuiltPages build_pages(const ir::DocRaw& doc);

[[nodiscard]] Result<doc::Document> convert_with(const std::string& path,
                                                 const ConvertOptions& options);

// Everything after extraction: the text stages over an extracted document, rasterising through
// `source` when assets are asked for.
[[nodiscard]] Result<doc::Document> convert_extracted(const ir::DocRaw& raw,
                                                      backend::PageSource& source,
                                                      const ConvertOptions& options);

} // namespace quillstone::pipeline
