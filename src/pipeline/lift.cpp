#include "pipeline/lift.hpp"

#include "text/chars.hpp"

#include <algorithm>
#include <iterator>
#include <limits>
#include <numeric>
#include <string_view>
#include <utility>

namespace quillstone::pipeline {

namespace {

namespace chars = quillstone::text::chars;
using doc::Block;
using doc::BlockKind;
using layout::columns::Band;
using text::lines::Line;

// A caption further than this from its figure belongs to something else.
constexpr float caption_reach_pt = 90.0f;
// Labels drawn just outside a figure's drawing (axis titles, tick labels) still belong to it.
constexpr float figure_margin_pt = 18.0f;
constexpr float figure_inside_share = 0.8f;
constexpr std::size_t figure_label_max_words = 12;
// Keeps the share test defined for blocks without area.
constexpr float min_block_area = 1.1920929e-7f;

constexpr std::size_t unplaced = std::numeric_limits<std::size_t>::max();

bool overlap_horizontally(const ir::Rect& a, const ir::Rect& b) {
    return std::min(a.x1, b.x1) > std::max(a.x0, b.x0);
}

SourceIndices identity(std::size_t n) {
    SourceIndices indices(n);
    std::iota(indices.begin(), indices.end(), std::size_t{0});
    return indices;
}

// Keeps the entries whose flag is clear, in order; entries past the flags are kept.
template <class T>
void remove_flagged(std::vector<T>& items, const std::vector<bool>& flagged) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k < flagged.size() && flagged[k])
            continue;
        if (kept != k)
            items[kept] = std::move(items[k]);
        ++kept;
    }
    items.resize(kept);
}

} // namespace

PageTablesLifted lift_page_tables(const ir::PageRaw& page, PageLines lines,
                                  std::span<const std::vector<ir::Rect>> figures, float body_size,
                                  const TableDetector& detect) {
    PageTablesLifted out;
    std::vector<FoundTable> found;
    if (detect) {
        const std::span<const ir::Rect> page_figures =
            page.index < figures.size() ? std::span<const ir::Rect>(figures[page.index])
                                        : std::span<const ir::Rect>();
        found = detect(page, lines, page_figures, body_size);
    }

    std::vector<bool> consumed(lines.size());
    for (FoundTable& table : found) {
        // A table without a member line on this page sorts after all of the page's text.
        std::size_t position = lines.size();
        for (const std::size_t k : table.lines) {
            if (k >= lines.size())
                continue;
            consumed[k] = true;
            position = std::min(position, k);
        }
        out.tables.push_back({static_cast<std::size_t>(page.index), position, table.bbox,
                              doc::TableData{std::move(table.rows), table.header_rows}});
    }

    out.source_indices = identity(lines.size());
    remove_flagged(out.source_indices, consumed);
    remove_flagged(lines, consumed);
    out.lines = std::move(lines);
    return out;
}

TablesLifted lift_tables(std::span<const ir::PageRaw> pages, std::vector<PageLines> lines,
                         std::span<const std::vector<ir::Rect>> figures, float body_size,
                         const TableDetector& detect) {
    TablesLifted out;
    out.lines.reserve(lines.size());
    out.source_indices.reserve(lines.size());
    // Pages are independent; the driver may run `lift_page_tables` on the task pool instead, as
    // long as it gathers the results in page order.
    for (std::size_t p = 0; p < lines.size(); ++p) {
        if (p >= pages.size()) {
            out.source_indices.push_back(identity(lines[p].size()));
            out.lines.push_back(std::move(lines[p]));
            continue;
        }
        PageTablesLifted page =
            lift_page_tables(pages[p], std::move(lines[p]), figures, body_size, detect);
        std::move(page.tables.begin(), page.tables.end(), std::back_inserter(out.tables));
        out.lines.push_back(std::move(page.lines));
        out.source_indices.push_back(std::move(page.source_indices));
    }
    return out;
}

