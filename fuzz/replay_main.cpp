// Replays saved inputs through a fuzz target without libFuzzer, so any compiler can build it
// and ctest can run the regression inputs on every build. Each argument is a file, or a
// directory whose regular files (not recursing, dot-files skipped) are replayed in name order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    // A fresh heap copy of exactly the input's size lets AddressSanitizer see a read past it.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|DIR...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0, failed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg, ec)) {
                const std::string name = entry.path().filename().string();
                if (entry.is_regular_file() && !name.starts_with('.')) files.push_back(entry.path());
            }
            if (ec) {
                std::fprintf(stderr, "cannot list %s: %s\n", arg.c_str(), ec.message().c_str());
                ++failed;
                continue;
            }
            std::sort(files.begin(), files.end());
            for (const auto& f : files) (replay(f) ? replayed : failed) += 1;
        } else {
            (replay(arg) ? replayed : failed) += 1;
        }
    }
    // Reaching this line at all is the test: a fault in the target aborts before it.
    std::printf("%zu passed, %zu failed\n", replayed, failed);
    return failed == 0 ? 0 : 1;
}
