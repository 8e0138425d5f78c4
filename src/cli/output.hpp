#pragma once
// Output streams for the command line. The program writes to file descriptors directly (the
// Python module runs it in-process and must not go through another runtime's buffers); tests
// write to strings. Normal output goes through one 8192-byte buffer.

#include "error/error.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace quillstone::cli {

class Stream {
  public:
    virtual ~Stream() = default;
    [[nodiscard]] virtual std::optional<IoError> write(std::string_view bytes) = 0;
};

class FdStream final : public Stream {
  public:
    explicit FdStream(int fd) : fd_(fd) {}
    [[nodiscard]] std::optional<IoError> write(std::string_view bytes) override;

  private:
    int fd_;
};

class StringStream final : public Stream {
  public:
    [[nodiscard]] std::optional<IoError> write(std::string_view bytes) override {
        data += bytes;
        return std::nullopt;
    }
    std::string data;
};

class BufferedOutput {
  public:
    static constexpr std::size_t capacity = 8192;

    explicit BufferedOutput(Stream& stream) : stream_(stream) { buf_.reserve(capacity); }
    // On the error path whatever is buffered still goes out, any failure ignored.
    ~BufferedOutput() { (void)flush(); }
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    [[nodiscard]] std::optional<IoError> write(std::string_view bytes);
    [[nodiscard]] std::optional<IoError> flush();

  private:
    Stream& stream_;
    std::string buf_;
};

} // namespace quillstone::cli
