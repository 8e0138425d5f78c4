#pragma once
// Whole-file reads and writes and directory creation, reporting the operating system's error.

#include "error/error.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quillstone::io {

// The file's bytes, or the I/O error that stopped the read (a directory reads as EISDIR).
[[nodiscard]] std::variant<std::string, IoError> read_file(const std::string& path);

// Writes `bytes` to `path`, replacing it; nullopt on success.
[[nodiscard]] std::optional<IoError> write_file(const std::string& path, std::string_view bytes);

// Creates a directory and its parents; an existing directory is fine.
[[nodiscard]] std::optional<IoError> create_directories(const std::string& path);

} // namespace quillstone::io
