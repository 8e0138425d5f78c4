#pragma once
// The document model as JSON: the "json" output format and what the Python functions return.
// Keys come in a fixed order and optional records appear only when present, so the output can be
// diffed between runs; the section outline is derived while writing, never stored.

#include "doc/model.hpp"
#include "json/writer.hpp"

#include <functional>
#include <string>

namespace quillstone::doc {

void write_block(json::Writer& w, const Block& block);
void write_section(json::Writer& w, const Section& section);

// {"title": ..., "blocks": [...], "sections": [...]}. `after_block` runs after each block is
// written, so a caller can drain the writer's string and keep memory flat.
void write_document(json::Writer& w, const Document& document,
                    const std::function<void()>& after_block = {});

[[nodiscard]] std::string to_json(const Document& document, json::Layout layout);

} // namespace quillstone::doc
