#pragma once
// Tables and display equations must not pass through block assembly: their lines would become
// heaps of short paragraphs. They are lifted out of each page's line flow first, remembering
// where in the reading order they stood, and placed back between the assembled blocks after.
// Figures become blocks of their own, attached to their caption or inserted above, and the
// short labels drawn inside them are dropped.

#include "doc/model.hpp"
#include "ir/geometry.hpp"
#include "ir/page.hpp"
#include "layout/columns.hpp"
#include "text/lines.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillstone::pipeline {

using PageLines = std::vector<text::lines::Line>;

// For each line still in a page's list, its index in that list as it was before anything was
// lifted (the reading order). Block anchors map through it to compare with lifted positions.
using SourceIndices = std::vector<std::size_t>;

struct LiftedTable {
    std::size_t page = 0;     // the page's `index`
    std::size_t position = 0; // reading-order index of the table's first member line
    ir::Rect bbox;
    doc::TableData data;
    bool operator==(const LiftedTable&) const = default;
};

struct LiftedEquation {
    std::size_t page = 0;     // the page's `index`
    std::size_t position = 0; // reading-order index of the equation's first line
    ir::Rect bbox;
    doc::MathData data;
    bool operator==(const LiftedEquation&) const = default;
};

struct FigurePlacement {
    std::size_t page = 0; // zero-based position of the page
    ir::Rect bbox;
    bool operator==(const FigurePlacement&) const = default;
};

// One table as a detector reports it.
struct FoundTable {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::size_t> lines; // member lines, indices into the page's line list
    ir::Rect bbox;
    std::size_t header_rows = 0;
    bool operator==(const FoundTable&) const = default;
};

// Finds the tables of one page from its lines in reading order, the page's figure regions and
// the body size. An empty detector finds nothing.
using TableDetector = std::function<std::vector<FoundTable>(
    const ir::PageRaw& page, std::span<const text::lines::Line> lines,
    std::span<const ir::Rect> figures, float body_size)>;

// One display equation as a detector reports it.
struct FoundEquation {
    std::vector<std::size_t> lines; // indices into the page's current line list, ascending
    std::string latex;              // trimmed by the caller; empty means no equation after all
    std::optional<std::string> number;
    float confidence = 0.0f;
    ir::Rect bbox; // the equation body, its number excluded
    bool operator==(const FoundEquation&) const = default;
};

// Whether a display equation starts at line `index`, given the line's column rectangle and
// which lines earlier equations have already taken.
using EquationDetector = std::function<std::optional<FoundEquation>(
    const ir::PageRaw& page, const ir::FontTable& fonts, std::span<const text::lines::Line> lines,
    std::size_t index, const ir::Rect& column, const std::vector<bool>& consumed)>;

// Rewrites the words of line `index` that form inline formulas.
using InlineMathRewriter =
    std::function<void(const ir::PageRaw& page, const ir::FontTable& fonts,
                       std::span<text::lines::Line> lines, std::size_t index)>;

// The mathematics stages plugged into equation lifting; empty ones do nothing.
struct EquationDetectors {
    EquationDetector display;
    InlineMathRewriter inline_math;
};

struct PageTablesLifted {
    std::vector<LiftedTable> tables;
    PageLines lines;
    SourceIndices source_indices;
};

struct TablesLifted {
    std::vector<LiftedTable> tables;           // in page order, then detection order
    std::vector<PageLines> lines;              // one list per input list, table lines removed
    std::vector<SourceIndices> source_indices; // one per line list
};

// Lifts the tables of one page out of its lines. `figures` holds one list of figure regions per
// page, looked up by the page's `index` (none when out of range).
[[nodiscard]] PageTablesLifted lift_page_tables(const ir::PageRaw& page, PageLines lines,
                                                std::span<const std::vector<ir::Rect>> figures,
                                                float body_size, const TableDetector& detect);

// Every page's tables; pages and line lists are paired by position. Line lists without a page
// pass through untouched. Without a detector no table is lifted and every line maps to itself.
[[nodiscard]] TablesLifted lift_tables(std::span<const ir::PageRaw> pages,
                                       std::vector<PageLines> lines,
                                       std::span<const std::vector<ir::Rect>> figures,
                                       float body_size, const TableDetector& detect = {});

// The horizontal extent of the column a line sits in, as a rectangle spanning `page_union`
// vertically: the gutters of the band around the line's middle bound it left and right. A line
// outside any band, in a band without gutters or across a gutter gets the whole `page_union`.
[[nodiscard]] ir::Rect column_rect(const text::lines::Line& line,
                                   std::span<const layout::columns::Band> bands,
                                   const ir::Rect& page_union);

// Lifts the display equations of one page, then lets inline formulas rewrite the words of the
// lines left. `lines` and `source_indices` lose the equations' lines in step.
[[nodiscard]] std::vector<LiftedEquation>
lift_page_equations(const ir::PageRaw& page, const ir::FontTable& fonts,
                    std::span<const layout::columns::Band> bands, PageLines& lines,
                    SourceIndices& source_indices, const EquationDetectors& detectors);

// Every page's equations, in page order. `bands` holds one list per page, looked up by the
// page's `index`. A line list without source indices gets identity ones first.
[[nodiscard]] std::vector<LiftedEquation>
lift_equations(std::span<const ir::PageRaw> pages, const ir::FontTable& fonts,
               std::span<const std::vector<layout::columns::Band>> bands,
               std::vector<PageLines>& lines, std::vector<SourceIndices>& source_indices,
               const EquationDetectors& detectors = {});

// Puts lifted tables and equations back between the blocks made from the remaining lines: each
// lands before the first block that started at or after it in its page's reading order, or
// before the first block of a later page. `line_anchors` are assembly's, one per block.
void place_lifted(doc::Document& document, std::span<const std::size_t> line_anchors,
                  std::span<const SourceIndices> source_indices, std::vector<LiftedTable> tables,
                  std::vector<LiftedEquation> equations);

// The caption of a figure: the nearest Caption block on its page that overlaps it horizontally
// and lies within 90 points above or below it (one overlapping it vertically counts as nearer
// than any). The earliest block wins ties.
[[nodiscard]] std::optional<std::size_t> caption_for(std::span<const doc::Block> blocks,
                                                     std::size_t page, const ir::Rect& rect);

// Inserts an empty Figure block after the last block of the page that ends above the figure and
// overlaps it horizontally, else before the page's first block (or at the end). Returns where.
std::size_t insert_figure(std::vector<doc::Block>& blocks, std::size_t page, const ir::Rect& rect,
                          std::optional<std::string> asset);

// Removes short texts (12 words or fewer) that sit within 18 points of a figure or lie mostly
// inside that margin: axis labels, legends. Captions, figures, tables and equations stay.
void drop_text_inside_figures(std::vector<doc::Block>& blocks,
                              std::span<const FigurePlacement> figures);

} // namespace quillstone::pipeline
