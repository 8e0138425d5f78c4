#pragma once
// Page primitives as JSON: the diagnostic form written by `dump` and by the Python module's
// extract_json. Keys come in a fixed order so the output can be diffed between runs.

#include "ir/page.hpp"
#include "json/writer.hpp"

#include <functional>
#include <string>

namespace quillstone::ir {

// {"x0": ..., "y0": ..., "x1": ..., "y1": ...}, the rectangle form every JSON output shares.
void write_rect(json::Writer& w, const Rect& r);
void write_font_table(json::Writer& w, const FontTable& fonts);
void write_page(json::Writer& w, const PageRaw& page);

// The whole extraction as {"fonts": ..., "pages": [...]}. `after_page` runs after each page is
// written, so a caller can drain the writer's string and keep memory flat.
void write_doc(json::Writer& w, const DocRaw& doc, const std::function<void()>& after_page = {});

// A single page as the two-element array [fonts, page].
void write_single_page(json::Writer& w, const FontTable& fonts, const PageRaw& page);

[[nodiscard]] std::string doc_to_json(const DocRaw& doc, json::Layout layout);
[[nodiscard]] std::string page_to_json(const FontTable& fonts, const PageRaw& page,
                                       json::Layout layout);

} // namespace quillstone::ir
