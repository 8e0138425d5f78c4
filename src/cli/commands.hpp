#pragma once
// The subcommands behind `execute`, one function each.

#include "cli/cli.hpp"
#include "text/lines.hpp"

#include <string>

namespace quillstone::cli {

[[nodiscard]] std::optional<Failure> run_dump(const Dump& cmd, BufferedOutput& out);
[[nodiscard]] std::optional<Failure> run_probe(const Probe& cmd, BufferedOutput& out);
[[nodiscard]] std::optional<Failure> run_convert(const Convert& cmd, BufferedOutput& out,
                                                 Stream& err);

// A path's file name without its last extension; the whole name when its only dot leads it;
// empty when the path has no final name ("..", "/").
[[nodiscard]] std::string file_stem(const std::string& path);
[[nodiscard]] std::optional<Failure> run_text(const Text& cmd, BufferedOutput& out);

// One line of the `text` listing, ending in a line feed; with `geometry`, prefixed by the
// line's baseline, x range and size.
[[nodiscard]] std::string listing_line(const text::lines::Line& line, bool geometry);

} // namespace quillstone::cli
