#include "pipeline/convert.hpp"

#include "backend/pdf.hpp"
#include "io/file.hpp"
#include "layout/furniture.hpp"
#include "layout/order.hpp"
#include "layout/stats.hpp"
#include "pipeline/extract.hpp"
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
    const ir::DocRaw& raw = extracted.value();
    const std::size_t n = raw.pages.size();

    std::vector<float> heights;
    heights.reserve(n);
    for (const auto& page : raw.pages) heights.push_back(page.height);

    BuiltPages built = build_pages(raw);
    auto& lines = built.lines;

    // Running heads and page numbers repeat across pages; they go before anything reads the text.
    layout::furniture::strip(lines, heights);

    const auto stats = layout::stats::Stats::measure(lines);

    lines = parallel_map_indices(n, [&](std::size_t i) {
        return layout::order::reading_order(std::move(lines[i]));
    });

    const auto vocabulary = text::vocab::Vocabulary::build(lines);
    (void)vocabulary;
    (void)stats;

    doc::Document document;
    if (options.assets) {
        if (auto err = io::create_directories(*options.assets))
            return Error::io(*options.assets, *err);
    }
    return document;
}

} // namespace quillstone::pipeline
