#pragma once
// The document model: what a conversion produces. An optional title and one flat list of blocks
// in reading order, each remembering the page and box it came from. The section outline is not
// stored but derived from the heading blocks on demand, so it can never disagree with them.

#include "ir/geometry.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillstone::doc {

enum class BlockKind : std::uint8_t {
    Title,
    Heading, // carries Block::level
    Paragraph,
    Caption,
    Figure,
    ListItem, // carries Block::ordered
    Footnote,
    Table,
    Equation,
    Reference,
};

struct TableData {
    // Cell texts row by row, one string per column; empty for an empty cell.
    std::vector<std::vector<std::string>> rows;
    std::size_t header_rows = 0;

    // The width of the widest row: rows may be ragged, writers pad them to this.
    [[nodiscard]] std::size_t column_count() const {
        std::size_t n = 0;
        for (const auto& row : rows)
            if (row.size() > n) n = row.size();
        return n;
    }
    bool operator==(const TableData&) const = default;
};

struct MathData {
    std::string latex;
    std::optional<std::string> number; // the number or tag as printed
    float confidence = 0.0f;
    bool operator==(const MathData&) const = default;
};

// One entry of the reference list, with whatever fields could be parsed from it.
struct Reference {
    std::optional<std::string> label; // as printed, e.g. the number of a numbered entry
    std::string raw;
    std::vector<std::string> authors;
    std::optional<std::string> title;
    std::optional<std::uint16_t> year;
    std::optional<std::string> doi;
    std::optional<std::string> arxiv;
    bool operator==(const Reference&) const = default;
};

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    // Only meaningful for a Heading: 1 is the top level.
    std::uint8_t level = 0;
    // Only meaningful for a ListItem: numbered (true) or bulleted (false).
    bool ordered = false;
    std::string text;
    std::size_t page = 0; // zero-based page the block starts on
    ir::Rect bbox;        // on that page
    float size = 0.0f;    // font size of the first line, in points
    // "{dir}/{file}" of a rasterised image: a figure, or an equation also given as an image.
    std::optional<std::string> asset;
    std::optional<TableData> table;
    std::optional<MathData> math;
    std::optional<Reference> reference;
    bool operator==(const Block&) const = default;
};

// A node of the derived outline. The preamble (blocks before the first heading) is a section
// without title at level 0.
struct Section {
    std::optional<std::string> title;
    std::uint8_t level = 0;
    std::size_t start = 0; // index of the first block (the heading)
    std::size_t end = 0;   // one past the last block, children included
    std::size_t first_page = 0;
    std::size_t last_page = 0;
    std::vector<Section> children;
    bool operator==(const Section&) const = default;
};

// A heading as the outline sees it: its block index and its level, at least 1.
struct HeadingRef {
    std::size_t index = 0;
    std::uint8_t level = 1;
    bool operator==(const HeadingRef&) const = default;
};

struct Document {
    std::optional<std::string> title;
    std::vector<Block> blocks;

    // The top-level sections, computed afresh from the heading blocks. Together they cover every
    // block exactly once, in order; an empty document has none.
    [[nodiscard]] std::vector<Section> sections() const;

    // Builds the sections of the headings from `cursor` on that are deeper than `parent_level`,
    // advancing `cursor` past every heading consumed (children included).
    [[nodiscard]] std::vector<Section> nest(const std::vector<HeadingRef>& headings,
                                            std::size_t& cursor, std::uint8_t parent_level) const;

    // A section over blocks [start, end) with its page span filled in from those blocks (both 0
    // for an empty range).
    [[nodiscard]] Section section(std::optional<std::string> section_title, std::uint8_t level,
                                  std::size_t start, std::size_t end,
                                  std::vector<Section> children) const;

    bool operator==(const Document&) const = default;
};

} // namespace quillstone::doc
