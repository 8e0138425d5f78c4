// libFuzzer target: arbitrary bytes through the whole page source and the conversion after it.
// Any input must end in a document or an Error, never a crash, a leak, a hang or runaway memory;
// the page-primitive JSON and every writer run too, so every value the reader lets through is
// also serialised.

#include "backend/pdf.hpp"
#include "ir/page_json.hpp"
#include "doc/json.hpp"
#include "emit/markdown.hpp"
#include "emit/text.hpp"
#include "emit/typst.hpp"
#include "pipeline/convert.hpp"
#include "pipeline/extract.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillstone;
    const std::string path = "fuzz.pdf";
    auto backend =
        backend::PdfBackend::open_bytes(std::string(reinterpret_cast<const char*>(data), size), path);
    if (!backend) {
        (void)backend.error().message();
        return 0;
    }
    auto doc = pipeline::extract_from(**backend, path);
    if (!doc) {
        (void)doc.error().message();
        return 0;
    }
    std::string out = ir::doc_to_json(*doc, json::Layout::Compact);
    auto document = pipeline::convert_extracted(*doc, **backend, pipeline::ConvertOptions{});
    if (document) {
        out += doc::to_json(*document, json::Layout::Pretty);
        out += emit::markdown::render(*document);
        out += emit::typst::render(*document);
        out += emit::text::render(*document);
    }
    // Keeps the serialisation from being optimised away.
    volatile char sink = out.empty() ? '\0' : out.back();
    (void)sink;
    return 0;
}
