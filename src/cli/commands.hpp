#pragma once
// The subcommands behind `execute`, one function each.

#include "cli/cli.hpp"

namespace quillstone::cli {

[[nodiscard]] std::optional<Failure> run_dump(const Dump& cmd, BufferedOutput& out);
[[nodiscard]] std::optional<Failure> run_probe(const Probe& cmd, BufferedOutput& out);

} // namespace quillstone::cli
