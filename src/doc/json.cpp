#include "doc/json.hpp"

#include "ir/page_json.hpp"

#include <cstdint>
#include <string_view>

namespace quillstone::doc {

namespace {

std::string_view kind_name(BlockKind kind) {
    switch (kind) {
    case BlockKind::Title:
        return "title";
    case BlockKind::Heading:
        return "heading";
    case BlockKind::Paragraph:
        return "paragraph";
    case BlockKind::Caption:
        return "caption";
    case BlockKind::Figure:
        return "figure";
    case BlockKind::ListItem:
        return "list_item";
    case BlockKind::Footnote:
        return "footnote";
    case BlockKind::Table:
        return "table";
    case BlockKind::Equation:
        return "equation";
    case BlockKind::Reference:
        return "reference";
    }
    return "paragraph";
}

void write_count(json::Writer& w, std::size_t value) {
    w.number(std::uint64_t{value});
}

void write_optional_string(json::Writer& w, const std::optional<std::string>& value) {
    if (value) {
        w.string(*value);
    } else {
        w.null();
    }
}

void write_kind(json::Writer& w, const Block& block) {
    w.begin_object();
    w.key("type");
    w.string(kind_name(block.kind));
    if (block.kind == BlockKind::Heading) {
        w.key("level");
        w.number(std::uint64_t{block.level});
    } else if (block.kind == BlockKind::ListItem) {
        w.key("ordered");
        w.boolean(block.ordered);
    }
    w.end_object();
}

void write_table(json::Writer& w, const TableData& table) {
    w.begin_object();
    w.key("rows");
    w.begin_array();
    for (const auto& row : table.rows) {
        w.begin_array();
        for (const auto& cell : row)
            w.string(cell);
        w.end_array();
    }
    w.end_array();
    w.key("header_rows");
    write_count(w, table.header_rows);
    w.end_object();
}

void write_math(json::Writer& w, const MathData& math) {
    w.begin_object();
    w.key("latex");
    w.string(math.latex);
    if (math.number) {
        w.key("number");
        w.string(*math.number);
    }
    w.key("confidence");
    w.number(math.confidence);
    w.end_object();
}

void write_reference(json::Writer& w, const Reference& ref) {
    w.begin_object();
    if (ref.label) {
        w.key("label");
        w.string(*ref.label);
    }
    w.key("raw");
    w.string(ref.raw);
    if (!ref.authors.empty()) {
        w.key("authors");
        w.begin_array();
        for (const auto& author : ref.authors)
            w.string(author);
        w.end_array();
    }
    if (ref.title) {
        w.key("title");
        w.string(*ref.title);
    }
    if (ref.year) {
        w.key("year");
        w.number(std::uint64_t{*ref.year});
    }
    if (ref.doi) {
        w.key("doi");
        w.string(*ref.doi);
    }
    if (ref.arxiv) {
        w.key("arxiv");
        w.string(*ref.arxiv);
    }
    w.end_object();
}

} // namespace

void write_block(json::Writer& w, const Block& block) {
    w.begin_object();
    w.key("kind");
    write_kind(w, block);
    w.key("text");
    w.string(block.text);
    w.key("page");
    write_count(w, block.page);
    w.key("bbox");
    ir::write_rect(w, block.bbox);
    w.key("size");
    w.number(block.size);
    if (block.asset) {
        w.key("asset");
        w.string(*block.asset);
    }
    if (block.table) {
        w.key("table");
        write_table(w, *block.table);
    }
    if (block.math) {
        w.key("math");
        write_math(w, *block.math);
    }
    if (block.reference) {
        w.key("reference");
        write_reference(w, *block.reference);
    }
    w.end_object();
}

void write_section(json::Writer& w, const Section& section) {
    w.begin_object();
    w.key("title");
    write_optional_string(w, section.title);
    w.key("level");
    w.number(std::uint64_t{section.level});
    w.key("start");
    write_count(w, section.start);
    w.key("end");
    write_count(w, section.end);
    w.key("first_page");
    write_count(w, section.first_page);
    w.key("last_page");
    write_count(w, section.last_page);
    w.key("children");
    w.begin_array();
    for (const auto& child : section.children)
        write_section(w, child);
    w.end_array();
    w.end_object();
}

void write_document(json::Writer& w, const Document& document,
                    const std::function<void()>& after_block) {
    w.begin_object();
    w.key("title");
    write_optional_string(w, document.title);
    w.key("blocks");
    w.begin_array();
    for (const auto& block : document.blocks) {
        write_block(w, block);
        if (after_block)
            after_block();
    }
    w.end_array();
    w.key("sections");
    w.begin_array();
    for (const auto& section : document.sections())
        write_section(w, section);
    w.end_array();
    w.end_object();
}

std::string to_json(const Document& document, json::Layout layout) {
    std::string out;
    json::Writer w(out, layout);
    write_document(w, document);
    return out;
}

} // namespace quillstone::doc
