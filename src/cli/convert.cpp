// `convert`: the pipeline over one or more PDFs, each rendered in the chosen format to standard
// output, a file, or a file per input inside an output directory.

#include "cli/commands.hpp"
#include "doc/json.hpp"
#include "emit/markdown.hpp"
#include "emit/text.hpp"
#include "emit/typst.hpp"
#include "io/file.hpp"
#include "ir/page.hpp"
#include "pipeline/convert.hpp"

namespace quillstone::cli {

namespace {

std::string render(const doc::Document& document, Format format) {
    switch (format) {
    case Format::md:
        return emit::markdown::render(document);
    case Format::json:
        return doc::to_json(document, json::Layout::Pretty) + "\n";
    case Format::typst:
        return emit::typst::render(document);
    case Format::text:
        return emit::text::render(document);
    }
    return {};
}

const char* extension(Format format) {
    switch (format) {
    case Format::md:
        return "md";
    case Format::json:
        return "json";
    case Format::typst:
        return "typ";
    case Format::text:
        return "txt";
    }
    return "md";
}

// Joins a directory and a name with exactly one separator.
std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

} // namespace

std::string file_stem(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.rfind('/');
    std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return {};
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    // Names that are not valid UTF-8 still make a usable (and printable) file name.
    std::string clean;
    for (const char32_t c : ir::decode_utf8(name)) ir::append_utf8(clean, c);
    return clean;
}

std::optional<Failure> run_convert(const Convert& cmd, BufferedOutput& out, Stream& err) {
    const std::size_t n = cmd.pdf.size();
    const bool several = n > 1;
    if (several) {
        if (!cmd.out)
            return Failure(std::string("converting several files needs --out <directory>"));
        if (auto e = io::create_directories(*cmd.out))
            return Failure(*e).context("creating " + *cmd.out);
    }
    if (n == 0) return std::nullopt;

    std::size_t failures = 0;
    for (const std::string& pdf : cmd.pdf) {
        const std::string stem = file_stem(pdf);
        pipeline::ConvertOptions options;
        options.figure_dpi = cmd.figure_dpi;
        options.caveman = cmd.caveman;
        if (cmd.assets)
            options.assets = several ? join(*cmd.assets, stem) : *cmd.assets;
        else if (several)
            options.assets = join(*cmd.out, stem + "_assets");

        auto document = pipeline::convert_with(pdf, options);
        if (!document) {
            if (!several) return Failure(document.error()).context("converting " + pdf);
            // One bad file does not stop the others; it is counted and named.
            ++failures;
            if (auto e = err.write(pdf + ": " + document.error().message() + "\n"))
                return Failure(*e);
            continue;
        }
        const std::string text = render(*document, cmd.format);
        if (!cmd.out) {
            if (auto e = out.write(text)) return Failure(*e);
            continue;
        }
        const std::string target =
            several ? join(*cmd.out, stem + "." + extension(cmd.format)) : *cmd.out;
        if (auto e = io::write_file(target, text)) return Failure(*e).context("writing " + target);
    }
    if (failures > 0)
        return Failure(std::to_string(failures) + " of " + std::to_string(n) + " files failed");
    return std::nullopt;
}

} // namespace quillstone::cli
