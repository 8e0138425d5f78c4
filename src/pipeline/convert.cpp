#include "pipeline/convert.hpp"

#include "backend/pdf.hpp"
#include "io/file.hpp"
#include "pipeline/extract.hpp"

namespace quillstone::pipeline {

Result<doc::Document> convert_with(const std::string& path, const ConvertOptions& options) {
    auto backend = backend::PdfBackend::open_with_password(path);
    if (!backend) return std::move(backend).error();
    auto raw = extract_from(**backend, path);
    if (!raw) return std::move(raw).error();

    doc::Document document;
    if (options.assets) {
        if (auto err = io::create_directories(*options.assets))
            return Error::io(*options.assets, *err);
    }
    return document;
}

} // namespace quillstone::pipeline
