// `dump` and `probe`: what the page source sees, as JSON or as totals.

#include "backend/pdf.hpp"
#include "cli/commands.hpp"
#include "cli/format.hpp"
#include "io/file.hpp"
#include "ir/page_json.hpp"
#include "pipeline/extract.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>

namespace quillstone::cli {

namespace {

// Thrown out of the JSON writer's page callback to stop serialising once output has failed.
struct OutputFailed {
    IoError error;
};

Result<ir::DocRaw> open_and_extract(const std::string& pdf) {
    auto backend = backend::PdfBackend::open_with_password(pdf);
    if (!backend) return std::move(backend).error();
    return pipeline::extract_from(**backend, pdf);
}

} // namespace

std::optional<Failure> run_dump(const Dump& cmd, BufferedOutput& out) {
    const json::Layout layout = cmd.pretty ? json::Layout::Pretty : json::Layout::Compact;
    std::string buf;
    json::Writer w(buf, layout);
    const auto drain = [&] {
        if (auto err = out.write(buf)) throw OutputFailed{*err};
        buf.clear();
    };

    try {
        if (!cmd.page) {
            auto doc = open_and_extract(cmd.pdf);
            if (!doc) return Failure(doc.error()).context("extracting " + cmd.pdf);
            ir::write_doc(w, *doc, drain);
        } else {
            auto bytes = io::read_file(cmd.pdf);
            if (auto* err = std::get_if<IoError>(&bytes)) return Failure(Error::io(cmd.pdf, *err));
            auto backend =
                backend::PdfBackend::open_bytes(std::move(std::get<std::string>(bytes)), cmd.pdf);
            if (!backend) return Failure(backend.error());
            ir::FontTable fonts;
            auto page = (*backend)->page(*cmd.page, fonts);
            if (!page) return Failure(page.error());
            ir::write_single_page(w, fonts, *page);
        }
        buf += '\n';
        drain();
    } catch (const OutputFailed& f) {
        return Failure(f.error);
    }
    return std::nullopt;
}

std::optional<Failure> run_probe(const Probe& cmd, BufferedOutput& out) {
    const auto start = std::chrono::steady_clock::now();
    auto doc = open_and_extract(cmd.pdf);
    if (!doc) return Failure(doc.error()).context("extracting " + cmd.pdf);
    const auto end = std::chrono::steady_clock::now();
    const double elapsed_ms =
        end < start ? 0.0 : std::chrono::duration<double>(end - start).count() * 1000.0;

    std::size_t glyphs = 0, images = 0;
    std::array<std::size_t, 4> kinds{};
    std::map<std::string, std::size_t> per_font;
    for (const auto& page : doc->pages) {
        glyphs += page.glyphs.size();
        images += page.images.size();
        for (const auto& p : page.paths) ++kinds[static_cast<std::size_t>(p.kind)];
        for (const auto& g : page.glyphs) {
            const std::string& name =
                g.font < doc->fonts.names.size() ? doc->fonts.names[g.font] : std::string();
            ++per_font[name];
        }
    }
    const std::size_t pages = doc->pages.size();

    std::string text = cmd.pdf + "\n";
    text += "  " + std::to_string(pages) + " pages, " + std::to_string(glyphs) + " glyphs, " +
            std::to_string(images) + " images in " + fixed(elapsed_ms, 0) + " ms (" +
            fixed(elapsed_ms / static_cast<double>(std::max<std::size_t>(pages, 1)), 1) +
            " ms/page)\n";
    text += "  paths: " + std::to_string(kinds[0]) + " h-rules, " + std::to_string(kinds[1]) +
            " v-rules, " + std::to_string(kinds[2]) + " boxes, " + std::to_string(kinds[3]) +
            " other\n";
    text += "  fonts (" + std::to_string(per_font.size()) + " distinct):\n";

    // The map is in ascending byte order already; a stable sort by count keeps it for ties.
    std::vector<std::pair<std::string, std::size_t>> ranked(per_font.begin(), per_font.end());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    constexpr std::size_t shown = 12;
    const double divisor = static_cast<double>(std::max<std::size_t>(glyphs, 1));
    for (std::size_t i = 0; i < ranked.size() && i < shown; ++i) {
        const auto& [name, count] = ranked[i];
        text += "    " + right(std::to_string(count), 7) + "  " +
                right(fixed(static_cast<double>(count) * 100.0 / divisor, 1), 5) + "%  " + name +
                "\n";
    }
    if (ranked.size() > shown)
        text += "    ... and " + std::to_string(ranked.size() - shown) + " more\n";
    if (auto err = out.write(text)) return Failure(*err);
    // The per-page breakdown comes with the page listings.
    return std::nullopt;
}

} // namespace quillstone::cli
