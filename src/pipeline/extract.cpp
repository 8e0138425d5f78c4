#include "pipeline/extract.hpp"

#include <algorithm>

namespace quillstone::pipeline {

bool is_scanned_page(const ir::PageRaw& page) {
    if (!page.glyphs.empty()) return false;
    const float area = page.width * page.height;
    if (!(area > 0)) return false;
    for (const auto& im : page.images)
        if (im.bbox.width() * im.bbox.height() / area > 0.5f) return true;
    return false;
}

Result<ir::DocRaw> extract_from(backend::PageSource& source, const std::string& path) {
    ir::DocRaw doc;
    const std::size_t count = source.page_count();
    // A damaged page tree can claim millions of pages; grow as pages really arrive.
    doc.pages.reserve(std::min<std::size_t>(count, 4096));
    for (std::size_t i = 0; i < count; ++i) {
        auto page = source.page(i, doc.fonts);
        if (!page) return std::move(page).error();
        doc.pages.push_back(std::move(page).value());
    }
    if (doc.pages.empty()) return doc;

    std::uint32_t scanned = 0;
    for (const auto& page : doc.pages)
        if (is_scanned_page(page)) ++scanned;
    const auto total = static_cast<std::uint32_t>(doc.pages.size());
    if (2 * std::uint64_t{scanned} > total) return Error::scanned_document(path, scanned, total);
    return doc;
}

} // namespace quillstone::pipeline
