// Converts each PDF given the way `quillstone convert -f json` does (the steps of
// pipeline::convert_with, then pretty JSON) and writes the JSON to /dev/null, or to OUT with `-o OUT`.
// One line per file on standard output, times in milliseconds:
// "<total>\t<pages>\t<extract>\t<stages>\t<json>\t<json bytes>\t<path>", or
// "error\t<message>\t\t\t\t\t<path>". The three parts are timed separately so that a slow run
// says where its time went. bench/convert.sh runs it one file per process so that peak memory
// is per file.

#include "backend/pdf.hpp"
#include "doc/json.hpp"
#include "pipeline/convert.hpp"
#include "pipeline/extract.hpp"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

std::string fixed3(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    return std::string(buf, res.ptr);
}

double ms_between(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The report line for one file, and whether it converted.
std::pair<std::string, bool> convert_one(const std::string& path, std::FILE* sink) {
    using namespace quillstone;
    const auto start = Clock::now();
    auto backend = backend::PdfBackend::open_with_password(path);
    if (!backend) return {"error\t" + backend.error().message() + "\t\t\t\t\t" + path, false};
    auto raw = pipeline::extract_from(**backend, path);
    if (!raw) return {"error\t" + raw.error().message() + "\t\t\t\t\t" + path, false};
    // As convert_with does: the reader's caches go once every page is extracted.
    (*backend)->release_caches();
    const auto extracted = Clock::now();
    auto document = pipeline::convert_extracted(*raw, **backend, pipeline::ConvertOptions{});
    if (!document) return {"error\t" + document.error().message() + "\t\t\t\t\t" + path, false};
    const auto converted = Clock::now();
    const std::string text = doc::to_json(*document, json::Layout::Pretty) + "\n";
    std::fwrite(text.data(), 1, text.size(), sink);
    std::fflush(sink);
    const auto written = Clock::now();
    return {fixed3(ms_between(start, written)) + "\t" + std::to_string(raw->pages.size()) + "\t" +
                fixed3(ms_between(start, extracted)) + "\t" +
                fixed3(ms_between(extracted, converted)) + "\t" +
                fixed3(ms_between(converted, written)) + "\t" + std::to_string(text.size()) +
                "\t" + path,
            true};
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    const char* out_path = "/dev/null";
    if (argc > 2 && std::string_view(argv[1]) == "-o") {
        out_path = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fputs("usage: quillstone_convert_bench [-o OUT] PDF...\n", stderr);
        return 2;
    }
    std::FILE* sink = std::fopen(out_path, "wb");
    if (sink == nullptr) {
        std::fputs("quillstone_convert_bench: cannot open the output file\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = first; i < argc; ++i) {
        auto [line, ok] = convert_one(argv[i], sink);
        if (!ok) status = 1;
        line += '\n';
        std::fputs(line.c_str(), stdout);
    }
    std::fclose(sink);
    return status;
}