ir::Rect column_rect(const Line& line, std::span<const Band> bands, const ir::Rect& page_union) {
    const float middle_y = (line.bbox.y0 + line.bbox.y1) / 2.0f;
    const auto band = std::find_if(bands.begin(), bands.end(), [&](const Band& b) {
        return b.top <= middle_y && middle_y < b.bottom;
    });
    if (band == bands.end() || band->gutters.empty())
        return page_union;
    for (const auto& [lo, hi] : band->gutters)
        if (line.bbox.x0 < lo && line.bbox.x1 > hi)
            return page_union;

    const float middle_x = (line.bbox.x0 + line.bbox.x1) / 2.0f;
    float left = page_union.x0;
    float right = page_union.x1;
    for (const auto& [lo, hi] : band->gutters) {
        if (middle_x >= hi) {
            left = std::max(left, hi);
        } else if (middle_x <= lo) {
            right = std::min(page_union.x1, lo);
            break;
        }
    }
    if (!(left < right))
        return page_union;
    return {left, page_union.y0, right, page_union.y1};
}

std::vector<LiftedEquation> lift_page_equations(const ir::PageRaw& page, const ir::FontTable& fonts,
                                                std::span<const Band> bands, PageLines& lines,
                                                SourceIndices& source_indices,
                                                const EquationDetectors& detectors) {
    std::vector<LiftedEquation> out;
    if (lines.empty())
        return out;
    ir::Rect page_union = lines.front().bbox;
    for (const Line& line : lines) {
        page_union.x0 = std::min(page_union.x0, line.bbox.x0);
        page_union.y0 = std::min(page_union.y0, line.bbox.y0);
        page_union.x1 = std::max(page_union.x1, line.bbox.x1);
        page_union.y1 = std::max(page_union.y1, line.bbox.y1);
    }

    std::vector<bool> consumed(lines.size());
    for (std::size_t i = 0; detectors.display && i < lines.size(); ++i) {
        if (consumed[i])
            continue;
        const ir::Rect column = column_rect(lines[i], bands, page_union);
        std::optional<FoundEquation> found =
            detectors.display(page, fonts, lines, i, column, consumed);
        if (!found)
            continue;
        std::string latex(chars::trim(found->latex));
        if (latex.empty())
            continue;
        std::size_t first = i;
        if (!found->lines.empty())
            first = *std::min_element(found->lines.begin(), found->lines.end());
        for (const std::size_t k : found->lines)
            if (k < consumed.size())
                consumed[k] = true;
        const std::size_t position = first < source_indices.size() ? source_indices[first] : first;
        out.push_back(
            {static_cast<std::size_t>(page.index), position, found->bbox,
             doc::MathData{std::move(latex), std::move(found->number), found->confidence}});
    }

    if (detectors.inline_math)
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!consumed[i])
                detectors.inline_math(page, fonts, lines, i);

    remove_flagged(lines, consumed);
    remove_flagged(source_indices, consumed);
    return out;
}

std::vector<LiftedEquation>
lift_equations(std::span<const ir::PageRaw> pages, const ir::FontTable& fonts,
               std::span<const std::vector<Band>> bands, std::vector<PageLines>& lines,
               std::vector<SourceIndices>& source_indices, const EquationDetectors& detectors) {
    // Positions are only comparable through the source indices, so every line list needs one.
    for (std::size_t p = source_indices.size(); p < lines.size(); ++p)
        source_indices.push_back(identity(lines[p].size()));

    std::vector<LiftedEquation> out;
    // As for tables, `lift_page_equations` may run per page on the task pool, gathered in order.
    for (std::size_t p = 0; p < lines.size() && p < pages.size(); ++p) {
        const ir::PageRaw& page = pages[p];
        const std::span<const Band> page_bands = page.index < bands.size()
                                                     ? std::span<const Band>(bands[page.index])
                                                     : std::span<const Band>();
        std::vector<LiftedEquation> found =
            lift_page_equations(page, fonts, page_bands, lines[p], source_indices[p], detectors);
        std::move(found.begin(), found.end(), std::back_inserter(out));
    }
    return out;
}

