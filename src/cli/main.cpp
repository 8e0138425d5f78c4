// The native executable: a thin shell around the same entry point the Python module calls.

#include "cli/cli.hpp"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A closed pipe must come back as EPIPE from write, which ends the program quietly, rather
    // than as a signal that kills it.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv, argv + argc);
    quillstone::cli::FdStream out(1), err(2);
    return quillstone::cli::run(args, out, err);
}
