#pragma once
// The `quillstone` command line: its grammar, the subcommands, and the frame around them
// (buffered output, error reports with their cause chain, exit statuses, broken pipes). Both the
// native executable and the Python module's _run_cli enter through `run`.

#include "cli/output.hpp"
#include "compress/level.hpp"
#include "error/error.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quillstone::cli {

enum class Format { md, json, typst, text };
using Caveman = compress::Caveman;

struct Dump {
    std::string pdf;
    std::optional<std::uint32_t> page;
    bool pretty = false;
};
struct Probe {
    std::string pdf;
    bool pages = false;
};
struct Convert {
    std::vector<std::string> pdf;
    Format format = Format::md;
    std::optional<std::string> out;
    std::optional<std::string> assets;
    float figure_dpi = 150.0f;
    std::optional<Caveman> caveman;
};
struct Text {
    std::string pdf;
    std::optional<std::uint32_t> page;
    bool geometry = false;
};

using Command = std::variant<Dump, Probe, Convert, Text>;

struct Cli {
    Command command;
};

// What parsing produced: a command to run, or a finished outcome (help, version, usage error)
// with the text to print and where.
struct Parsed {
    std::optional<Cli> cli;
    int status = 0;
    std::string out_text;
    std::string err_text;
};

[[nodiscard]] Parsed parse(const std::vector<std::string>& args);

// Runs one command, writing normal output through `out` and per-file diagnostics to `err`.
[[nodiscard]] std::optional<Failure> execute(const Cli& cli, BufferedOutput& out, Stream& err);

// Parses, executes, reports, and returns the exit status: 0 success (or help, version, broken
// pipe), 1 failure, 2 usage error.
[[nodiscard]] int run(const std::vector<std::string>& args, Stream& out, Stream& err);

} // namespace quillstone::cli