void place_lifted(doc::Document& document, std::span<const std::size_t> line_anchors,
                  std::span<const SourceIndices> source_indices, std::vector<LiftedTable> tables,
                  std::vector<LiftedEquation> equations) {
    using Key = std::pair<std::size_t, std::size_t>; // (page, reading-order position)
    struct Lifted {
        Key key;
        Block block;
    };
    std::vector<Lifted> lifted;
    lifted.reserve(tables.size() + equations.size());
    for (LiftedTable& t : tables) {
        Block b;
        b.kind = BlockKind::Table;
        b.page = t.page;
        b.bbox = t.bbox;
        b.table = std::move(t.data);
        lifted.push_back({{t.page, t.position}, std::move(b)});
    }
    for (LiftedEquation& e : equations) {
        Block b;
        b.kind = BlockKind::Equation;
        b.page = e.page;
        b.bbox = e.bbox;
        b.math = std::move(e.data);
        lifted.push_back({{e.page, e.position}, std::move(b)});
    }
    // Stable: on equal keys tables stay ahead of equations, each in detection order.
    std::stable_sort(lifted.begin(), lifted.end(),
                     [](const Lifted& a, const Lifted& b) { return a.key < b.key; });

    std::vector<Block>& blocks = document.blocks;
    std::vector<Block> placed;
    placed.reserve(blocks.size() + lifted.size());
    auto next = lifted.begin();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::size_t position = unplaced;
        if (i < line_anchors.size() && blocks[i].page < source_indices.size()) {
            const SourceIndices& indices = source_indices[blocks[i].page];
            if (line_anchors[i] < indices.size())
                position = indices[line_anchors[i]];
        }
        const Key key{blocks[i].page, position};
        for (; next != lifted.end() && next->key <= key; ++next)
            placed.push_back(std::move(next->block));
        placed.push_back(std::move(blocks[i]));
    }
    for (; next != lifted.end(); ++next)
        placed.push_back(std::move(next->block));
    blocks = std::move(placed);
}

std::optional<std::size_t> caption_for(std::span<const Block> blocks, std::size_t page,
                                       const ir::Rect& rect) {
    std::optional<std::size_t> best;
    float best_distance = 0.0f;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        if (b.kind != BlockKind::Caption || b.page != page || !overlap_horizontally(b.bbox, rect))
            continue;
        // Negative when the caption overlaps the figure vertically.
        const float distance = b.bbox.y0 >= rect.y1 ? b.bbox.y0 - rect.y1 : rect.y0 - b.bbox.y1;
        if (!(distance <= caption_reach_pt))
            continue;
        if (!best || ir::total_less(distance, best_distance)) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

std::size_t insert_figure(std::vector<Block>& blocks, std::size_t page, const ir::Rect& rect,
                          std::optional<std::string> asset) {
    std::size_t at = blocks.size();
    bool found = false;
    for (std::size_t i = blocks.size(); i-- > 0;) {
        const Block& b = blocks[i];
        if (b.page == page && b.bbox.y1 <= rect.y0 && overlap_horizontally(b.bbox, rect)) {
            at = i + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        const auto later = std::find_if(blocks.begin(), blocks.end(),
                                        [&](const Block& b) { return b.page >= page; });
        at = static_cast<std::size_t>(later - blocks.begin());
    }
    Block figure;
    figure.kind = BlockKind::Figure;
    figure.page = page;
    figure.bbox = rect;
    figure.asset = std::move(asset);
    blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(at), std::move(figure));
    return at;
}

void drop_text_inside_figures(std::vector<Block>& blocks,
                              std::span<const FigurePlacement> figures) {
    if (figures.empty())
        return;
    const auto inside_a_figure = [&](const Block& b) {
        if (b.kind == BlockKind::Caption || b.kind == BlockKind::Figure ||
            b.kind == BlockKind::Table || b.kind == BlockKind::Equation)
            return false;
        if (chars::word_count(b.text) > figure_label_max_words)
            return false;
        const float cx = (b.bbox.x0 + b.bbox.x1) / 2.0f;
        const float cy = (b.bbox.y0 + b.bbox.y1) / 2.0f;
        const float area = std::max(b.bbox.width() * b.bbox.height(), min_block_area);
        for (const FigurePlacement& f : figures) {
            if (f.page != b.page)
                continue;
            const ir::Rect grown{f.bbox.x0 - figure_margin_pt, f.bbox.y0 - figure_margin_pt,
                                 f.bbox.x1 + figure_margin_pt, f.bbox.y1 + figure_margin_pt};
            if (cx >= grown.x0 && cx <= grown.x1 && cy >= grown.y0 && cy <= grown.y1)
                return true;
            const float w = std::min(b.bbox.x1, grown.x1) - std::max(b.bbox.x0, grown.x0);
            const float h = std::min(b.bbox.y1, grown.y1) - std::max(b.bbox.y0, grown.y0);
            const float shared = std::max(w, 0.0f) * std::max(h, 0.0f);
            if (shared >= figure_inside_share * area)
                return true;
        }
        return false;
    };
    std::erase_if(blocks, inside_a_figure);
}

} // namespace quillstone::pipeline
