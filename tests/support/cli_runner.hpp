#pragma once
// Runs the command line in-process with string streams, as the tests of every subcommand do.

#include "cli/cli.hpp"

#include <string>
#include <vector>

namespace quillstone::testing {

struct CliOutcome {
    int status = 0;
    std::string out;
    std::string err;
};

// `args` without the program name, which is supplied.
inline CliOutcome run_cli(std::vector<std::string> args) {
    args.insert(args.begin(), "quillstone");
    cli::StringStream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.data, err.data};
}

} // namespace quillstone::testing
