#include "cli/cli.hpp"

#include "cli/commands.hpp"

#include <CLI/CLI.hpp>

#include <exception>
#include <sstream>

namespace quillstone::cli {

namespace {

constexpr const char* version_text = "quillstone 0.2.2";

constexpr const char* caveman_help =
    "Strip grammatical scaffolding from the prose, for feeding to a model that charges by the "
    "token. `light` drops articles, copulas and stock phrases. `hard` also drops prepositions, "
    "pronouns and filler. Maths, tables and citations are left alone\n"
    "  light: Articles, copulas and stock phrases. Reads as clipped English\n"
    "  hard: Also prepositions, pronouns and filler. Reads as telegraphese";

constexpr const char* format_help =
    "Output format\n"
    "  md: GitHub-flavoured Markdown\n"
    "  json: The document model. Every other format renders this\n"
    "  typst: Typst, which models figures, tables and references natively\n"
    "  text: Plain text, for indexing";

// `--caveman` takes an optional value, so a parser would swallow a following PDF path as that
// value. A bare `--caveman` followed by anything but a level means light.
std::vector<std::string> normalise_caveman(const std::vector<std::string>& args) {
    std::vector<std::string> out;
    out.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--caveman" &&
            (i + 1 == args.size() || (args[i + 1] != "light" && args[i + 1] != "hard"))) {
            out.push_back("--caveman=light");
            continue;
        }
        out.push_back(args[i]);
    }
    return out;
}

Format format_from(const std::string& s) {
    if (s == "json") return Format::json;
    if (s == "typst") return Format::typst;
    if (s == "text") return Format::text;
    return Format::md;
}

} // namespace

Parsed parse(const std::vector<std::string>& raw_args) {
    CLI::App app{"Convert scientific PDFs to structured text", "quillstone"};
    app.set_version_flag("-V,--version", version_text);
    app.require_subcommand(1);
    app.fallthrough(false);

    Dump dump;
    std::uint32_t dump_page = 0;
    auto* dump_cmd = app.add_subcommand("dump", "Dump extracted page primitives as JSON");
    dump_cmd->add_option("PDF", dump.pdf)->required()->type_name("PDF");
    auto* dump_page_opt =
        dump_cmd->add_option("-p,--page", dump_page, "Restrict output to a single zero-based page")
            ->type_name("PAGE");
    dump_cmd->add_flag("--pretty", dump.pretty);

    Probe probe;
    auto* probe_cmd = app.add_subcommand(
        "probe", "Summarise what the backend sees, for eyeballing extraction quality");
    probe_cmd->add_option("PDF", probe.pdf)->required()->type_name("PDF");
    probe_cmd->add_flag("--pages", probe.pages,
                        "Show a per-page breakdown rather than just document totals");

    Convert convert;
    std::string format = "md";
    std::string out_path, assets_path, caveman_value;
    auto* convert_cmd =
        app.add_subcommand("convert", "Convert one or more PDFs to structured text");
    convert_cmd->add_option("PDF", convert.pdf)->required()->expected(1, -1)->type_name("PDF");
    convert_cmd->add_option("-f,--format", format, format_help)
        ->type_name("FORMAT")
        ->default_str("md")
        ->check(CLI::IsMember({"md", "json", "typst", "text"}));
    auto* out_opt = convert_cmd
                        ->add_option("-o,--out", out_path,
                                     "Write to a file instead of stdout. With several inputs, a "
                                     "directory")
                        ->type_name("OUT");
    auto* assets_opt =
        convert_cmd
            ->add_option("--assets", assets_path,
                         "Extract figures into this directory and reference them from the output")
            ->type_name("ASSETS");
    convert_cmd
        ->add_option("--figure-dpi", convert.figure_dpi, "Resolution to rasterise figures at")
        ->type_name("FIGURE_DPI")
        ->default_str("150");
    auto* caveman_opt = convert_cmd->add_option("--caveman", caveman_value, caveman_help)
                            ->type_name("CAVEMAN")
                            ->expected(0, 1)
                            ->check(CLI::IsMember({"light", "hard"}));

    Text text;
    std::uint32_t text_page = 0;
    auto* text_cmd = app.add_subcommand(
        "text", "Print reconstructed lines, one per output line. Reading order is not applied yet");
    text_cmd->add_option("PDF", text.pdf)->required()->type_name("PDF");
    auto* text_page_opt =
        text_cmd->add_option("-p,--page", text_page, "Restrict output to a single zero-based page")
            ->type_name("PAGE");
    text_cmd->add_flag("--geometry", text.geometry,
                       "Prefix each line with its baseline, x-range and dominant font size");

    Parsed parsed;
    if (raw_args.size() <= 1) {
        // No subcommand at all: show what there is, as a usage error.
        parsed.err_text = app.help();
        parsed.status = 2;
        return parsed;
    }
    std::vector<std::string> args = normalise_caveman(raw_args);
    // CLI11 takes the arguments in reverse order, without the program name.
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        const int code = app.exit(e, out, err);
        parsed.out_text = out.str();
        parsed.err_text = err.str();
        parsed.status = code == 0 ? 0 : 2;
        return parsed;
    }

    Cli cli;
    if (*dump_cmd) {
        if (*dump_page_opt) dump.page = dump_page;
        cli.command = dump;
    } else if (*probe_cmd) {
        cli.command = probe;
    } else if (*convert_cmd) {
        convert.format = format_from(format);
        if (*out_opt) convert.out = out_path;
        if (*assets_opt) convert.assets = assets_path;
        if (*caveman_opt)
            convert.caveman = caveman_value == "hard" ? Caveman::hard : Caveman::light;
        cli.command = convert;
    } else {
        if (*text_page_opt) text.page = text_page;
        cli.command = text;
    }
    parsed.cli = std::move(cli);
    return parsed;
}

std::optional<Failure> execute(const Cli& cli, BufferedOutput& out, Stream& err) {
    if (const auto* d = std::get_if<Dump>(&cli.command)) return run_dump(*d, out);
    if (const auto* p = std::get_if<Probe>(&cli.command)) return run_probe(*p, out);
    if (const auto* c = std::get_if<Convert>(&cli.command)) return run_convert(*c, out, err);
    if (const auto* t = std::get_if<Text>(&cli.command)) return run_text(*t, out);
    return std::nullopt;
}

int run(const std::vector<std::string>& args, Stream& out, Stream& err) {
    try {
        Parsed parsed = parse(args);
        if (!parsed.cli) {
            std::optional<IoError> failure;
            if (!parsed.out_text.empty()) failure = out.write(parsed.out_text);
            if (!failure && !parsed.err_text.empty()) failure = err.write(parsed.err_text);
            if (failure) return failure->broken_pipe() ? 0 : 1;
            return parsed.status;
        }
        std::optional<Failure> failure;
        {
            BufferedOutput buffered(out);
            failure = execute(*parsed.cli, buffered, err);
            if (!failure) {
                if (auto flush_error = buffered.flush()) failure = Failure(*flush_error);
            }
        }
        if (!failure) return 0;
        if (failure->broken_pipe()) return 0;
        (void)err.write(failure->report());
        return 1;
    } catch (const std::exception& e) {
        // Nothing below should throw; if something does, it is reported, never a crash.
        (void)err.write(std::string("Error: internal error: ") + e.what() + "\n");
        return 1;
    } catch (...) {
        (void)err.write("Error: internal error\n");
        return 1;
    }
}

} // namespace quillstone::cli
