#include "pipeline/convert.hpp"

#include "backend/pdf.hpp"
#include "doc/assemble.hpp"
#include "io/file.hpp"
#include "layout/furniture.hpp"
#include "layout/order.hpp"
#include "layout/stats.hpp"
#include "pipeline/extract.hpp"
#include "pipeline/lift.hpp"
#include "pipeline/parallel.hpp"
#include "text/vocab.hpp"

namespace quillstone::pipeline {

using text::lines::Line;

BuiltPages build_pages(const ir::DocRaw& doc) {
    const auto& pages = doc.pages;
    const std::size_t n = pages.size();
    BuiltPages built;
    built.lines = parallel_map(pages, [](const ir::PageRaw& page) {
        return text::lines::build_lines(page);
    });

    // Gutters per page in parallel, the spine once for the document, then each page's bands.
    const auto gutters = parallel_map_indices(n, [&](std::size_t i) {
        return layout::columns::page_gutters(pages[i], built.lines[i]);
    });
    const auto spine = layout::columns::document_spine(gutters);
    built.bands = parallel_map_indices(n, [&](std::size_t i) {
        return layout::columns::page_bands(pages[i], built.lines[i], gutters[i], spine);
    });

    built.lines = parallel_map_indices(n, [&](std::size_t i) {
        return layout::columns::apply_bands(pages[i], std::move(built.lines[i]), built.bands[i]);
    });
    return built;
}

Result<doc::Document> convert_with(const std::string& path, const ConvertOptions& options) {
    auto backend = backend::PdfBackend::open_with_password(path);
    if (!backend) return std::move(backend).error();
    auto extracted = extract_from(**backend, path);
    if (!extracted) return std::move(extracted).error();
    // The text stages need none of the reader's cached fonts and images; dropping them lets
    // the stages reuse that memory instead of adding to the peak.
    (*backend)->release_caches();
    return convert_extracted(extracted.value(), **backend, options);
}

Result<doc::Document> convert_extracted(const ir::DocRaw& raw, backend::PageSource& source,
                                        const ConvertOptions& options) {
    // Figures and low-confidence equations are rasterised through the source once they exist.
    (void)source;
    const std::size_t n = raw.pages.size();

    std::vector<float> heights;
    heights.reserve(n);
    for (const auto& page : raw.pages) heights.push_back(page.height);

    BuiltPages built = build_pages(raw);
    auto& lines = built.lines;

    // Running heads and page numbers repeat across pages; they go before anything reads the text.
    layout::furniture::strip(lines, heights);

    // Figure regions come from the page primitives alone; no detector is wired in yet, so every
    // page has none.
    const std::vector<std::vector<ir::Rect>> figures(n);

    const auto stats = layout::stats::Stats::measure(lines);

    lines = parallel_map_indices(n, [&](std::size_t i) {
        return layout::order::reading_order(std::move(lines[i]));
    });

    // Tables and display equations leave the text flow here and return between the blocks once
    // those exist. Each page's detection is independent; results are gathered in page order.
    const TableDetector detect_tables;
    auto per_page_tables = parallel_map_indices(n, [&](std::size_t i) {
        return lift_page_tables(raw.pages[i], std::move(lines[i]), figures, stats.body_size,
                                detect_tables);
    });
    std::vector<LiftedTable> tables;
    std::vector<SourceIndices> sources(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto& page = per_page_tables[i];
        std::move(page.tables.begin(), page.tables.end(), std::back_inserter(tables));
        lines[i] = std::move(page.lines);
        sources[i] = std::move(page.source_indices);
    }
    const EquationDetectors detect_equations;
    auto per_page_equations = parallel_map_indices(n, [&](std::size_t i) {
        return lift_page_equations(raw.pages[i], raw.fonts, built.bands[i], lines[i], sources[i],
                                   detect_equations);
    });
    std::vector<LiftedEquation> equations;
    for (auto& page : per_page_equations)
        std::move(page.begin(), page.end(), std::back_inserter(equations));

    const auto vocabulary = text::vocab::Vocabulary::build(lines);
    doc::Assembled assembled =
        doc::assemble_placed(lines, heights, vocabulary, stats.body_size, stats.leading);
    doc::Document document = std::move(assembled.document);
    place_lifted(document, assembled.line_anchors, sources, std::move(tables),
                 std::move(equations));

    if (options.assets) {
        if (auto err = io::create_directories(*options.assets))
            return Error::io(*options.assets, *err);
    }

    // The figure pass numbers, rasterises and places figure regions; with none found there is
    // nothing to place, and short labels inside figures have nothing to be dropped from.
    const std::vector<FigurePlacement> placements;
    drop_text_inside_figures(document.blocks, placements);
    return document;
}

} // namespace quillstone::pipeline
