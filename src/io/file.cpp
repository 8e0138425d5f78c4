#include "io/file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillstone::io {

namespace {

// Closes a descriptor on every path out of a function.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

std::variant<std::string, IoError> read_file(const std::string& path) {
    Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0) return IoError::from_errno(errno);
    std::string bytes;
    struct stat st {};
    if (::fstat(f.fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoError::from_errno(errno);
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

std::optional<IoError> write_file(const std::string& path, std::string_view bytes) {
    Fd f{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
    if (f.fd < 0) return IoError::from_errno(errno);
    while (!bytes.empty()) {
        const ssize_t n = ::write(f.fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoError::from_errno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    const int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0) return IoError::from_errno(errno);
    return std::nullopt;
}

std::optional<IoError> create_directories(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) return IoError::from_errno(ec.value());
    return std::nullopt;
}

} // namespace quillstone::io
