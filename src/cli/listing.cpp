// `text`: the reconstructed lines of every page, for eyeballing line building. Only line
// building applies; reading order, running-header removal and column cuts are conversion stages
// and stay out of this listing.

#include "backend/pdf.hpp"
#include "cli/commands.hpp"
#include "cli/format.hpp"
#include "pipeline/extract.hpp"
#include "text/lines.hpp"

namespace quillstone::cli {

std::string listing_line(const text::lines::Line& line, bool geometry) {
    std::string out;
    if (geometry) {
        out += "[y=" + right(fixed(line.baseline, 2), 7) + " x=" + right(fixed(line.bbox.x0, 1), 6) +
               ".." + right(fixed(line.bbox.x1, 1), 6) + " size=" + right(fixed(line.size, 2), 5) +
               "] ";
    }
    out += line.text();
    out += '\n';
    return out;
}

std::optional<Failure> run_text(const Text& cmd, BufferedOutput& out) {
    auto extracted = [&]() -> Result<ir::DocRaw> {
        auto backend = backend::PdfBackend::open_with_password(cmd.pdf);
        if (!backend) return std::move(backend).error();
        return pipeline::extract_from(**backend, cmd.pdf);
    }();
    if (!extracted) return Failure(extracted.error()).context("extracting " + cmd.pdf);

    const ir::DocRaw& doc = *extracted;
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        if (cmd.page && *cmd.page != i) continue;
        std::string text = "--- page " + std::to_string(i) + " ---\n";
        for (const auto& line : text::lines::build_lines(doc.pages[i]))
            text += listing_line(line, cmd.geometry);
        if (auto err = out.write(text)) return Failure(*err);
    }
    return std::nullopt;
}

} // namespace quillstone::cli
