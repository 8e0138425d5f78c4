#pragma once
// The system's error type. Only reading the PDF, interpreting or rasterising a page, creating
// directories and writing files can fail; every such failure is one of these cases, carried by
// value in a Result up to a front end, which wraps it in context and reports it.

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace quillstone {

// An operating-system I/O failure: the errno it came from (0 when none) and its text.
struct IoError {
    int code = 0;
    std::string text;

    [[nodiscard]] static IoError from_errno(int code);
    [[nodiscard]] bool broken_pipe() const;
    bool operator==(const IoError&) const = default;
};

enum class ErrorKind { Io, PdfOpen, PdfPage, Scanned, PageOutOfRange };

// One link of an error's cause chain: a message, and the I/O error it stands for when it is one
// (so a broken pipe can be recognised anywhere in a chain).
struct Cause {
    std::string text;
    int os_error = 0;
    bool operator==(const Cause&) const = default;
};

struct Error {
    ErrorKind kind = ErrorKind::Io;
    std::string path;             // Io, Scanned
    std::string text;             // PdfOpen payload
    std::uint32_t page = 0;       // PdfPage, PageOutOfRange
    std::uint32_t scanned = 0;    // Scanned
    std::uint32_t total = 0;      // Scanned
    std::vector<Cause> causes;    // Io: the I/O error; PdfPage: the reader's failure

    [[nodiscard]] static Error io(std::string path, IoError source);
    [[nodiscard]] static Error pdf_open(std::string text);
    [[nodiscard]] static Error pdf_page(std::uint32_t page, std::string reader_text);
    [[nodiscard]] static Error scanned_document(std::string path, std::uint32_t scanned,
                                                std::uint32_t total);
    [[nodiscard]] static Error page_out_of_range(std::uint32_t page);

    // The display text of this case, without its causes.
    [[nodiscard]] std::string message() const;
    // Debug form naming the case and its fields, for test failure messages.
    [[nodiscard]] std::string debug() const;
    bool operator==(const Error&) const = default;
};

// A small expected: either a value or an Error.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    [[nodiscard]] bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] T& value() & { return std::get<0>(v_); }
    [[nodiscard]] const T& value() const& { return std::get<0>(v_); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(v_)); }
    [[nodiscard]] const Error& error() const& { return std::get<1>(v_); }
    [[nodiscard]] Error&& error() && { return std::get<1>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }

  private:
    std::variant<T, Error> v_;
};

struct Unit {
    bool operator==(const Unit&) const = default;
};
using Status = Result<Unit>;

// An error as a front end reports it: the context messages wrapped around it (outermost first),
// followed by the error's own message and its causes. Failures that are not an Error (writing
// to standard output or to a file) enter as a bare I/O error.
class Failure {
  public:
    Failure(const Error& error);
    Failure(const IoError& error);
    // A failure of the command itself, with no error underneath ("3 of 5 files failed").
    explicit Failure(std::string message);

    // Wraps the failure in one more context message ("converting {}").
    [[nodiscard]] Failure context(std::string message) &&;

    // The messages from outermost to innermost; the first is the headline, the rest its causes.
    [[nodiscard]] const std::vector<Cause>& chain() const { return chain_; }
    [[nodiscard]] bool broken_pipe() const;
    // "Error: ..." with the "Caused by:" section, ending in a newline.
    [[nodiscard]] std::string report() const;

  private:
    std::vector<Cause> chain_;
};

} // namespace quillstone
