#include "cli/output.hpp"

#include <cerrno>
#include <unistd.h>

namespace quillstone::cli {

std::optional<IoError> FdStream::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoError::from_errno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

std::optional<IoError> BufferedOutput::write(std::string_view bytes) {
    if (buf_.size() + bytes.size() > capacity) {
        if (auto err = flush()) return err;
        // Large writes bypass the buffer rather than being copied through it.
        if (bytes.size() >= capacity) return stream_.write(bytes);
    }
    buf_ += bytes;
    return std::nullopt;
}

std::optional<IoError> BufferedOutput::flush() {
    if (buf_.empty()) return std::nullopt;
    auto err = stream_.write(buf_);
    buf_.clear();
    return err;
}

} // namespace quillstone::cli
