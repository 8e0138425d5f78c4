// Times pipeline::extract_from on each PDF given, the way the pipeline runs it: open the file,
// read every page into a DocRaw, drop it. One line per file on standard output:
// "<milliseconds>\t<pages>\t<glyphs>\t<path>", or "error\t<message>\t\t<path>".
// bench/extract.sh runs it one file per process so that peak memory is per file.

#include "backend/pdf.hpp"
#include "pipeline/extract.hpp"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

std::string fixed3(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    return std::string(buf, res.ptr);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quillstone;
    if (argc < 2) {
        std::fputs("usage: quillstone_extract_bench PDF...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const auto start = std::chrono::steady_clock::now();
        auto backend = backend::PdfBackend::open_with_password(path);
        std::string line;
        if (!backend) {
            line = "error\t" + backend.error().message() + "\t\t" + path;
            status = 1;
        } else {
            auto doc = pipeline::extract_from(**backend, path);
            const auto end = std::chrono::steady_clock::now();
            if (!doc) {
                line = "error\t" + doc.error().message() + "\t\t" + path;
                status = 1;
            } else {
                std::size_t glyphs = 0;
                for (const auto& page : doc->pages) glyphs += page.glyphs.size();
                const double ms = std::chrono::duration<double, std::milli>(end - start).count();
                line = fixed3(ms) + "\t" + std::to_string(doc->pages.size()) + "\t" +
                       std::to_string(glyphs) + "\t" + path;
            }
        }
        line += '\n';
        std::fputs(line.c_str(), stdout);
    }
    return status;
}
