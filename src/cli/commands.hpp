#pragma once
// The subcommands behind `execute`, one function each.

#include "cli/cli.hpp"

namespace quillstone::cli {

[[nodiscard]] std::optional<Failure> run_dump(const Dump& cmd, BufferedOutput& out);
[[nodiscard]] std::optional<Failure> run_probe(const Probe& cmd, BufferedOutput& out);
[[nodiscard]] std::optional<Failure> run_convert(const Convert& cmd, BufferedOutput& out,
                                                 Stream& err);

// A path's file name without its last extension; the whole name when its only dot leads it;
// empty when the path has no final name ("..", "/").
[[nodiscard]] std::string file_stem(const std::string& path);

} // namespace quillstone::cli
