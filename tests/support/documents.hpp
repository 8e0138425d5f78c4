#pragma once
// Hand-built blocks for the writer tests: each helper sets only what the writers read.

#include "doc/model.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillstone::emit::testing {

inline doc::Block block(doc::BlockKind kind, std::string text) {
    doc::Block b;
    b.kind = kind;
    b.text = std::move(text);
    return b;
}

inline doc::Block para(std::string text) {
    return block(doc::BlockKind::Paragraph, std::move(text));
}

inline doc::Block heading(std::uint8_t level, std::string text) {
    doc::Block b = block(doc::BlockKind::Heading, std::move(text));
    b.level = level;
    return b;
}

inline doc::Block item(bool ordered, std::string text) {
    doc::Block b = block(doc::BlockKind::ListItem, std::move(text));
    b.ordered = ordered;
    return b;
}

inline doc::Block figure(std::string caption, std::optional<std::string> asset) {
    doc::Block b = block(doc::BlockKind::Figure, std::move(caption));
    b.asset = std::move(asset);
    return b;
}

inline doc::Block equation(std::string text, std::optional<std::string> latex,
                           std::optional<std::string> number = std::nullopt,
                           std::optional<std::string> asset = std::nullopt) {
    doc::Block b = block(doc::BlockKind::Equation, std::move(text));
    if (latex)
        b.math = doc::MathData{*latex, std::move(number), 0.9f};
    b.asset = std::move(asset);
    return b;
}

inline doc::Block table(std::vector<std::vector<std::string>> rows, std::size_t header_rows) {
    doc::Block b = block(doc::BlockKind::Table, "Table");
    b.table = doc::TableData{std::move(rows), header_rows};
    return b;
}

inline doc::Block reference(std::string text, std::optional<std::string> label) {
    doc::Block b = block(doc::BlockKind::Reference, text);
    b.reference = doc::Reference{};
    b.reference->raw = std::move(text);
    b.reference->label = std::move(label);
    return b;
}

inline doc::Document document(std::vector<doc::Block> blocks) {
    doc::Document d;
    d.blocks = std::move(blocks);
    return d;
}

} // namespace quillstone::emit::testing
