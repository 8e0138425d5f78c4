// libFuzzer target: arbitrary bytes through the whole page source. Any input must end in a
// DocRaw or an Error, never a crash, a leak, a hang or runaway memory; the JSON writer runs
// too, so every value the reader lets through is also serialised once.

#include "backend/pdf.hpp"
#include "ir/page_json.hpp"
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
    const std::string json = ir::doc_to_json(*doc, json::Layout::Compact);
    // Keeps the serialisation from being optimised away.
    volatile char sink = json.empty() ? '\0' : json.back();
    (void)sink;
    return 0;
}
